// Counting a request without building it, and refusing one that would not fit the memory.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/unTessarRgPub.h"
#include "platform/rtl/MemoryStatus.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/RecordingReport.h"

namespace {

TDmsAngle A(double d, double m = 0, double s = 0) { return {d, m, s}; }

const char* const kNoMemory = "可用内存不足以容纳这些图幅，请缩小范围！";
constexpr uint64_t kMiB = uint64_t{1} << 20;

// 1:10,000 over 115-120 E, 35-40 N: 80 columns of 120 rows, 9,600 sheets; 1:5,000: 38,400.
const TDmsExtent kWindow = {A(115), A(35), A(120), A(40)};

class Memory : public ::testing::Test {
protected:
    void TearDown() override { SetAvailableMemoryOverride(std::nullopt); }
    // What the refusal says, or "" when the call went through.
    template <class Call>
    static std::string Refusal(Call call) {
        try {
            call();
        } catch (const ERangeError& e) {
            return e.Message;
        }
        return "";
    }
};

TEST_F(Memory, CountsAgreeWithWhatIsBuilt) {
    TStandardTessarols t;
    for (int scale : {0, 3, 6, 7}) {
        GetNewTessarols(kWindow, false, true, 0, scale, t);
        size_t n = 0;
        for (auto& c : t) n += c.size();
        EXPECT_EQ(TessarolCount(kWindow, scale), static_cast<long long>(n)) << scale;
    }
    EXPECT_EQ(TessarolCount(kWindow, 6), 9600);
    // No width, or width without height: nothing, wherever it lies.
    EXPECT_EQ(TessarolCount({A(116, 10), A(39), A(116, 10), A(40)}, 3), 0);
    EXPECT_EQ(TessarolCount({A(116), A(39, 50), A(116, 30), A(39, 50)}, 3), 0);
    // Refused as the enumerators refuse, with their texts.
    EXPECT_EQ(Refusal([] { TessarolCount({A(116, 30), A(39), A(116), A(40)}, 3); }), "右上角经度必须大于左下角经度！");
    EXPECT_EQ(Refusal([] { TessarolCount({A(116), A(40), A(116, 30), A(39)}, 3); }), "右上角纬度必须大于左下角纬度！");
    EXPECT_EQ(Refusal([] { TessarolCount({A(0), A(0), A(180), A(88)}, 7); }), "图幅数量超过两千万，请缩小范围！");
    EXPECT_EQ(Refusal([] { TessarolCount({A(100), A(80), A(110), A(89)}, 0); }),
              "范围超出图幅系统的区域（东经0°至180°，北纬0°至88°）！");
    EXPECT_EQ(Refusal([] { TessarolCount({A(NAN), A(0), A(1), A(1)}, 0); }), "经纬度不是有效的数值！");
    EXPECT_EQ(Refusal([] { TessarolCount(kWindow, 8); }), "比例尺不正确！");
    EXPECT_EQ(Refusal([] { TessarolCount(kWindow, -1); }), "比例尺不正确！");

    TStringList list;
    list.SetText("J-50\r\nnot a sheet\r\nJ-50-5\r\nJ50D001005\r\nA-05\r\n");
    // 1:1,000,000 to 1:10,000: 96 x 96, the two 1:100,000 sheets 8 x 8 each; the western sheet adds none.
    EXPECT_EQ(ConvertedTessarolCount(list, 6), 96 * 96 + 64 + 64);
    ConvertSheetNoList(list, 6, true, false, true, 0, t);
    size_t n = 0;
    for (auto& row : t) n += row.size();
    EXPECT_EQ(n, size_t{96 * 96 + 128});
    EXPECT_EQ(ConvertedTessarolCount(list, 0), 3);
    EXPECT_EQ(Refusal([&] { ConvertedTessarolCount(list, 8); }), "比例尺不正确！");

    // A grid: its count and its longest name, or -1 for what the builder refuses.
    size_t longest = 0;
    EXPECT_EQ(CustomTessarolCount({0, 0, 2000, 1000}, 1, 1, true, "[ROW]+[COL]", 1000, 500, longest), 4);
    EXPECT_EQ(longest, 3u);
    EXPECT_EQ(CustomTessarolCount({0, 0, 2500, 1000}, 9, 99, true, "图[ROW]-[col]", 1000, 500, longest), 6);
    EXPECT_EQ(longest, 2u + 2 + 1 + 3);  // rows 9..10, columns 99..101, snapped outward to 3 columns
    EXPECT_EQ(CustomTessarolCount({0, 0, 10, 10}, 1, 1, false, "[Y]-[X]", 1, 1, longest), 100);
    EXPECT_EQ(longest, 15u);  // two kilometre fields of up to "-100.00"
    EXPECT_EQ(CustomTessarolCount({0, 0, 10, 10}, 2147483640, 1, true, "[ROW]", 1, 1, longest), 100);
    EXPECT_EQ(longest, 11u);  // row numbers past the largest int wrap round to negative ones
    longest = 7;
    EXPECT_EQ(CustomTessarolCount({5, 5, 5, 9}, 1, 1, true, "[ROW]", 1, 1, longest), 0);
    EXPECT_EQ(CustomTessarolCount({0, 0, 10, 10}, 1, 1, true, "sheet", 1, 1, longest), -1);
    EXPECT_EQ(CustomTessarolCount({0, 0, 10, 10}, 1, 1, false, "[ROW]", 1, 1, longest), -1);
    EXPECT_EQ(CustomTessarolCount({0, 0, 10, 10}, 1, 1, true, "[ROW]", 0, 1, longest), -1);
    EXPECT_EQ(CustomTessarolCount({0, 0, 10, 10}, 1, 1, true, "[ROW]", 1, NAN, longest), -1);
    EXPECT_EQ(CustomTessarolCount({0, 0, 1e7, 1e7}, 1, 1, true, "[ROW]", 1, 1, longest), -1);
}

TEST_F(Memory, FitsCountsWhatIsReleasedAndNeverOverflows) {
    SetAvailableMemoryOverride(200 * kMiB);
    EXPECT_TRUE(TessarMemoryFits(1000000, 100));              // 95 MiB and the reserve
    EXPECT_FALSE(TessarMemoryFits(1000000, 150));             // 143 MiB and the reserve of 64
    EXPECT_TRUE(TessarMemoryFits(1000000, 150, 20 * kMiB));   // once 20 MiB are freed first
    EXPECT_FALSE(TessarMemoryFits(1000000, 100, 0, 50 * kMiB));
    EXPECT_FALSE(TessarMemoryFits(1LL << 40, size_t{1} << 40));
    EXPECT_FALSE(TessarMemoryFits(1, 8, 0, UINT64_MAX));
    EXPECT_TRUE(TessarMemoryFits(1000000, 100, UINT64_MAX));
    EXPECT_TRUE(TessarMemoryFits(0, 1000));
    EXPECT_TRUE(TessarMemoryFits(-5, 1000));
    // Small requests are not weighed at all: even with nothing left they go through.
    SetAvailableMemoryOverride(0);
    EXPECT_TRUE(TessarMemoryFits(1000, 192));
    EXPECT_FALSE(TessarMemoryFits(1000000, 192));
    SetAvailableMemoryOverride(kUnboundedMemory);
    EXPECT_TRUE(TessarMemoryFits(1000000000, 1000));
    EXPECT_EQ(Refusal([] { CheckTessarMemory(1000000000, 1000); }), "");
    SetAvailableMemoryOverride(kMiB);
    EXPECT_EQ(Refusal([] { CheckTessarMemory(1000000, 192); }), kNoMemory);
}

TEST_F(Memory, BuildersRefuseBeforeAllocatingAndKeepTheCallersResult) {
    TStandardTessarols t;
    GetTessarols100k({A(116), A(39, 40), A(116, 30), A(40)}, false, true, 117, t);
    ASSERT_EQ(t.size(), 1u);
    // 38,400 sheets of 192 bytes are 7 MiB: too few to weigh; 1:5,000 over 115-135 E, 25-40 N are
    // 460,800 sheets, 84 MiB.
    SetAvailableMemoryOverride(40 * kMiB);
    GetNewTessarols(kWindow, false, true, 0, 7, t);
    EXPECT_EQ(t.size(), 160u);
    const TDmsExtent wide = {A(115), A(25), A(135), A(40)};
    EXPECT_EQ(TessarolCount(wide, 7), 460800);
    GetTessarols100k({A(116), A(39, 40), A(116, 30), A(40)}, false, true, 117, t);
    EXPECT_EQ(Refusal([&] { GetNewTessarols(wide, false, true, 0, 7, t); }), kNoMemory);
    EXPECT_EQ(Refusal([&] { GetTessarols5k(wide, false, true, 0, t); }), kNoMemory);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0][0].SheetNo, "J-50-5");
    SetAvailableMemoryOverride(200 * kMiB);
    GetNewTessarols(wide, false, true, 0, 7, t);
    EXPECT_EQ(t.size(), 640u);

    // A conversion the same: 1:1,000,000 to 1:5,000 is 36,864 sheets a line.
    TStringList list;
    for (int i = 0; i < 5; ++i) list.Add("J-50");
    SetAvailableMemoryOverride(40 * kMiB);
    GetTessarols100k({A(116), A(39, 40), A(116, 30), A(40)}, false, true, 117, t);
    EXPECT_EQ(Refusal([&] { ConvertSheetNoList(list, 7, true, false, true, 0, t); }), kNoMemory);
    EXPECT_EQ(t[0][0].SheetNo, "J-50-5");

    // A grid reports it and delivers nothing; its names count when they cannot live in the record. 500,000
    // sheets of 64 bytes are 30.5 MiB; with names of 35 bytes they take 53.4 MiB.
    RecordingReport report;
    TCustomTessarols grid(1, std::vector<TCustomTessarol>(1));
    grid[0][0].Name = "old";
    EXPECT_FALSE(CreateCustomTessarols({0, 0, 1000, 500}, 1, 1, true, "[ROW]+[COL]", 1, 1, grid));
    ASSERT_EQ(report.calls.size(), 1u);
    EXPECT_EQ(report.calls[0].first, kNoMemory);
    EXPECT_EQ(report.calls[0].second, "错误");
    EXPECT_EQ(grid[0][0].Name, "old");
    SetAvailableMemoryOverride(100 * kMiB);
    const std::string longName = "第[ROW]行第[COL]列的图幅（独立坐标系）";
    size_t longest = 0;
    EXPECT_EQ(CustomTessarolCount({0, 0, 1000, 500}, 1, 1, true, longName, 1, 1, longest), 500000);
    EXPECT_EQ(longest, 35u);
    EXPECT_FALSE(CreateCustomTessarols({0, 0, 1000, 500}, 1, 1, true, longName, 1, 1, grid));
    EXPECT_EQ(report.calls.size(), 2u);
    EXPECT_TRUE(CreateCustomTessarols({0, 0, 1000, 500}, 1, 1, true, "[ROW]+[COL]", 1, 1, grid));
    ASSERT_EQ(grid.size(), 500u);
    EXPECT_EQ(grid[499][999].Name, "500+1000");
}

}  // namespace
