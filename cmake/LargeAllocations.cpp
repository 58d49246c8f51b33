// Large allocations of the drawing programs, backed by huge pages where the kernel offers them.
//
// A conversion allocates a few very large blocks (the picture, the file image of the output) and
// touches every byte of them at once. Backed by 4 KiB pages, each first touch is a page fault;
// on the virtual machines the programs run on a fault costs some 16 us, so an A4 page at 300 DPI
// (35 MB) spent more time faulting its picture in than drawing it. Transparent huge pages cut the
// faults 512-fold; the kernel only gives them to memory that asks for them ("madvise" mode).
//
// The global operator new is replaced in the program that links this file. Blocks of at least
// kLargeBlock bytes come from malloc as before (glibc maps them freshly, untouched) and their
// whole 2 MiB-aligned interior is advised before anyone writes to it. operator delete stays
// libstdc++'s, which hands the block back to free. Smaller blocks are untouched.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kLargeBlock = std::size_t(4) << 20;

void AdviseHugePages(void* block, std::size_t size) {
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
    if (last > first) {
        // Only advice: where the kernel has no huge page to give, it faults small pages as before.
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}

void* Allocate(std::size_t size) noexcept {
    void* block = std::malloc(size ? size : 1);
    if (block && size >= kLargeBlock) {
        AdviseHugePages(block, size);
    }
    return block;
}

} // namespace

void* operator new(std::size_t size) {
    for (;;) {
        if (void* block = Allocate(size)) {
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (!handler) {
            throw std::bad_alloc();
        }
        handler();
    }
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
