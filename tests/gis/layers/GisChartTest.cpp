#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gis/layers/GisChart.h"
#include "gis/layers/GisParams.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

constexpr double kMissing = 9e307;

class GisChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiTest::Init();
        bmp_ = std::make_unique<TBitmap>(200, 200, pf24bit);
        bmp_->Canvas()->Brush()->SetColor(clWhite);
        bmp_->Canvas()->FillRect(TRect(0, 0, 200, 200));
    }
    TColor At(int x, int y) const { return bmp_->Canvas()->Pixel(x, y); }
    int Count(TColor c) const {
        int n = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) n += At(x, y) == c;
        return n;
    }
    void Draw(const std::vector<double>& v, uint8_t style, int size = 80) {
        GisDrawChart(*bmp_->Canvas(), {100, 100}, size, v, style);
    }
    std::unique_ptr<TBitmap> bmp_;
};

TEST_F(GisChartTest, PieSlicesRunClockwiseFromTwelveInEntryColours) {
    Draw({0, 0, 1, 1, 2}, gisChartPie);
    bmp_->SaveToPNG(TestDir("chart") + "/pie.png");
    EXPECT_EQ(At(115, 85), clRed);    // first quarter: twelve to three
    EXPECT_EQ(At(115, 115), clLime);  // second quarter: three to six
    EXPECT_EQ(At(85, 115), clBlue);   // the half
    EXPECT_EQ(At(85, 85), clBlue);
    EXPECT_EQ(At(102, 63), clRed);    // the square's edge is size, its radius half of it
    EXPECT_EQ(At(98, 63), clBlue);    // the last slice closes at twelve
    EXPECT_EQ(At(100, 57), clWhite);
}

TEST_F(GisChartTest, PieSkipsZeroNegativeAndMissingValuesButKeepsTheirColours) {
    Draw({0, 0, 0, -3, kMissing, 1}, gisChartPie);
    // Entry 5 is the fourth colour, whatever came before it; alone it fills the whole disc.
    EXPECT_EQ(At(110, 80), clFuchsia);
    EXPECT_EQ(At(90, 120), clFuchsia);
    EXPECT_EQ(Count(clRed) + Count(clLime) + Count(clBlue), 0);
}

TEST_F(GisChartTest, NinthValueIsGreyAndLaterEntriesAreIgnored) {
    std::vector<double> v(13, 0);
    v[10] = 1;   // the ninth value
    v[11] = 5;   // beyond the ninth: ignored
    v[12] = 5;
    Draw(v, gisChartPie);
    EXPECT_EQ(At(110, 80), clGray);
    EXPECT_EQ(At(90, 120), clGray);
}

TEST_F(GisChartTest, BarsRiseAndHangFromTheZeroLine) {
    // Range |-5| + 10 = 15 over 60 pixels: 4 pixels a unit; zero line at 100 - 30 + 60 - 20 = 110.
    Draw({0, 10, 5, -5, 10}, gisChartBar, 60);
    bmp_->SaveToPNG(TestDir("chart") + "/bars.png");
    // Three positions of 20 pixels: gap 4, bar 16, from x 70.
    const int mid0 = 70 + 8, mid1 = 70 + 20 + 8, mid2 = 70 + 40 + 8;
    EXPECT_EQ(At(mid0, 110 - 10), clRed);
    EXPECT_EQ(At(mid0, 110 - 22), clWhite);  // 20 high
    EXPECT_EQ(At(mid1, 110 + 10), clLime);
    EXPECT_EQ(At(mid1, 110 + 22), clWhite);  // 20 deep
    EXPECT_EQ(At(mid2, 110 - 38), clBlue);
    EXPECT_EQ(At(mid2, 110 - 42), clWhite);  // 40 high
    EXPECT_EQ(At(88, 100), clWhite);  // the gap after the first bar
}

TEST_F(GisChartTest, NothingToDrawDrawsNothing) {
    Draw({0, 10, kMissing, kMissing}, gisChartBar);  // every value missing, though the range is not 0
    Draw({0, 0, 0, 0}, gisChartBar);                 // zero range
    Draw({0, 0, 0, 0}, gisChartPie);                 // zero sum
    Draw({0, 10}, gisChartBar);                      // no value at all
    Draw({0, 10, 5}, 7);                             // no such style
    EXPECT_EQ(Count(clWhite), 200 * 200);
}

TEST_F(GisChartTest, SmallChartsHaveNoOutlines) {
    const TColor outline = 0x010101;
    Draw({0, 0, 1, 1}, gisChartPie, 14);
    EXPECT_EQ(Count(outline), 0);
    Draw({0, 0, 1, 1}, gisChartPie, 40);
    EXPECT_GT(Count(outline), 0);
}

}  // namespace
