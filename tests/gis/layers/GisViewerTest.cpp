#include "gis/layers/GisViewer.h"

#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

class GisViewerTest : public ::testing::Test {
protected:
    void SetUp() override { UiTest::Init(); }
};

TEST_F(GisViewerTest, TargetBitmapIsTheDevice) {
    TGIS_Viewer v(nullptr);
    EXPECT_EQ(v.OutputMode(), gisOutputWindow);
    TBitmap bmp(40, 30, pf24bit);
    v.SetTargetBitmap(&bmp);
    v.SetOutputMode(gisOutputBitmap);
    EXPECT_EQ(v.GetCanvas(), bmp.Canvas());
    EXPECT_EQ(v.DeviceWidth(), 40);
    EXPECT_EQ(v.DeviceHeight(), 30);
    EXPECT_EQ(v.GetClipRect(), TRect(0, 0, 40, 30));
    bmp.Canvas()->IntersectClipRect(5, 6, 20, 21);
    EXPECT_EQ(v.GetClipRect(), TRect(5, 6, 20, 21));

    v.SetPrinter(nullptr, 2000, 3000);
    v.SetOutputMode(gisOutputPrinter);
    EXPECT_EQ(v.DeviceWidth(), 2000);
    EXPECT_EQ(v.DeviceHeight(), 3000);
    EXPECT_EQ(v.GetCanvas(), nullptr);

    v.SetBounds(0, 0, 120, 80);
    v.SetOutputMode(gisOutputWindow);
    EXPECT_EQ(v.DeviceWidth(), 120);
    EXPECT_EQ(v.DeviceHeight(), 80);
    EXPECT_THROW(v.SetOutputMode(9), EAssertionFailed);
    EXPECT_THROW(v.SetOutputMode(0), EAssertionFailed);
}

TEST_F(GisViewerTest, TwipsAndPixelsAt96Ppi) {
    TGIS_Viewer v(nullptr);
    TBitmap bmp(4, 4, pf24bit);
    v.SetTargetBitmap(&bmp);
    v.SetOutputMode(gisOutputBitmap);
    ASSERT_EQ(bmp.Canvas()->PixelsPerInch(), 96);
    EXPECT_EQ(v.TwipsToPixels(-7), 7);
    EXPECT_EQ(v.TwipsToPixels(0), 0);
    EXPECT_EQ(v.TwipsToPixels(1), 1);
    EXPECT_EQ(v.TwipsToPixels(15), 1);     // exactly one pixel
    EXPECT_EQ(v.TwipsToPixels(16), 1);     // 1.07
    EXPECT_EQ(v.TwipsToPixels(1440), 96);
    EXPECT_EQ(v.TwipsToPixels(150), 10);
    EXPECT_EQ(v.TwipsToPixels(37), 2);     // 2.47
    EXPECT_EQ(v.TwipsToPixels(INT32_MIN), INT32_MAX);
    EXPECT_EQ(v.PixelsToTwips(1), 15);
    EXPECT_EQ(v.PixelsToTwips(96), 1440);
    EXPECT_EQ(v.PixelsToTwips(0), 0);
}

TEST_F(GisViewerTest, SharedBuffersHoldTheirCapacity) {
    TGIS_Viewer v(nullptr);
    TPoint* pts = v.PointBuffer();
    pts[GIS_MAX_DRAW_POINTS - 1] = TPoint(1, 2);
    v.PartBuffer()[GIS_MAX_DRAW_PARTS - 1] = 7;
    EXPECT_EQ(v.PointBuffer(), pts);
    EXPECT_EQ(v.PointBuffer()[GIS_MAX_DRAW_POINTS - 1], TPoint(1, 2));
}

}  // namespace
