// Owning lists of players.
#pragma once

#include <memory>
#include <vector>

#include "converter/players/Player.h"

class TPlayerEMF;

// TPlayerList owns its entries; slots may be empty. Destruction frees the entries from the
// last index to the first.
class TPlayerList {
public:
    TPlayerList() = default;
    ~TPlayerList();
    TPlayerList(const TPlayerList&) = delete;
    TPlayerList& operator=(const TPlayerList&) = delete;

    // Resizes to count slots; new slots are empty, dropped ones are freed.
    void SetCount(std::size_t count);
    std::size_t Count() const { return m_players.size(); }
    TPlayer* Get(std::size_t index) const;
    // Places player in slot index, freeing what was there.
    void Put(std::size_t index, std::unique_ptr<TPlayer> player);
    void Clear();

private:
    std::vector<std::unique_ptr<TPlayer>> m_players;
};

// TPlayEMFList holds copies of pages for a batch; it owns its entries.
class TPlayEMFList {
public:
    TPlayEMFList() = default;
    ~TPlayEMFList();
    TPlayEMFList(const TPlayEMFList&) = delete;
    TPlayEMFList& operator=(const TPlayEMFList&) = delete;

    // Appends a Clone of player (which stays the caller's); -1 and nothing added when no
    // clone can be made.
    int Add(const TPlayerEMF& player);
    std::size_t Count() const { return m_players.size(); }
    TPlayerEMF* GetPlayer(std::size_t index) const;
    // The metafile handle of the page at index, or null.
    HENHMETAFILE GetMetafileHandle(std::size_t index) const;
    void Clear();

private:
    std::vector<std::unique_ptr<TPlayerEMF>> m_players;
};
