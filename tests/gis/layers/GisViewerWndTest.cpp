#include "gis/layers/GisViewerWnd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "gis/layers/GisLabelsArea.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Printers.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/TestLayer.h"
#include "tests/gis/layers/ViewerWndHost.h"

namespace {

class GisViewerWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        wnd = ShowViewerWnd(form, [this](TGIS_ViewerWnd& w) { w.TickCount = [this] { return now; }; });
    }
    // A 1000 x 500 map, shown whole.
    TTestLayer* AddMap() {
        auto* l = new TTestLayer("map", GisMakeExtent(0, 0, 1000, 500));
        l->Polygons.push_back({{{0, 0}, {1000, 0}, {1000, 500}, {0, 500}}, clGreen});
        wnd->Add(l);
        wnd->FullExtent();
        return l;
    }
    SCROLLINFO Bar(int bar) {
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        wnd->GetScrollInfo(bar, si);
        return si;
    }
    void Paint() { wnd->Perform(WM_PAINT, 0, 0); }
    // A scroll message, and the paint that follows it and brings the bars up to date.
    void Scroll(UINT msg, int code, int pos = 0) {
        wnd->Perform(msg, MAKELPARAM(code, pos), 0);
        UiTest::Flush();
    }
    std::unique_ptr<TForm> form;
    TGIS_ViewerWnd* wnd = nullptr;
    int32_t now = 1000;
};

TEST_F(GisViewerWndTest, CreatedWithTheWindowsDefaults) {
    EXPECT_EQ(wnd->Mode(), gisSelect);
    EXPECT_EQ(wnd->Cursor(), 0);
    EXPECT_TRUE(wnd->CachedPaint());
    EXPECT_TRUE(wnd->IncrementalPaint());
    EXPECT_TRUE(wnd->FullPaint());
    EXPECT_TRUE(wnd->AutoCenter());
    EXPECT_EQ(wnd->RepaintTimer()->Interval(), 200u);
    TGIS_ViewerWnd unshown(nullptr);
    EXPECT_FALSE(unshown.RepaintTimer()->Enabled());
    EXPECT_EQ(unshown.Width(), 100);
    EXPECT_EQ(unshown.Height(), 100);
    EXPECT_TRUE(GisIsSameExtent(wnd->LastExtent, GisEmptyExtent()));
    EXPECT_TRUE(wnd->Params().Style & WS_TABSTOP);
}

TEST_F(GisViewerWndTest, ModesShowTheirCursors) {
    EXPECT_EQ(Screen->Cursors(crGisHandGrab), LoadCursor(HInstance, "HANDGRAB"));
    EXPECT_NE(Screen->Cursors(crGisHandZoom), Screen->Cursors(crGisHandEdit));
    const std::pair<TGIS_ViewerMode, TCursor> table[] = {{gisDrag, 15}, {gisSelect, 16}, {gisZoom, 18},
                                                         {gisEdit, 19}, {gisUserDefined, 0}};
    for (auto [mode, cursor] : table) {
        wnd->SetMode(mode);
        EXPECT_EQ(wnd->Cursor(), cursor) << int(mode);
    }
    wnd->SetCursorForZoom(crCross);
    EXPECT_EQ(wnd->Cursor(), 0);  // not the current mode
    wnd->SetMode(gisZoom);
    EXPECT_EQ(wnd->Cursor(), crCross);
}

TEST_F(GisViewerWndTest, AnEmptyViewerIgnoresTheMouseAndScrollBars) {
    int events = 0;
    wnd->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++events; };
    wnd->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++events; };
    wnd->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++events; };
    wnd->SetMode(gisZoom);
    UiTest::MouseDown(wnd, 10, 10);
    UiTest::MouseMove(wnd, 60, 60, MK_LBUTTON);
    UiTest::MouseUp(wnd, 60, 60);
    wnd->Perform(WM_HSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(wnd->InZoom());
    AddMap();
    UiTest::MouseDown(wnd, 10, 10);
    UiTest::MouseUp(wnd, 10, 10);
    EXPECT_EQ(events, 2);
}

