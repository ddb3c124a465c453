#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gis/layers/GisParams.h"
#include "gis/layers/GisViewer.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Printers.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/TestLayer.h"

namespace {

using Slot = TTestLayer::Slot;

TTestLayer::Polygon Box(double x1, double y1, double x2, double y2, TColor c) {
    return {{{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}, c};
}

// Paints itself as the windowed viewer does, so that a paint message brings the clip of what is invalid.
class TDrawnViewer : public TGIS_Viewer {
public:
    using TGIS_Viewer::TGIS_Viewer;

protected:
    void Paint() override { Draw(); }
};

// The application exists before the viewer is made.
struct UiReady {
    UiReady() { UiTest::Init(); }
};

class GisViewerDrawTest : public ::testing::Test, private UiReady {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 200, 100);
        v.SetColor(clWhite);
    }
    // A layer over the map 0..w x 0..h; after Add the zoom is 1 and map (x, y) is device (x + 1, h - y + 1).
    TTestLayer* AddLayer(const std::string& name, double w = 200, double h = 100) {
        auto* l = new TTestLayer(name, GisMakeExtent(0, 0, w, h));
        v.Add(l);
        v.SetZoom(1.0);
        return l;
    }
    // "name.slot.pass" of every paint slot the layer runs.
    void Record(TTestLayer* l) {
        l->OnSlot = [this, l](Slot s) {
            const char* names[] = {"Paint", "Shapes", "Editor", "Labels", "Charts", "Skipped"};
            if (s <= TTestLayer::slPaintSkipped)
                log.push_back(l->Name + "." + names[s] + "." + std::to_string(v.PaintPass));
        };
    }
    TColor Shown(int x, int y) { return v.Canvas()->Pixel(x, y); }

    TDrawnViewer v{nullptr};
    std::vector<std::string> log;
};

TEST_F(GisViewerDrawTest, TopLayerOutsideTheCacheIsPaintedAloneInTheSecondPass) {
    TTestLayer* a = AddLayer("a");
    TTestLayer* b = AddLayer("b");
    a->Polygons = {Box(10, 10, 100, 90, clRed)};
    a->Charts = {{{150, 50}, 6, clLime}};
    b->Polygons = {Box(50, 20, 80, 40, clBlue)};
    b->CachedPaint = false;
    Record(a);
    Record(b);
    v.Draw();
    EXPECT_EQ(log, (std::vector<std::string>{"a.Paint.1", "a.Shapes.1", "a.Charts.1", "a.Labels.1", "b.Paint.2",
                                             "b.Shapes.2", "b.Charts.2", "b.Labels.2"}));
    EXPECT_EQ(Shown(20, 50), clRed);
    EXPECT_EQ(Shown(60, 70), clBlue);  // map (59, 31)
    EXPECT_EQ(Shown(151, 51), clLime);  // the chart overlay, pasted over the cache
    EXPECT_EQ(Shown(190, 10), clWhite);
    EXPECT_EQ(v.LockCount, 0);
    EXPECT_EQ(v.OutputMode(), gisOutputWindow);

    // The cache is reused: only the top layer paints again.
    log.clear();
    v.Draw();
    EXPECT_EQ(log, (std::vector<std::string>{"b.Paint.2", "b.Shapes.2", "b.Charts.2", "b.Labels.2"}));
    EXPECT_EQ(Shown(151, 51), clLime);

    // With every layer cached, pass 2 has nothing to do.
    b->CachedPaint = true;
    v.InvalidateCache();
    log.clear();
    v.Draw();
    EXPECT_EQ(log, (std::vector<std::string>{"a.Paint.1", "a.Shapes.1", "a.Charts.1", "a.Labels.1", "b.Paint.1",
                                             "b.Shapes.1", "b.Charts.1", "b.Labels.1"}));
    EXPECT_EQ(Shown(60, 70), clBlue);
}

