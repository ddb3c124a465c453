// The main window's preview menu: by page, the list it previews and the kind of preview.
#include "app/unPreview.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"
#include "tests/app/MainWindowFixture.h"
#include "widgets/VtStatus.h"

namespace {

class PreviewMenu : public MainWindow {};

struct Opened {
    int count = 0;
    size_t sheets = 0;
    bool geographic = false, isGlobal = false;
    std::string countText;
};

// Runs a menu command and records the preview it shows (closed at once).
template <class F>
Opened OpenPreview(F command) {
    Opened o;
    SetModalHook([&o](TCustomForm* dlg) {
        if (auto* p = dynamic_cast<TfrmPreview*>(dlg)) {
            ++o.count;
            o.isGlobal = p == frmPreview;
            o.geographic = p->IsGeographic;
            o.sheets = p->SheetLayer() ? p->SheetLayer()->Shapes.size() : 0;
            o.countText = p->Pane(6)->Caption();
        }
        dlg->SetModalResult(mrCancel);
    });
    command();
    SetModalHook(nullptr);
    return o;
}

TEST_F(PreviewMenu, MenuOpensTheActivePagesList) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    const size_t n = f->Sheets54().size();
    ASSERT_GT(n, 0u);
    Opened o = OpenPreview([&] { f->N5Click(nullptr); });
    EXPECT_EQ(o.count, 1);
    EXPECT_TRUE(o.isGlobal);
    EXPECT_TRUE(o.geographic);
    EXPECT_EQ(o.sheets, n);
    EXPECT_EQ(o.countText, "共" + std::to_string(n) + "个图幅");
    EXPECT_EQ(frmPreview, nullptr);
    o = OpenPreview([&] { f->N6Click(nullptr); });
    EXPECT_EQ(o.count, 1);
    EXPECT_FALSE(o.geographic);
    EXPECT_EQ(o.sheets, n);

    // The grid page previews its sheets in metres, and only projected.
    SmallGrid();
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(OpenPreview([&] { f->N5Click(nullptr); }).count, 0);
    o = OpenPreview([&] { f->N6Click(nullptr); });
    EXPECT_EQ(o.count, 1);
    EXPECT_FALSE(o.geographic);
    EXPECT_EQ(o.sheets, 2u);
}

// The sheets are loaded before the window is shown maximised: once shown, the view still holds every sheet.
TEST_F(PreviewMenu, TheShownWindowFitsTheSheetsLoadedBeforeIt) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    double zoom = 0;
    TGIS_Extent visible{}, sheets{};
    SetModalHook([&](TCustomForm* dlg) {
        if (auto* p = dynamic_cast<TfrmPreview*>(dlg)) {
            UiTest::Flush();
            zoom = p->Viewer()->Zoom();
            visible = p->Viewer()->GetVisibleExtent();
            sheets = p->SheetLayer()->Extent;
        }
        dlg->SetModalResult(mrCancel);
    });
    f->N5Click(nullptr);
    SetModalHook(nullptr);
    EXPECT_GT(zoom, 0);
    const double px = 2 / zoom;
    EXPECT_LE(visible.XMin, sheets.XMin + px);
    EXPECT_GE(visible.XMax, sheets.XMax - px);
    EXPECT_LE(visible.YMin, sheets.YMin + px);
    EXPECT_GE(visible.YMax, sheets.YMax - px);
}

// The window opens maximised, whatever its size in the resource: its client area fills the work area but for
// a frame, so the status bar at its bottom is on the screen.
TEST_F(PreviewMenu, TheWindowOpensOverTheWholeWorkArea) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    TRect client;
    SetModalHook([&](TCustomForm* dlg) {
        if (auto* p = dynamic_cast<TfrmPreview*>(dlg)) {
            UiTest::Flush();
            const TPoint o = p->ClientOrigin();
            client = TRect(o.X, o.Y, o.X + p->ClientWidth(), o.Y + p->ClientHeight());
        }
        dlg->SetModalResult(mrCancel);
    });
    f->N5Click(nullptr);
    SetModalHook(nullptr);
    const TRect work = Screen->WorkAreaRect();
    const int frame = 8;
    EXPECT_GE(client.Left, work.Left);
    EXPECT_GE(client.Top, work.Top);
    EXPECT_LE(client.Right, work.Right);
    EXPECT_LE(client.Bottom, work.Bottom);
    EXPECT_LE(client.Left - work.Left + work.Right - client.Right, 2 * frame);
    EXPECT_LE(client.Top - work.Top + work.Bottom - client.Bottom, 2 * frame);
}

TEST_F(PreviewMenu, OfTheConversionPageAsksWhichList) {
    Page(3);
    UiTest::AnswerMessageBoxes(IDNO);
    const Opened o = OpenPreview([&] { f->N5Click(nullptr); });
    EXPECT_EQ(UiTest::LastMessageBoxText(), "预览目标图幅号请点“是”，预览原图幅号请点“否”。");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "确认");
    // An empty list: the preview opens without sheets.
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.sheets, 0u);
    EXPECT_EQ(o.countText, "");
    UiTest::AnswerMessageBoxes(0);
}

}  // namespace
