// The programs' operator new: large blocks ask for huge pages, small ones are left alone, and
// every block still comes back through delete.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The VmFlags of the mapping that holds address, from /proc/self/smaps; empty when none does.
std::string FlagsOfMappingAt(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        std::uintptr_t begin = 0, end = 0;
        char dash = 0;
        std::istringstream fields(line);
        if (line.find(' ') > line.find('-') && (fields >> std::hex >> begin >> dash >> end) &&
            dash == '-') {
            inside = at >= begin && at < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

[[maybe_unused]] bool AdvisedHuge(const void* address) {
    const std::string flags = FlagsOfMappingAt(address);
    return flags.find(" hg") != std::string::npos;
}

TEST(LargeAllocations, LargeBlocksAskForHugePages) {
#ifndef TALLYVANE_LARGE_ALLOCATIONS
    GTEST_SKIP() << "this build keeps the library's operator new";
#else
    const std::size_t sizes[] = {std::size_t(4) << 20, (std::size_t(35) << 20) + 4321};
    for (std::size_t size : sizes) {
        SCOPED_TRACE(size);
        std::vector<unsigned char> picture(size, 0xAB);
        EXPECT_TRUE(AdvisedHuge(picture.data() + size / 2));
        EXPECT_EQ(picture[size - 1], 0xAB);
    }
    auto array = std::make_unique<std::uint32_t[]>(std::size_t(3) << 20);
    EXPECT_TRUE(AdvisedHuge(array.get() + (std::size_t(3) << 19)));

    // A block just over the threshold lies in whole huge pages, from its first byte to its last.
    std::vector<unsigned char> rounded((std::size_t(4) << 20) + 4321, 0xCD);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(rounded.data()) % (std::size_t(2) << 20), 0u);
    EXPECT_TRUE(AdvisedHuge(rounded.data()));
    EXPECT_TRUE(AdvisedHuge(rounded.data() + rounded.size() - 1));

    // The picture of a small page keeps small pages: it would gain a fraction of a millisecond.
    std::vector<unsigned char> page(std::size_t(563) * 422 * 4, 1);
    EXPECT_FALSE(AdvisedHuge(page.data() + page.size() / 2));
#endif
}

TEST(LargeAllocations, FailureStillThrowsOrAnswersNull) {
#ifndef TALLYVANE_LARGE_ALLOCATIONS
    // The sanitizers' own operator new ends the process on such a request instead.
    GTEST_SKIP() << "this build keeps the library's operator new";
#endif
    const std::size_t impossible = std::size_t(1) << 62;
    EXPECT_THROW((void)::operator new(impossible), std::bad_alloc);
    EXPECT_EQ(::operator new(impossible, std::nothrow), nullptr);
    EXPECT_EQ(::operator new[](impossible, std::nothrow), nullptr);
}

} // namespace
