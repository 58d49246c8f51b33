#include "converter/players/PlayerList.h"

#include "converter/players/PlayerEMF.h"

TPlayerList::~TPlayerList() {
    Clear();
}

void TPlayerList::Clear() {
    for (std::size_t i = m_players.size(); i > 0; --i) {
        m_players[i - 1].reset();
    }
    m_players.clear();
}

void TPlayerList::SetCount(std::size_t count) {
    while (m_players.size() > count) {
        m_players.pop_back();
    }
    m_players.resize(count);
}

TPlayer* TPlayerList::Get(std::size_t index) const {
    return index < m_players.size() ? m_players[index].get() : nullptr;
}

void TPlayerList::Put(std::size_t index, std::unique_ptr<TPlayer> player) {
    if (index >= m_players.size()) {
        m_players.resize(index + 1);
    }
    m_players[index] = std::move(player);
}

TPlayEMFList::~TPlayEMFList() {
    Clear();
}

void TPlayEMFList::Clear() {
    for (std::size_t i = m_players.size(); i > 0; --i) {
        m_players[i - 1].reset();
    }
    m_players.clear();
}

int TPlayEMFList::Add(const TPlayerEMF& player) {
    std::unique_ptr<TPlayer> clone = player.Clone();
    auto* page = dynamic_cast<TPlayerEMF*>(clone.get());
    if (!page) {
        return -1;
    }
    clone.release();
    m_players.emplace_back(page);
    return static_cast<int>(m_players.size() - 1);
}

TPlayerEMF* TPlayEMFList::GetPlayer(std::size_t index) const {
    return index < m_players.size() ? m_players[index].get() : nullptr;
}

HENHMETAFILE TPlayEMFList::GetMetafileHandle(std::size_t index) const {
    const TPlayerEMF* page = GetPlayer(index);
    return page ? page->Handle() : nullptr;
}
