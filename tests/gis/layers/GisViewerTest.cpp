#include "gis/layers/GisViewer.h"

#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/TestLayer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gis/core/GisProjections.h"
#include "gis/layers/GisLabelsArea.h"

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


// A 200 x 100 window over one layer of 100 x 50 map units, at the fit zoom: 1.96, margins 2 and 1.
class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 200, 100);
        layer = new TTestLayer("base", {0, 0, 100, 50});
        v.Add(layer);
        v.FullExtent();
    }
    struct App {
        App() { UiTest::Init(); }
    } app;
    TGIS_Viewer v{nullptr};
    TTestLayer* layer = nullptr;
};

TEST_F(ViewerFixture, MapAndScreenBothWays) {
    ASSERT_DOUBLE_EQ(v.Zoom(), 1.96);
    EXPECT_EQ(v.Margin, TPoint(2, 1));
    EXPECT_EQ(v.MapToScreen({0, 50}), TPoint(2, 1));
    EXPECT_EQ(v.MapToScreen({100, 0}), TPoint(198, 99));
    EXPECT_EQ(v.MapToScreenRect({0, 0, 100, 50}), TRect(2, 1, 198, 99));
    const TGIS_Point m = v.ScreenToMap(TPoint(198, 99));
    EXPECT_NEAR(m.X, 100, 1e-9);
    EXPECT_NEAR(m.Y, 0, 1e-9);

    // Past the fit both margins are 1; halves go to the even neighbour.
    v.SetZoom(2.5);
    EXPECT_EQ(v.Margin, TPoint(1, 1));
    EXPECT_EQ(v.MapToScreen({0.2, 50}).X, 1);  // 0.5
    EXPECT_EQ(v.MapToScreen({0.6, 50}).X, 3);  // 1.5
    const TGIS_Point f = v.MapToScreenF({0.2, 49.8});
    EXPECT_NEAR(f.X, 1.5, 1e-9);
    EXPECT_NEAR(f.Y, 1.5, 1e-9);

    v.Delta = {10, 4};
    v.DeviceOffset = TPoint(100, 200);
    EXPECT_EQ(v.MapToScreen({10, 46}), TPoint(101, 201));
    const TGIS_Extent e = v.ScreenToMapRect(TRect(101, 201, 126, 226));
    EXPECT_NEAR(e.XMin, 10, 1e-9);
    EXPECT_NEAR(e.XMax, 20, 1e-9);
    EXPECT_NEAR(e.YMin, 36, 1e-9);
    EXPECT_NEAR(e.YMax, 46, 1e-9);
}

// The pixel and the exact position worked out together are the two conversions' own, to the bit: offsets of
// opposite signs make the order of the additions show in the last place, and far or broken points saturate alike.
TEST_F(ViewerFixture, PixelAndExactPositionAtOnceAreEachConversionsOwn) {
    v.SetZoom(3.0000001);
    v.Delta = {0.1, -0.7};
    v.DeviceOffset = TPoint(-1003, 77);
    const double nan = std::nan(""), inf = HUGE_VAL;
    const TGIS_Point points[] = {{0.2, 49.8},  {0.1 + 1e-9, 50}, {1e300, -1e300}, {-4e8, 4e8},
                                 {nan, 1},     {1, nan},         {inf, -inf},     {0.30000000000000004, 1.0 / 3}};
    for (const TGIS_Point& p : points) {
        TGIS_Point exact;
        const TPoint q = v.MapToScreen(p, exact);
        const TGIS_Point f = v.MapToScreenF(p);
        EXPECT_EQ(q, v.MapToScreen(p)) << p.X << " " << p.Y;
        EXPECT_EQ(std::memcmp(&exact, &f, sizeof f), 0) << p.X << " " << p.Y;
    }
}

TEST_F(ViewerFixture, FarPointsSaturateInsteadOfWrapping) {
    v.SetZoom(1e6);
    const TPoint far = v.MapToScreen({5000, -5000});
    EXPECT_EQ(far.X, (1 << 30) + 1);
    EXPECT_EQ(far.Y, (1 << 30) + 1);
    EXPECT_EQ(v.MapToScreen({-5000, 5000}), TPoint(-(1 << 30) + 1, -(1 << 30) + 1));
    const TRect r = v.MapToScreenRect({-1e12, -1e12, 1e12, 1e12});
    EXPECT_LT(r.Left, 0);
    EXPECT_GT(r.Right, 0);
}