TEST_F(GisViewerDrawTest, LayersOutOfViewOrInactiveAreOnlyTold) {
    TTestLayer* a = AddLayer("a");
    auto* far = new TTestLayer("far", GisMakeExtent(5000, 5000, 5100, 5100));
    v.Add(far);
    v.SetZoom(1.0);
    v.SetVisibleExtent(GisMakeExtent(0, 0, 200, 100));
    a->Active = false;
    auto* top = new TTestLayer("top", GisMakeExtent(0, 0, 200, 100));
    v.Add(top);
    v.SetCachedPaint(false);
    Record(a);
    Record(far);
    Record(top);
    v.Draw();
    EXPECT_EQ(log, (std::vector<std::string>{"a.Skipped.0", "far.Skipped.0", "top.Paint.0", "top.Shapes.0",
                                             "a.Skipped.0", "far.Skipped.0", "top.Charts.0", "a.Skipped.0",
                                             "far.Skipped.0", "top.Labels.0"}));
}

TEST_F(GisViewerDrawTest, AfterAScrollOnlyTheUncoveredStripIsPainted) {
    TTestLayer* a = AddLayer("a", 400, 100);
    a->Polygons = {Box(0, 0, 190, 100, clRed), Box(190, 0, 400, 100, clBlue)};
    v.SetFullPaint(false);
    TForm form(nullptr);
    form.SetBounds(0, 0, 260, 160);
    v.SetParent(&form);
    struct Leave {
        TControl& c;
        ~Leave() { c.SetParent(nullptr); }
    } leave{v};
    form.Show();
    UiTest::Flush();
    ASSERT_FALSE(IsWindowCovered(&v));
    ASSERT_EQ(Shown(180, 50), clRed);
    ASSERT_EQ(Shown(195, 50), clBlue);
    // A mark in the cache that only a repaint of the whole cache would wipe out.
    v.CacheBitmap()->Canvas()->SetPixel(50, 50, clLime);

    int dx = 20, dy = 0;
    v.MoveViewport(dx, dy);
    ASSERT_EQ(dx, 20);
    a->ResetCounts();
    const TRect strip(180, 0, 200, 100);
    InvalidateRect(&v, &strip, FALSE);
    UiTest::Flush();
    EXPECT_EQ(a->Count(TTestLayer::slPaint), 1);
    TCanvas* cache = v.CacheBitmap()->Canvas();
    EXPECT_EQ(cache->Pixel(30, 50), clLime);   // moved, not repainted
    EXPECT_EQ(cache->Pixel(160, 50), clRed);
    EXPECT_EQ(cache->Pixel(175, 50), clBlue);  // moved in from the right
    EXPECT_EQ(cache->Pixel(190, 50), clBlue);  // the strip
    EXPECT_EQ(Shown(190, 50), clBlue);
}

TEST_F(GisViewerDrawTest, TransparentLayersBlendIntoTheCache) {
    TTestLayer* a = AddLayer("a");
    TTestLayer* b = AddLayer("b");
    a->Polygons = {Box(0, 0, 200, 100, clRed)};
    b->Polygons = {Box(10, 10, 50, 90, clBlue), Box(60, 10, 90, 90, clBlack)};
    b->Params->SetTransparency(50);
    v.Draw();
    EXPECT_EQ(Shown(30, 50), TColor(0x7F0080));  // red 255 - 127, blue 0 + 127
    EXPECT_EQ(Shown(70, 50), clRed);              // black is the key colour
    EXPECT_EQ(Shown(150, 50), clRed);             // nothing painted there

    b->Params->SetTransparency(60);
    b->Params->SetAddition(50);
    v.InvalidateCache();
    v.Draw();
    EXPECT_EQ(Shown(30, 50), TColor(0x7F0099));  // red (60 x 255) div 100, blue (50 x 255) div 100

    // Out of range: opaque, not a transparency of 44 with an addition of 1.
    b->Params->SetTransparency(300);
    b->Params->SetAddition(0);
    v.InvalidateCache();
    v.Draw();
    EXPECT_EQ(Shown(30, 50), clBlue);

    // On a target bitmap too.
    b->Params->SetTransparency(50);
    TBitmap target(200, 100, pf24bit);
    v.SetTargetBitmap(&target);
    v.SetOutputMode(gisOutputBitmap);
    v.Draw();
    v.SetOutputMode(gisOutputWindow);
    EXPECT_EQ(target.Canvas()->Pixel(30, 50), TColor(0x7F0080));
    EXPECT_EQ(target.Canvas()->Pixel(70, 50), clRed);
}