TEST_F(GisViewerWndTest, DragsOnlyAMapLargerThanTheWindow) {
    AddMap();
    wnd->SetMode(gisDrag);
    UiTest::MouseDown(wnd, 100, 100);
    EXPECT_FALSE(wnd->InDrag());
    UiTest::MouseUp(wnd, 100, 100);

    wnd->SetZoom(wnd->Zoom() * 4);
    const double zoom = wnd->Zoom();
    const TGIS_DoublePoint before = wnd->Delta;
    UiTest::MouseDown(wnd, 100, 100);
    EXPECT_TRUE(wnd->InDrag());
    UiTest::MouseMove(wnd, 80, 90, MK_LBUTTON);
    EXPECT_NEAR(wnd->Delta.X - before.X, 20 / zoom, 1e-9);
    EXPECT_NEAR(wnd->Delta.Y - before.Y, 10 / zoom, 1e-9);
    EXPECT_EQ(wnd->MouseStart, TPoint(80, 90));
    // Outside the window nothing moves.
    UiTest::MouseMove(wnd, -5, 90, MK_LBUTTON);
    EXPECT_NEAR(wnd->Delta.X - before.X, 20 / zoom, 1e-9);
    UiTest::MouseUp(wnd, 80, 90);
    EXPECT_FALSE(wnd->InDrag());
    EXPECT_DOUBLE_EQ(wnd->Zoom(), zoom);
    // A move with no button held ends any action.
    UiTest::MouseDown(wnd, 100, 100);
    UiTest::MouseMove(wnd, 90, 90, 0);
    EXPECT_FALSE(wnd->InDrag());
}

TEST_F(GisViewerWndTest, TheZoomBandIsDrawnAndErased) {
    AddMap();
    wnd->SetMode(gisZoom);
    Paint();
    std::unique_ptr<TBitmap> clean(wnd->CopySurface());
    const TRect client = wnd->WindowClientRect();
    auto changedOnColumn = [&](int x, int y0, int y1) {
        std::unique_ptr<TBitmap> now(wnd->CopySurface());
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            if (now->Canvas()->Pixel(client.Left + x, client.Top + y) !=
                clean->Canvas()->Pixel(client.Left + x, client.Top + y))
                ++n;
        return n;
    };
    UiTest::MouseDown(wnd, 20, 20);
    UiTest::MouseMove(wnd, 23, 60, MK_LBUTTON);  // 3 pixels wide: no band
    EXPECT_EQ(wnd->BandCorner, TPoint(-1, -1));
    UiTest::MouseMove(wnd, 80, 60, MK_LBUTTON);
    EXPECT_EQ(wnd->BandCorner, TPoint(80, 60));
    EXPECT_GT(changedOnColumn(80, 20, 60), 0);
    UiTest::MouseMove(wnd, 120, 90, MK_LBUTTON);
    EXPECT_EQ(changedOnColumn(80, 21, 59), 0);  // the old right edge is gone
    EXPECT_GT(changedOnColumn(120, 20, 90), 0);
    EXPECT_EQ(wnd->Canvas()->Pen()->Mode(), pmCopy);
}

TEST_F(GisViewerWndTest, ZoomBandZoomsInOrOut) {
    AddMap();
    wnd->SetMode(gisZoom);
    const double fit = wnd->Zoom();
    // Too small a band changes nothing.
    const TGIS_Point centre = wnd->Center();
    UiTest::MouseDown(wnd, 100, 100);
    UiTest::MouseMove(wnd, 103, 140, MK_LBUTTON);
    UiTest::MouseUp(wnd, 103, 140);
    EXPECT_DOUBLE_EQ(wnd->Zoom(), fit);
    EXPECT_TRUE(GisIsSamePoint(wnd->Center(), centre));

    // Down and right: the band's map extent fills the window.
    const TGIS_Extent band = wnd->ScreenToMapRect(TRect(100, 80, 180, 140));
    UiTest::MouseDown(wnd, 100, 80);
    UiTest::MouseMove(wnd, 180, 140, MK_LBUTTON);
    UiTest::MouseUp(wnd, 180, 140);
    const double in = wnd->Zoom();
    EXPECT_NEAR(in, std::min(wnd->DeviceWidth() / (band.XMax - band.XMin),
                             wnd->DeviceHeight() / (band.YMax - band.YMin)), 1e-9);
    EXPECT_NEAR(wnd->Center().X, (band.XMin + band.XMax) / 2, 1e-9);
    EXPECT_FALSE(wnd->InZoom());

    // Up or left: out by the band's diagonal over the window's, centred on the band.
    const TGIS_Extent back = wnd->ScreenToMapRect(TRect(150, 100, 240, 160));
    UiTest::MouseDown(wnd, 240, 160);
    UiTest::MouseMove(wnd, 150, 100, MK_LBUTTON);
    UiTest::MouseUp(wnd, 150, 100);
    const double ratio = std::hypot(90, 60) / std::hypot(wnd->DeviceWidth(), wnd->DeviceHeight());
    EXPECT_NEAR(wnd->Zoom(), std::max(in * ratio, fit), 1e-9);
    EXPECT_NEAR(wnd->Center().X, (back.XMin + back.XMax) / 2, 1e-9);
}