TEST(GisViewerEmpty, ConversionsNeedZoomAndExtent) {
    UiTest::Init();
    TGIS_Viewer v(nullptr);
    EXPECT_TRUE(v.IsEmpty());
    v.SetZoom(0);  // no layers: stored as given
    EXPECT_EQ(v.Zoom(), 0);
    EXPECT_THROW(v.MapToScreen({0, 0}), EAbort);
    EXPECT_THROW(v.ScreenToMap(TPoint(0, 0)), EAbort);
    v.SetZoom(-3);
    EXPECT_EQ(v.Zoom(), -3);
    v.SetZoom(2);
    EXPECT_THROW(v.MapToScreenRect({0, 0, 1, 1}), EAssertionFailed);
    EXPECT_THROW(v.ScreenToMapRect(TRect(0, 0, 1, 1)), EAssertionFailed);
    EXPECT_EQ(v.GetScale(), 1.0);
    EXPECT_EQ(v.GetFitZoom(), 1.0);
    EXPECT_TRUE(GisIsSameExtent(v.GetVisibleExtent(), {0, 0, 0, 0}));
    EXPECT_EQ(v.Locate({0, 0}, 10), nullptr);
}

TEST_F(ViewerFixture, ZoomIsClampedAtTheFitAndCentresANarrowExtent) {
    v.SetZoom(0.5);
    EXPECT_DOUBLE_EQ(v.Zoom(), 1.96);
    int zooms = 0;
    v.OnZoomChange = [&](TObject*) { ++zooms; };
    v.Delta = {3, 3};
    v.SetZoom(1.97);
    EXPECT_EQ(zooms, 1);
    // 200 - 197 leaves 3 pixels: margin 1, Delta 0 on that axis; 100 - 98.5 leaves 1.5: margin 0.
    EXPECT_EQ(v.Margin, TPoint(1, 0));
    EXPECT_EQ(v.Delta.X, 0);
    EXPECT_EQ(v.Delta.Y, 0);
    v.SetZoom(3);
    EXPECT_EQ(v.Margin, TPoint(1, 1));

    // A one-point extent fits at 1.
    TGIS_Viewer w(nullptr);
    w.SetBounds(0, 0, 50, 50);
    w.Add(new TTestLayer("p", {5, 5, 5, 5}));
    EXPECT_EQ(w.GetFitZoom(), 1.0);

    // A window with no room inside its margins still zooms above 0, never turning the map over.
    for (const TRect& r : {TRect(0, 0, 200, 0), TRect(0, 0, 1, 100), TRect(0, 0, 0, 0)}) {
        v.SetBounds(r.Left, r.Top, r.Right, r.Bottom);
        EXPECT_GT(v.GetFitZoom(), 0) << r.Right << "x" << r.Bottom;
        v.FullExtent();
        EXPECT_GT(v.Zoom(), 0) << r.Right << "x" << r.Bottom;
    }
}

TEST_F(ViewerFixture, VisibleExtentAndFullExtent) {
    v.SetVisibleExtent({20, 10, 40, 20});
    EXPECT_DOUBLE_EQ(v.Zoom(), 10.0);  // min(200 / 20, 100 / 10)
    EXPECT_EQ(v.Center().X, 30);
    EXPECT_EQ(v.Center().Y, 15);

    // An extent that does not touch the map changes only the margins.
    v.Margin = TPoint(7, 7);
    v.SetVisibleExtent({200, 200, 300, 300});
    EXPECT_EQ(v.Margin, TPoint(1, 1));
    EXPECT_DOUBLE_EQ(v.Zoom(), 10.0);
    EXPECT_EQ(v.Center().X, 30);

    v.Delta = {5, 5};
    v.FullExtent();
    EXPECT_DOUBLE_EQ(v.Zoom(), 1.96);
    EXPECT_EQ(v.Center().X, 50);
    EXPECT_EQ(v.Center().Y, 25);
    const TGIS_Extent e = v.GetVisibleExtent();
    EXPECT_NEAR(e.XMin, -2 / 1.96, 1e-9);
    EXPECT_NEAR(e.YMax, 50 + 1 / 1.96, 1e-9);
}