// Map points a quarter pixel off the pixel grid, so that no rounding sits on a half.
TTestLayer* TiledScene(TGIS_Viewer& v) {
    auto* l = new TTestLayer("tiles", GisMakeExtent(0, 0, 1300, 700));
    l->Polygons = {Box(100.25, 100.25, 1200.25, 600.25, clBlue), Box(480.25, 480.25, 560.25, 560.25, clYellow),
                   {{{500.25, 20.25}, {1290.25, 680.25}, {20.25, 690.25}}, clRed}};
    l->Charts = {{{511.25, 188.25}, 10, clLime}};
    v.Add(l);
    v.SetZoom(1.0);
    return l;
}

TEST_F(GisViewerDrawTest, CanvasInTilesEqualsOnePass) {
    TiledScene(v);
    TBitmap ref(1300, 700, pf24bit);
    v.SetTargetBitmap(&ref);
    v.SetOutputMode(gisOutputBitmap);
    v.Draw();

    TBitmap canvas(1400, 800, pf24bit);
    canvas.Canvas()->Brush()->SetColor(clFuchsia);
    canvas.Canvas()->FillRect(TRect(0, 0, 1400, 800));
    std::vector<std::pair<int, int>> busy;
    v.OnBusy = [&](TObject*, int32_t pos, int32_t end, bool&) { busy.emplace_back(pos, end); };
    v.SetTargetCanvas(canvas.Canvas(), TRect(0, 0, 1300, 700));
    v.SetOutputMode(gisOutputCanvas);
    const TGIS_DoublePoint delta = v.Delta;
    v.Draw();
    EXPECT_EQ(v.OutputMode(), gisOutputCanvas);
    EXPECT_EQ(v.Delta.X, delta.X);
    EXPECT_EQ(v.Delta.Y, delta.Y);
    EXPECT_EQ(v.DeviceOffset.X, 0);
    EXPECT_EQ(busy, (std::vector<std::pair<int, int>>{{0, 6}, {1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}));
    int differ = 0;
    for (int y = 0; y < 700; ++y)
        for (int x = 0; x < 1300; ++x) differ += canvas.Canvas()->Pixel(x, y) != ref.Canvas()->Pixel(x, y);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(canvas.Canvas()->Pixel(1350, 750), clFuchsia);  // outside the rectangle

    // Abort after the second tile: the rest of the canvas is left alone.
    canvas.Canvas()->Brush()->SetColor(clFuchsia);
    canvas.Canvas()->FillRect(TRect(0, 0, 1400, 800));
    busy.clear();
    v.OnBusy = [&](TObject*, int32_t pos, int32_t end, bool& abort) {
        busy.emplace_back(pos, end);
        abort = pos == 2;
    };
    v.Draw();
    EXPECT_EQ(busy, (std::vector<std::pair<int, int>>{{0, 6}, {1, 6}, {2, 6}}));
    EXPECT_EQ(canvas.Canvas()->Pixel(600, 300), ref.Canvas()->Pixel(600, 300));  // second tile
    EXPECT_EQ(canvas.Canvas()->Pixel(1100, 300), clFuchsia);                    // third
    EXPECT_EQ(canvas.Canvas()->Pixel(300, 600), clFuchsia);                     // second row
    EXPECT_EQ(v.Delta.X, delta.X);
    EXPECT_EQ(v.LockCount, 0);
    v.SetOutputMode(gisOutputWindow);
}

TEST_F(GisViewerDrawTest, AfterALayerRaisedTheNextPaintWorks) {
    TTestLayer* a = AddLayer("a");
    a->Polygons = {Box(0, 0, 200, 100, clRed)};
    TTestLayer* b = AddLayer("b");
    b->Polygons = {Box(10, 10, 50, 90, clBlue)};
    b->Params->SetTransparency(50);
    const TGIS_DoublePoint delta = v.Delta;
    int before = 0, after = 0;
    v.OnBeforePaint = [&](TObject*) { ++before; };
    v.OnAfterPaint = [&](TObject*) { ++after; };
    b->Raise(TTestLayer::slPaint);
    EXPECT_THROW(v.Draw(), EGIS_Exception);
    EXPECT_EQ(v.LockCount, 0);
    EXPECT_EQ(v.OutputMode(), gisOutputWindow);
    EXPECT_EQ(v.TargetMode, 0);
    EXPECT_EQ(v.PaintPass, 0);
    EXPECT_FALSE(v.DirectDraw);
    EXPECT_EQ(v.Delta.X, delta.X);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 0);

    b->Raise(TTestLayer::slPaint, false);
    a->ResetCounts();
    v.Draw();  // the half-drawn cache is not reused
    EXPECT_EQ(a->Count(TTestLayer::slPaint), 1);
    EXPECT_EQ(Shown(30, 50), TColor(0x7F0080));
    EXPECT_EQ(after, 1);

    // Raising in a tile of a caller's canvas.
    TBitmap canvas(300, 200, pf24bit);
    v.SetTargetCanvas(canvas.Canvas(), TRect(0, 0, 300, 200));
    v.SetOutputMode(gisOutputCanvas);
    a->Raise(TTestLayer::slPaint);
    EXPECT_THROW(v.Draw(), EGIS_Exception);
    EXPECT_EQ(v.OutputMode(), gisOutputCanvas);
    EXPECT_EQ(v.DeviceOffset.X, 0);
    EXPECT_EQ(v.LockCount, 0);
    v.SetOutputMode(gisOutputWindow);
}

