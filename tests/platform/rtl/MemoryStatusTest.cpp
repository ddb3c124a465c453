#include "platform/rtl/MemoryStatus.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(MemoryStatus, MemAvailableLine) {
    uint64_t v = 7;
    EXPECT_TRUE(ParseMemAvailable("MemTotal:       24682256 kB\nMemFree:        10529076 kB\n"
                                  "MemAvailable:   20160508 kB\nBuffers:            2532 kB\n",
                                  v));
    EXPECT_EQ(v, 20160508ull * 1024);
    EXPECT_TRUE(ParseMemAvailable("MemAvailable: 0 kB", v));  // no line end
    EXPECT_EQ(v, 0u);
    // What is not that line, or not its form, is refused and leaves the value alone.
    v = 7;
    for (const char* bad : {"", "MemFree: 10 kB\n", "MemAvailable:\n", "MemAvailable: 12\n", "MemAvailable: 12 MB\n",
                            "MemAvailable: -12 kB\n", "MemAvailable: 1 2 kB\n", "MemAvailable: x kB\n",
                            "MemAvailable: 99999999999999999999 kB\n", "MemAvailable: 18014398509481984 kB\n",
                            " MemAvailable: 12 kB\n", "memavailable: 12 kB\n"})
        EXPECT_FALSE(ParseMemAvailable(bad, v)) << bad;
    EXPECT_EQ(v, 7u);
    // The largest figure that still fits in bytes.
    EXPECT_TRUE(ParseMemAvailable("MemAvailable: 18014398509481983 kB", v));
    EXPECT_EQ(v, 18014398509481983ull * 1024);
}

TEST(MemoryStatus, LimitAndStatFiles) {
    uint64_t v = 0;
    EXPECT_TRUE(ParseMemoryLimit("max\n", v));
    EXPECT_EQ(v, kUnboundedMemory);
    EXPECT_TRUE(ParseMemoryLimit("9223372036854771712\n", v));
    EXPECT_EQ(v, 9223372036854771712ull);
    EXPECT_TRUE(ParseMemoryLimit(" 4096 ", v));
    EXPECT_EQ(v, 4096u);
    for (const char* bad : {"", "\n", "-1", "12k", "maximum", "1 2", "18446744073709551616"})
        EXPECT_FALSE(ParseMemoryLimit(bad, v)) << bad;

    const std::string stat = "cache 14110720\nrss 8675328\ntotal_inactive_file 300\ninactive_file 5000\n";
    EXPECT_TRUE(ParseMemoryStat(stat, "inactive_file", v));
    EXPECT_EQ(v, 5000u);
    EXPECT_TRUE(ParseMemoryStat(stat, "total_inactive_file", v));
    EXPECT_EQ(v, 300u);
    EXPECT_FALSE(ParseMemoryStat(stat, "inactive", v));  // keys are whole words
    EXPECT_FALSE(ParseMemoryStat(stat, "active_file", v));
    EXPECT_FALSE(ParseMemoryStat("inactive_file\ninactive_file x\n", "inactive_file", v));
}

TEST(MemoryStatus, ControlGroupOfTheProcess) {
    std::string path;
    bool unified = true;
    // Version 1 names the memory controller, alone or with others; that line wins over the unified one.
    EXPECT_TRUE(ParseMemoryCgroup("9:name=systemd:/\n4:memory:/process_api/e4c0\n0::/\n", path, unified));
    EXPECT_EQ(path, "/process_api/e4c0");
    EXPECT_FALSE(unified);
    EXPECT_TRUE(ParseMemoryCgroup("0::/user.slice\n3:cpu,memory,pids:/a/b/\n", path, unified));
    EXPECT_EQ(path, "/a/b");
    EXPECT_FALSE(unified);
    // Version 2 alone; its root group is the mount itself.
    EXPECT_TRUE(ParseMemoryCgroup("0::/user.slice/session-2.scope\n", path, unified));
    EXPECT_EQ(path, "/user.slice/session-2.scope");
    EXPECT_TRUE(unified);
    EXPECT_TRUE(ParseMemoryCgroup("0::/\n", path, unified));
    EXPECT_EQ(path, "");
    // A memory controller named inside another word is not it; nothing usable is refused.
    path = "kept";
    for (const char* bad : {"", "garbage", "4:memoryx:/a\n", "4:memory:\n", "4:memory:relative\n",
                            "4:memory:/a/../../etc\n", "1:cpu:/a\n", "0:x:/a\n"})
        EXPECT_FALSE(ParseMemoryCgroup(bad, path, unified)) << bad;
    EXPECT_EQ(path, "kept");
}

TEST(MemoryStatus, AvailableMemory) {
    // On Linux the system always says something, and the process can take something.
    const uint64_t now = AvailableMemoryBytes();
    EXPECT_GT(now, 0u);
    SetAvailableMemoryOverride(12345);
    EXPECT_EQ(AvailableMemoryBytes(), 12345u);
    SetAvailableMemoryOverride(std::nullopt);
    EXPECT_NE(AvailableMemoryBytes(), 12345u);
    ReturnFreeMemory();
    EXPECT_EQ(StringHeapBytes(0), 0u);
    EXPECT_EQ(StringHeapBytes(15), 0u);  // kept inline
    EXPECT_EQ(StringHeapBytes(16), 32u);
    EXPECT_EQ(StringHeapBytes(23), 32u);
    EXPECT_EQ(StringHeapBytes(24), 48u);
}

}  // namespace
