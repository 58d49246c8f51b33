// Large allocations of the drawing programs, backed by huge pages where the kernel offers them.
//
// A conversion allocates a few large blocks (the picture, the file image of the output) and
// touches every byte of them at once. Backed by 4 KiB pages, each first touch is a page fault;
// on the virtual machines the programs run on, a fault costs about 1 us and clearing one huge
// page about 0.1 ms, so an A4 page at 300 DPI (35 MB, 8,600 small pages) faults its picture in
// in about 9 ms with small pages against 2 ms with huge ones. Transparent huge pages cut the
// faults 512-fold; the kernel only gives them to memory that asks for them ("madvise" mode).
//
// The global operator new is replaced in the program that links this file. Blocks of at least
// kLargeBlock bytes are taken 2 MiB-aligned and rounded up to whole huge pages, so that every
// byte of them lies in one, and are advised before anyone writes to them. The rounding costs at
// most one huge page per block, and the programs hold a handful of such blocks.
// posix_memalign's blocks go back through free, so operator delete stays libstdc++'s. Smaller
// blocks are untouched.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Smaller blocks keep small pages. From about 400 KB a huge page is the cheaper way in, but
// below a few megabytes the gain is a fraction of a millisecond (0.15 ms for a 1 MB picture),
// while a block rounded up to whole huge pages keeps them resident after it is freed: a process
// that goes on drawing page after page grew from 47 to 80-90 MB with a 512 KB threshold.
constexpr std::size_t kLargeBlock = std::size_t(4) << 20;

void* AllocateHuge(std::size_t size) noexcept {
    if (size > SIZE_MAX - kHugePage) {
        return nullptr;
    }
    const std::size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    void* block = nullptr;
    if (::posix_memalign(&block, kHugePage, rounded) != 0) {
        return nullptr;
    }
    // Only advice: where the kernel has no huge page to give, it faults small pages as before.
    ::madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}

void* Allocate(std::size_t size) noexcept {
    if (size >= kLargeBlock) {
        return AllocateHuge(size);
    }
    return std::malloc(size ? size : 1);
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