TEST_F(GisViewerDrawTest, BackgroundTileScrollsWithTheMap) {
    TBitmap tile(8, 2, pf24bit);
    tile.Canvas()->Brush()->SetColor(clRed);
    tile.Canvas()->FillRect(TRect(0, 0, 4, 2));
    tile.Canvas()->Brush()->SetColor(clLime);
    tile.Canvas()->FillRect(TRect(4, 0, 8, 2));
    v.SetTilePicture(&tile);
    TBitmap target(20, 4, pf24bit);
    v.SetTargetBitmap(&target);
    v.SetOutputMode(gisOutputBitmap);
    v.Delta.X = 3;
    v.Draw();
    // Tile column 3 at x 0, so red ends at x 1 and every 8 pixels on.
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), clRed);
    EXPECT_EQ(target.Canvas()->Pixel(1, 3), clLime);
    EXPECT_EQ(target.Canvas()->Pixel(5, 1), clRed);
    EXPECT_EQ(target.Canvas()->Pixel(9, 1), clLime);
    // A view before the extent's edge leaves no gap before the first tile.
    target.Canvas()->Brush()->SetColor(clBlue);
    target.Canvas()->FillRect(TRect(0, 0, 20, 4));
    v.Delta.X = -3;
    v.Draw();
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), clLime);  // tile column 5
    EXPECT_EQ(target.Canvas()->Pixel(3, 0), clRed);
    v.SetOutputMode(gisOutputWindow);
}

TEST_F(GisViewerDrawTest, DrawsNothingWhileLockedOrWithoutDevice) {
    TTestLayer* a = AddLayer("a");
    v.LockCount = 1;
    v.Draw();
    v.LockCount = 0;
    v.SetBounds(0, 0, 0, 100);
    v.Draw();
    EXPECT_EQ(a->Count(TTestLayer::slPaint), 0);
    v.DirectDraw = true;
    v.SetBounds(0, 0, 200, 100);
    v.LockCount = 1;
    v.DrawDirect();
    EXPECT_EQ(a->Count(TTestLayer::slPaint), 0);
    v.LockCount = 0;
}

// ---------------------------------------------------------------- printing
class GisViewerPrintTest : public GisViewerDrawTest {
protected:
    void TearDown() override { Printer()->SetOutputFileName(""); }
    std::string Pdf(const std::string& name) {
        std::string path = std::string(QM_TEST_OUT) + "/" + name + ".pdf";
        std::filesystem::remove(path);
        Printer()->SetOutputFileName(path);
        return path;
    }
};

