// Global memory blocks. A block is a header followed by its bytes; the handle is the header, so
// GlobalSize and GlobalFree can check that a handle is one of ours before touching it.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/WinBase.h"

namespace {

struct Block {
    SIZE_T size;
    UINT lockCount;
    alignas(std::max_align_t) unsigned char data[1];
};

std::mutex& BlocksMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_set<HGLOBAL>& Blocks() {
    static std::unordered_set<HGLOBAL> blocks;
    return blocks;
}

Block* Find(HGLOBAL handle) {
    if (!handle || !Blocks().count(handle))
        return nullptr;
    return static_cast<Block*>(handle);
}

} // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (dwBytes > (SIZE_T(1) << 40)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* memory = std::malloc(offsetof(Block, data) + (dwBytes ? dwBytes : 1));
    if (!memory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Block* block = static_cast<Block*>(memory);
    block->size = dwBytes;
    block->lockCount = 0;
    if (uFlags & GMEM_ZEROINIT)
        std::memset(block->data, 0, dwBytes ? dwBytes : 1);
    std::lock_guard lock(BlocksMutex());
    Blocks().insert(block);
    return block;
}

LPVOID GlobalLock(HGLOBAL hMem) {
    std::lock_guard lock(BlocksMutex());
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    ++block->lockCount;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    std::lock_guard lock(BlocksMutex());
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (block->lockCount > 0)
        --block->lockCount;
    if (block->lockCount == 0)
        SetLastError(NO_ERROR);
    return block->lockCount > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    std::lock_guard lock(BlocksMutex());
    if (!hMem)
        return nullptr;
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    Blocks().erase(hMem);
    std::free(block);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
    std::lock_guard lock(BlocksMutex());
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}
