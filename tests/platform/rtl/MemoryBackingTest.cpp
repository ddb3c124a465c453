#include "platform/rtl/MemoryBacking.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <vector>

namespace {

// 10 MB of a pattern with a distinct value in every word, so that a page zeroed, dropped or moved shows.
struct Pattern {
    std::vector<uint64_t> words = std::vector<uint64_t>(10u << 17);
    Pattern() {
        for (size_t i = 0; i < words.size(); ++i) words[i] = i * 0x9E3779B97F4A7C15u + 1;
    }
    bool Intact() const {
        for (size_t i = 0; i < words.size(); ++i)
            if (words[i] != i * 0x9E3779B97F4A7C15u + 1) return false;
        return true;
    }
    const uint64_t* At(size_t byte) const { return words.data() + byte / sizeof(uint64_t); }
};

TEST(MemoryBacking, HintsKeepTheContents) {
    Pattern m;
    // Unaligned slices of one allocation, out of order, overlapping and with empty ones: one run to back
    // with huge pages, a lone slice too short for one, and gaps of more than a page between runs.
    BackWithHugePages({{m.At(3 << 20), (2 << 20) + 100},
                       {m.At(104), 1 << 20},
                       {m.At((1 << 20) + 104), (2 << 20) - 8},
                       {m.At(5000), 0},
                       {nullptr, 0},
                       {m.At(8 << 20), 4096},
                       {m.At((5 << 20) + 4096 * 3), (2 << 20) + 12}});
    EXPECT_TRUE(m.Intact());
    PrefaultForWriting({m.At(12), (3 << 20) + 5});
    PrefaultForWriting({m.At(77), 0});
    EXPECT_TRUE(m.Intact());
    BackWithHugePages({});
}

TEST(MemoryBacking, FreshMemoryReadsZeroAndTakesWrites) {
    const size_t bytes = 6u << 20;
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(p, MAP_FAILED);
    auto* w = static_cast<uint64_t*>(p);
    w[0] = 7;  // touched before the hints, as an allocator's header is
    BackWithHugePages({{w + 2, bytes - 64}});
    PrefaultForWriting({w + 1, bytes - 16});
    size_t nonZero = 0;
    for (size_t i = 1; i < bytes / 8; ++i) nonZero += w[i] != 0;
    EXPECT_EQ(w[0], 7u);
    EXPECT_EQ(nonZero, 0u);
    for (size_t i = 0; i < bytes / 8; i += 511) w[i] = i;
    EXPECT_EQ(w[511 * 1000], 511u * 1000);
    munmap(p, bytes);
}

}  // namespace
