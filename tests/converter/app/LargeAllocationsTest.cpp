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

    // The picture of a small page: less than one huge page, yet in one, from its first byte.
    std::vector<unsigned char> page(std::size_t(563) * 422 * 4, 0xCD);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(page.data()) % (std::size_t(2) << 20), 0u);
    EXPECT_TRUE(AdvisedHuge(page.data()));
    EXPECT_TRUE(AdvisedHuge(page.data() + page.size() - 1));

    std::vector<unsigned char> small(std::size_t(128) << 10, 1);
    EXPECT_FALSE(AdvisedHuge(small.data() + small.size() / 2));
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