TEST_F(ViewerFixture, MoveViewportClampsToTheExtentAndMargins) {
    v.SetZoom(2.5);  // the map is 250 x 125 pixels
    int dx = 1000, dy = 1000;
    v.MoveViewport(dx, dy);
    EXPECT_EQ(dx, 52);  // Round((100 - 80) * 2.5) + 2
    EXPECT_EQ(dy, 27);  // Round((50 - 40) * 2.5) + 2
    EXPECT_DOUBLE_EQ(v.Delta.X, 20.8);
    EXPECT_DOUBLE_EQ(v.Delta.Y, 10.8);
    dx = -1000;
    dy = -5;
    v.MoveViewport(dx, dy);
    EXPECT_EQ(dx, -52);
    EXPECT_EQ(dy, -5);
    EXPECT_DOUBLE_EQ(v.Delta.X, 0);
    EXPECT_DOUBLE_EQ(v.Delta.Y, 8.8);
    // The cache cannot be reused after a move.
    EXPECT_NE(v.CacheOrigin.X, v.Delta.X);

    TGIS_Viewer empty(nullptr);
    empty.SetZoom(0);
    EXPECT_THROW(empty.MoveViewport(dx, dy), EAssertionFailed);
}

TEST_F(ViewerFixture, MoveViewportShiftsTheCachedPicture) {
    TBitmap* cache = v.CacheBitmap();
    cache->SetPixelFormat(pf24bit);
    cache->SetSize(200, 100);
    cache->Canvas()->Brush()->SetColor(clWhite);
    cache->Canvas()->FillRect(TRect(0, 0, 200, 100));
    cache->Canvas()->SetPixel(50, 40, clRed);
    v.SetZoom(2.5);
    int dx = 10, dy = 5;
    v.MoveViewport(dx, dy);
    EXPECT_EQ(cache->Canvas()->Pixel(40, 35), clRed);
    EXPECT_EQ(cache->Canvas()->Pixel(50, 40), clWhite);
}

TEST_F(ViewerFixture, ScaleInMetresAndDegrees) {
    v.SetZoom(4);  // 1 pixel = 0.25 m
    const double pixelMetres = 15.0 / 1440 * 2.54 / 100;
    EXPECT_NEAR(v.GetScale(), pixelMetres / 0.25, 1e-12);

    if (std::system("command -v cs2cs >/dev/null 2>&1") != 0) GTEST_SKIP() << "cs2cs (proj-bin) is not installed";
    TGIS_Viewer d(nullptr);
    d.SetBounds(0, 0, 200, 100);
    d.Units.SetCode(20);  // decimal degrees
    d.Add(new TTestLayer("deg", {100, 30, 110, 40}));
    d.SetZoom(10);
    const TGIS_Point a = d.ScreenToMap(TPoint(100, 50)), b = d.ScreenToMap(TPoint(101, 50));
    char cmd[256];
    std::snprintf(cmd, sizeof cmd,
                  "printf '%.12f %.12f\\n%.12f %.12f\\n' | cs2cs -f %%.6f +proj=longlat +datum=WGS84 +to "
                  "+proj=geocent +datum=WGS84",
                  a.X, a.Y, b.X, b.Y);
    FILE* p = popen(cmd, "r");
    ASSERT_TRUE(p);
    double ax, ay, az, bx, by, bz;
    ASSERT_EQ(std::fscanf(p, "%lf %lf %lf %lf %lf %lf", &ax, &ay, &az, &bx, &by, &bz), 6);
    pclose(p);
    EXPECT_NEAR(d.GetScale(), pixelMetres / std::hypot(ax - bx, ay - by), 1e-9);
}

TEST_F(ViewerFixture, AddRejectsADuplicateNameIgnoringCase) {
    TTestLayer dup("BASE", {0, 0, 1, 1});
    try {
        v.Add(&dup);
        FAIL();
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 80);
        EXPECT_NE(e.Message.find("BASE"), std::string::npos);
    }
    EXPECT_EQ(dup.Count(TTestLayer::slOpen), 1);  // refused after it was opened
    EXPECT_EQ(dup.Viewer, nullptr);
    EXPECT_EQ(v.LayerCount(), 1);
    EXPECT_EQ(v.Get("Base"), layer);
    EXPECT_EQ(v.Get("none"), nullptr);

    // A layer held already, here or by another viewer, is refused before it is opened again.
    EXPECT_THROW(v.Add(layer), EGIS_Exception);
    TGIS_Viewer other(nullptr);
    EXPECT_THROW(other.Add(layer), EGIS_Exception);
    EXPECT_EQ(layer->Count(TTestLayer::slOpen), 1);
    EXPECT_EQ(layer->Viewer, &v);
    EXPECT_EQ(v.LayerCount(), 1);
}