TEST_F(GisViewerWndTest, ScrollBarRangesAndCodes) {
    AddMap();
    for (int bar : {SB_HORZ, SB_VERT}) {
        const SCROLLINFO si = Bar(bar);
        EXPECT_EQ(si.nMax, 0);
        EXPECT_EQ(si.nPage, 1u);
        EXPECT_EQ(si.nPos, 0);
    }
    // The map fits: there is no step to scroll by.
    const TGIS_DoublePoint fitted = wnd->Delta;
    Scroll(WM_HSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(wnd->Delta.X, fitted.X);

    wnd->SetZoom(wnd->Zoom() * 4);
    UiTest::Flush();
    EXPECT_EQ(Bar(SB_HORZ).nMax, 10000);
    EXPECT_EQ(Bar(SB_HORZ).nPage, 400u);
    const double zoom = wnd->Zoom();
    // The bar spans every position the view can take.
    const double step = (1000 * zoom - wnd->DeviceWidth() + 2.0 * wnd->Margin.X) / 10000;
    const double x0 = wnd->Delta.X;
    Scroll(WM_HSCROLL, SB_LINEDOWN);
    EXPECT_NEAR((wnd->Delta.X - x0) * zoom, wnd->DeviceWidth() / 10.0, 1.0);
    EXPECT_NEAR(Bar(SB_HORZ).nPos, wnd->Delta.X * zoom / step, 1.0);
    Scroll(WM_HSCROLL, SB_TOP);
    EXPECT_NEAR(wnd->Delta.X, 0, 1e-9);
    EXPECT_EQ(Bar(SB_HORZ).nPos, 0);
    Scroll(WM_HSCROLL, SB_THUMBPOSITION, 5000);
    EXPECT_EQ(Bar(SB_HORZ).nPos, 5000);
    EXPECT_NEAR(wnd->Delta.X * zoom, 5000 * step, 1.0);
    Scroll(WM_HSCROLL, SB_BOTTOM);
    EXPECT_NEAR(wnd->Delta.X * zoom, 10000 * step, 1.0);
    const double y0 = wnd->Delta.Y;
    Scroll(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_GT(wnd->Delta.Y, y0);
    const TGIS_DoublePoint d = wnd->Delta;
    Scroll(WM_VSCROLL, SB_ENDSCROLL);  // other codes do nothing
    EXPECT_EQ(wnd->Delta.Y, d.Y);
}

TEST_F(GisViewerWndTest, ResizeKeepsTheVisibleExtent) {
    // Before the first full extent there is nothing to keep.
    wnd->SetBounds(0, 0, 300, 200);
    UiTest::Flush();
    AddMap();
    wnd->SetZoom(wnd->Zoom() * 3);
    wnd->ScrollByPixels(40, 30);
    const TGIS_Extent seen = wnd->LastExtent;
    wnd->SetBounds(0, 0, 400, 300);
    UiTest::Flush();
    const TGIS_Extent now = wnd->GetVisibleExtent();
    EXPECT_NEAR((now.XMin + now.XMax) / 2, (seen.XMin + seen.XMax) / 2, 2 / wnd->Zoom());
    EXPECT_NEAR((now.YMin + now.YMax) / 2, (seen.YMin + seen.YMax) / 2, 2 / wnd->Zoom());
    EXPECT_TRUE(wnd->RepaintTimer()->Enabled());  // a direct paint followed
}

TEST_F(GisViewerWndTest, DirectPaintThenOneCachedRepaintAfterFortyMilliseconds) {
    TTestLayer* map = AddMap();
    UiTest::Flush();
    wnd->RepaintTimer()->SetEnabled(false);
    map->ResetCounts();
    wnd->RepaintPending = true;
    Paint();
    EXPECT_GT(map->Count(TTestLayer::slPaint), 0);
    EXPECT_FALSE(wnd->DirectDraw);
    EXPECT_FALSE(wnd->RepaintPending);
    EXPECT_TRUE(wnd->RepaintTimer()->Enabled());
    EXPECT_EQ(wnd->LastPaintTick, 1000);
    now = 1039;
    wnd->RepaintTimerTick();
    EXPECT_TRUE(wnd->RepaintTimer()->Enabled());
    map->ResetCounts();
    now = 1040;
    wnd->RepaintTimerTick();
    EXPECT_FALSE(wnd->RepaintTimer()->Enabled());
    EXPECT_EQ(wnd->LastPaintTick, 1040);
    EXPECT_GT(map->Count(TTestLayer::slPaintLabels), 0);  // the cached repaint brings the labels
    EXPECT_FALSE(wnd->PaintPending());
    std::unique_ptr<TBitmap> shot(UiTest::Capture(wnd));
    EXPECT_EQ(shot->Canvas()->Pixel(wnd->Width() / 2, wnd->Height() / 2), clGreen);

    // Across the wrap of the tick below 2^31 - 1.
    now = 0x7FFFFFFE - 10;
    wnd->RepaintPending = true;
    Paint();
    now = 5;
    wnd->RepaintTimerTick();
    EXPECT_TRUE(wnd->RepaintTimer()->Enabled());
    now = 35;
    wnd->RepaintTimerTick();
    EXPECT_FALSE(wnd->RepaintTimer()->Enabled());
}

TEST_F(GisViewerWndTest, ATinyWindowPaintsNothing) {
    TTestLayer* map = AddMap();
    wnd->SetBounds(0, 0, 3, 3);
    UiTest::Flush();
    wnd->RepaintTimer()->SetEnabled(false);
    map->ResetCounts();
    wnd->RepaintPending = true;
    Paint();
    EXPECT_EQ(map->Count(TTestLayer::slPaint), 0);
    EXPECT_TRUE(wnd->RepaintPending);
    EXPECT_FALSE(wnd->RepaintTimer()->Enabled());
}

TEST_F(GisViewerWndTest, SelectClickCentresWhenAutoCentring) {
    AddMap();
    wnd->SetZoom(wnd->Zoom() * 4);
    const TGIS_Point target = wnd->ScreenToMap(TPoint(120, 100));
    UiTest::Click(wnd, 120, 100);
    EXPECT_NEAR(wnd->Center().X, target.X, 1e-9);
    EXPECT_NEAR(wnd->Center().Y, target.Y, 1e-9);
    const TGIS_Point c = wnd->ScreenToMap(TPoint(wnd->DeviceWidth() / 2, wnd->DeviceHeight() / 2));
    EXPECT_NEAR(c.X, target.X, 1 / wnd->Zoom());
    wnd->SetAutoCenter(false);
    UiTest::Click(wnd, 10, 10);
    EXPECT_NEAR(wnd->Center().X, target.X, 1e-9);
}

TEST_F(GisViewerWndTest, EditModeHoldsItsActionFromDownToUp) {
    AddMap();
    wnd->SetZoom(wnd->Zoom() * 4);
    wnd->SetMode(gisEdit);
    const TGIS_Point target = wnd->ScreenToMap(TPoint(150, 120));
    UiTest::MouseDown(wnd, 150, 120);
    EXPECT_TRUE(wnd->InEdit());
    UiTest::MouseUp(wnd, 150, 120);
    EXPECT_FALSE(wnd->InEdit());
    EXPECT_NEAR(wnd->Center().X, target.X, 1e-9);
}

TEST_F(GisViewerWndTest, PrintingHidesTheWindowAndShowsItAgain) {
    AddMap();
    bool hiddenWhilePrinting = false;
    wnd->OnBeforePaint = [&](TObject*) { hiddenWhilePrinting |= !wnd->Visible(); };
    Printer()->SetOutputFileName(std::string(QM_TEST_OUT) + "/viewer-wnd-print.pdf");
    wnd->Print();
    EXPECT_TRUE(hiddenWhilePrinting);
    EXPECT_TRUE(wnd->Visible());
    // Also when the printer cannot start.
    Printer()->SetOutputFileName(std::string(QM_TEST_OUT) + "/no/such/folder/x.pdf");
    EXPECT_THROW(wnd->Print(), EPrinter);
    EXPECT_TRUE(wnd->Visible());
    Printer()->SetOutputFileName(std::string(QM_TEST_OUT) + "/viewer-wnd-print.pdf");
    wnd->SetVisible(false);
    wnd->Print();
    EXPECT_FALSE(wnd->Visible());
    Printer()->SetOutputFileName("");
}

TEST_F(GisViewerWndTest, ThePopupMenuTakesTheRightButtonOnce) {
    AddMap();
    wnd->SetMode(gisZoom);
    TPopupMenu menu(form.get());
    wnd->SetPopupMenu(&menu);
    int popups = 0, ups = 0;
    SetPopupHook([&](TPopupMenu*) -> TMenuItem* { ++popups; return nullptr; });
    wnd->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) { ups += b == mbRight; };
    UiTest::MouseDown(wnd, 50, 50, MK_RBUTTON);
    EXPECT_FALSE(wnd->InZoom());
    UiTest::MouseUp(wnd, 50, 50, MK_RBUTTON);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(ups, 1);
    // Without a menu the right button starts the mode's action.
    wnd->SetPopupMenu(nullptr);
    UiTest::MouseDown(wnd, 50, 50, MK_RBUTTON);
    EXPECT_TRUE(wnd->InZoom());
    UiTest::MouseUp(wnd, 50, 50, MK_RBUTTON);
    EXPECT_EQ(popups, 1);
    SetPopupHook(nullptr);
}

}  // namespace