TEST_F(GisViewerPrintTest, PageWithBandsAndAFramedMap) {
    TTestLayer* a = AddLayer("a");
    a->Polygons = {Box(0, 0, 200, 100, clRed)};
    v.FullExtent();
    v.PrintTitle = "Quillmark";
    v.PrintFooter = "footer";
    const double zoom = v.Zoom();
    const TGIS_DoublePoint delta = v.Delta;
    const TGIS_Point center = v.Center();
    const TPoint margin = v.Margin;
    const std::string pdf = Pdf("viewer_print");
    v.Print();
    EXPECT_EQ(v.Zoom(), zoom);
    EXPECT_EQ(v.Delta.X, delta.X);
    EXPECT_EQ(v.Delta.Y, delta.Y);
    EXPECT_EQ(v.Center().X, center.X);
    EXPECT_EQ(v.Margin.X, margin.X);
    EXPECT_EQ(v.Margin.Y, margin.Y);
    EXPECT_EQ(v.OutputMode(), gisOutputWindow);
    EXPECT_EQ(v.DeviceOffset.X, 0);
    EXPECT_EQ(v.DeviceWidth(), 200);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    if (std::system("command -v pdftoppm > /dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm is not installed";
    const std::string png = std::string(QM_TEST_OUT) + "/viewer_print";
    ASSERT_EQ(std::system(("pdftoppm -r 30 -png -singlefile '" + pdf + "' '" + png + "'").c_str()), 0);
    TBitmap page;
    page.LoadFromFile(png + ".png");
    const int pw = page.Width(), ph = page.Height();
    // The map fills the page width, as wide as the extent's aspect lets it, centred between the bands.
    auto red = [&](int x, int y) {
        const TColor c = page.Canvas()->Pixel(x, y);
        return GetRValue(c) > 200 && GetGValue(c) < 80;
    };
    EXPECT_TRUE(red(pw / 2, ph / 2));
    EXPECT_TRUE(red(pw / 8, ph / 2));
    EXPECT_FALSE(red(pw / 2, ph / 8));
    // Dark pixels of the title near the top, of the footer near the bottom, of the frame along the sides.
    auto darkRow = [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < pw; ++x)
                if (GetRValue(page.Canvas()->Pixel(x, y)) < 100) return true;
        return false;
    };
    EXPECT_TRUE(darkRow(0, ph / 30));
    EXPECT_TRUE(darkRow(ph - ph / 40, ph));
    int frame = 0;
    for (int x = 0; x < 3; ++x) frame += GetGValue(page.Canvas()->Pixel(x, ph / 4)) < 160;
    EXPECT_GT(frame, 0);
}

TEST_F(GisViewerPrintTest, NoJobWhenEmptyOrPainting) {
    std::string pdf = Pdf("viewer_print_empty");
    v.Print();
    EXPECT_FALSE(std::filesystem::exists(pdf));
    AddLayer("a");
    v.LockCount = 1;
    v.Print();
    v.LockCount = 0;
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_FALSE(Printer()->Printing());
}

TEST_F(GisViewerPrintTest, APrinterThatCannotStartLeavesTheWindowPainting) {
    TTestLayer* a = AddLayer("a");
    a->Polygons = {Box(0, 0, 200, 100, clRed)};
    const double zoom = v.Zoom();
    Printer()->SetOutputFileName(std::string(QM_TEST_OUT) + "/no/such/folder/x.pdf");
    EXPECT_THROW(v.Print(), EPrinter);
    EXPECT_FALSE(Printer()->Printing());
    EXPECT_EQ(v.OutputMode(), gisOutputWindow);
    EXPECT_EQ(v.LockCount, 0);
    EXPECT_EQ(v.Zoom(), zoom);
    v.Draw();
    EXPECT_EQ(a->Count(TTestLayer::slPaint), 1);
    EXPECT_EQ(Shown(30, 50), clRed);
}

TEST_F(GisViewerPrintTest, TransparentLayersPrintInTiles) {
    TTestLayer* a = AddLayer("a");
    a->Polygons = {Box(0, 0, 200, 100, clRed)};
    a->Params->SetTransparency(50);
    v.FullExtent();
    int tiles = 0;
    v.OnBusy = [&](TObject*, int32_t pos, int32_t end, bool&) { tiles = end, (void)pos; };
    Pdf("viewer_print_tiles");
    v.Print();
    // A4 at 300 dpi: five tiles across the page, at least three down the map.
    EXPECT_GE(tiles, 5 * 3);
    EXPECT_EQ(v.OutputMode(), gisOutputWindow);
}

}  // namespace