TEST_F(ViewerFixture, AFailingStepAfterOpenLeavesTheLayerWithTheCaller) {
    TTestLayer bad("bad", {500, 500, 600, 600});
    bad.Raise(TTestLayer::slReadConfig);
    EXPECT_THROW(v.Add(&bad), EGIS_Exception);
    EXPECT_EQ(v.LayerCount(), 1);
    EXPECT_EQ(bad.Viewer, nullptr);
    EXPECT_TRUE(GisIsSameExtent(v.Extent, {0, 0, 100, 50}));

    // The steps in order, each once.
    auto* l = new TTestLayer("second", {0, 0, 0, 10});
    std::vector<TTestLayer::Slot> order;
    l->OnSlot = [&](TTestLayer::Slot s) { order.push_back(s); };
    v.Add(l);
    EXPECT_EQ(order, (std::vector<TTestLayer::Slot>{TTestLayer::slOpen, TTestLayer::slRecalcExtent,
                                                    TTestLayer::slPrepareRTree, TTestLayer::slReadConfig}));
    EXPECT_EQ(l->Name, "second");
}

TEST_F(ViewerFixture, ExtentChangesKeepTheViewInPlace) {
    v.SetZoom(4);
    v.Delta = {10, 5};
    const TGIS_Point before = v.ScreenToMap(TPoint(20, 20));
    int changes = 0;
    v.OnExtentChange = [&](TObject*) { ++changes; };
    layer->SetExtent({-30, 0, 100, 80});
    EXPECT_EQ(changes, 1);
    EXPECT_DOUBLE_EQ(v.Delta.X, 40);
    EXPECT_DOUBLE_EQ(v.Delta.Y, 35);
    const TGIS_Point after = v.ScreenToMap(TPoint(20, 20));
    EXPECT_DOUBLE_EQ(after.X, before.X);
    EXPECT_DOUBLE_EQ(after.Y, before.Y);
    layer->SetExtent({-30, 0, 100, 80});  // the same: no event
    EXPECT_EQ(changes, 1);

    // Cut by the restricted extent; no overlap leaves the all-zero extent.
    v.RestrictedExtent = {0, 0, 50, 50};
    v.RecalcExtent();
    EXPECT_TRUE(GisIsSameExtent(v.Extent, {0, 0, 50, 50}));
    v.RestrictedExtent = {1000, 1000, 2000, 2000};
    v.RecalcExtent();
    EXPECT_TRUE(GisIsSameExtent(v.Extent, {0, 0, 0, 0}));

    // Closing leaves an empty viewer, Delta back at the origin.
    v.Close();
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_TRUE(GisIsSameExtent(v.Extent, GisEmptyExtent()));
    EXPECT_EQ(v.Delta.X, 0);
    EXPECT_EQ(v.Delta.Y, 0);
}

// Finds a given shape at a given distance.
class LocatingLayer : public TTestLayer {
public:
    LocatingLayer(const std::string& name, TGIS_Shape* shape, double distance)
        : TTestLayer(name, {0, 0, 10, 10}), shape_(shape), distance_(distance) {}
    TGIS_Shape* LocateEx(const TGIS_Point&, double tolerance, int32_t excludeUid, double& distance, int&,
                         TGIS_Point&) override {
        EXPECT_EQ(excludeUid, -1);
        if (distance_ < 0) throw EGIS_Exception(GIS_RS_ERR_UNTESTED, "", 0);
        if (distance_ > tolerance) return nullptr;
        distance = distance_;
        return shape_;
    }

private:
    TGIS_Shape* shape_;
    double distance_;
};

TEST_F(ViewerFixture, LocateTakesTheNearestAndTiesGoToTheLaterLayer) {
    int tokens[3];
    auto shape = [&](int i) { return reinterpret_cast<TGIS_Shape*>(&tokens[i]); };
    v.Add(new LocatingLayer("a", shape(0), 2));
    v.Add(new LocatingLayer("raises", shape(2), -1));
    v.Add(new LocatingLayer("b", shape(1), 2));
    EXPECT_EQ(v.Locate({1, 1}, 5), shape(1));
    v.Add(new LocatingLayer("c", shape(2), 1));
    EXPECT_EQ(v.Locate({1, 1}, 5), shape(2));
    v.Get("c")->Active = false;
    EXPECT_EQ(v.Locate({1, 1}, 5), shape(1));
    EXPECT_EQ(v.Locate({1, 1}, 1), nullptr);
}

TEST_F(ViewerFixture, PaintFlagsAndColour) {
    EXPECT_TRUE(v.CachedPaint());
    EXPECT_TRUE(v.IncrementalPaint());
    EXPECT_FALSE(v.FullPaint());
    v.SetFullPaint(false);
    EXPECT_FALSE(v.IncrementalPaint());
    v.SetIncrementalPaint(true);
    EXPECT_TRUE(v.FullPaint());

    v.SetColor(clRed);
    EXPECT_EQ(v.Color(), clRed);
    EXPECT_EQ(v.TControl::Color(), clRed);
    v.SetOutputMode(gisOutputPrinter);
    v.SetColor(clBlue);  // stored only
    EXPECT_EQ(v.Color(), clBlue);
    EXPECT_EQ(v.TControl::Color(), clRed);
    v.SetOutputMode(gisOutputLabels);
    EXPECT_EQ(v.Color(), clWhite);
    v.SetOutputMode(gisOutputBitmap);
    EXPECT_EQ(v.Color(), clWhite);  // what was returned last was stored
    v.SetOutputMode(gisOutputWindow);
    EXPECT_EQ(v.Color(), clRed);

    EXPECT_EQ(std::string(v.PrintTitleFont()->Name()), "Arial");
    EXPECT_EQ(v.PrintTitleFont()->Size(), 18);
    EXPECT_EQ(v.PrintFooterFont()->Style(), TFontStyles(0));
    EXPECT_EQ(v.CodePage, 936);
    EXPECT_EQ(v.CharSet, 1);
}

TEST_F(ViewerFixture, DevicesOfTheWorkBitmapsAndTheCallersCanvas) {
    TBitmap target(300, 200, pf24bit);
    v.SetTargetCanvas(target.Canvas(), TRect(10, 10, 110, 60));
    v.SetOutputMode(gisOutputCanvas);
    EXPECT_EQ(v.GetCanvas(), target.Canvas());
    EXPECT_EQ(v.DeviceWidth(), 110);
    EXPECT_EQ(v.DeviceHeight(), 60);
    EXPECT_EQ(v.GetClipRect(), TRect(0, 0, 110, 60));
    v.SetOutputMode(gisOutputLabels);
    EXPECT_EQ(v.GetCanvas(), v.LabelsBitmap()->Canvas());
    EXPECT_EQ(v.DeviceWidth(), 0);
    v.SetOutputMode(gisOutputTransparency);
    EXPECT_EQ(v.GetCanvas(), v.TransparencyBitmap()->Canvas());
    EXPECT_EQ(v.DeviceWidth(), 200);
    EXPECT_EQ(v.DeviceHeight(), 100);
}

TEST_F(ViewerFixture, InvalidationMarksTheCacheStale) {
    v.CacheOrigin = {v.Delta.X, v.Delta.Y};
    v.Invalidate();
    EXPECT_EQ(v.CacheOrigin.X, v.Delta.X + 1.0);
    v.CacheOrigin = {v.Delta.X, v.Delta.Y};
    v.InvalidateExtent({0, 0, 10, 10}, false);
    EXPECT_EQ(v.CacheOrigin.X, v.Delta.X);
    v.InvalidateExtent({0, 0, 10, 10}, true);
    EXPECT_EQ(v.CacheOrigin.X, v.Delta.X + 1.0);
    v.ExtentChangedFlag = false;
    // The window system's update paints what is pending and nothing more.
    UpdateWindow(v.Handle());
    EXPECT_FALSE(v.ExtentChangedFlag);
    v.Update();
    EXPECT_TRUE(v.ExtentChangedFlag);
}

TEST(GisViewerProjection, ARegisteredProjectionIsSharedAndAnOwnOneFreed) {
    UiTest::Init();
    TGIS_ProjectionAbstract* gec = GisProjectionList().FindByCode("GEC");
    ASSERT_NE(gec, nullptr);
    {
        TGIS_Viewer v(nullptr);
        v.SetProjection(gec);
        v.SetProjection(gec->NewInstance().release());  // frees nothing; the new one is the viewer's
    }  // ASan reports the own instance if it leaks
    EXPECT_EQ(GisProjectionList().FindByCode("GEC"), gec);
    EXPECT_EQ(gec->Code(), "GEC");
}

}  // namespace
