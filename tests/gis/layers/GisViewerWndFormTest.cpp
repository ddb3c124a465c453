// The viewer window read from a form resource, as the preview holds it.
#include <gtest/gtest.h>

#include "gis/layers/GisEditor.h"
#include "gis/layers/GisViewerWnd.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

class TfrmViewerHost : public TForm {
public:
    explicit TfrmViewerHost(TComponent* owner) : TForm(owner) {}
    static const TClassInfo& StaticClass() {
        static const TClassInfo ci = [] {
            TClassInfo c{"TfrmViewerHost", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("GISMouseDown", &TfrmViewerHost::GISMouseDown),
                         Method("GISMouseMove", &TfrmViewerHost::GISMouseMove),
                         Method("GISMouseUp", &TfrmViewerHost::GISMouseUp),
                         Method("GISExtentChange", &TfrmViewerHost::GISExtentChange)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    void GISMouseDown(TObject*, TMouseButton, TShiftState, int, int) { ++downs; }
    void GISMouseMove(TObject*, TShiftState, int, int) {}
    void GISMouseUp(TObject*, TMouseButton, TShiftState, int, int) {}
    void GISExtentChange(TObject*) {}
    int downs = 0;
};

// The preview's settings of its viewer.
const char* kPreview = R"(object frmViewerHost: TfrmViewerHost
  Width = 320
  Height = 240
  object GIS: TGIS_ViewerWnd
    Left = 0
    Top = 0
    Width = 320
    Height = 240
    Cursor = 16
    CachedPaint = True
    IncrementalPaint = True
    FullPaint = True
    Editor.ShowFast = True
    CodePage = 936
    OutCodePage = 936
    CharSet = 1
    Mode = gisSelect
    AutoCenter = False
    Align = alClient
    OnMouseDown = GISMouseDown
    OnMouseMove = GISMouseMove
    OnMouseUp = GISMouseUp
  end
end
)";

class GisViewerWndForm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UiTest::Init();
        RegisterViewerClasses();
        RegisterClass(TfrmViewerHost::StaticClass());
    }
};

TEST_F(GisViewerWndForm, ThePreviewsViewerLoads) {
    ASSERT_NE(GetClass("TGIS_ViewerWnd"), nullptr);
    std::unique_ptr<TfrmViewerHost> f(new TfrmViewerHost(nullptr));
    ReadComponentResource(f.get(), kPreview);
    auto* gis = dynamic_cast<TGIS_ViewerWnd*>(f->FindComponent("GIS"));
    ASSERT_NE(gis, nullptr);
    EXPECT_EQ(gis->Parent(), f.get());
    gis->HandleNeeded();
    EXPECT_EQ(gis->Cursor(), 16);
    EXPECT_TRUE(gis->CachedPaint());
    EXPECT_TRUE(gis->IncrementalPaint());
    EXPECT_TRUE(gis->FullPaint());
    EXPECT_TRUE(gis->Editor()->ShowFast);
    EXPECT_EQ(gis->CodePage, 936);
    EXPECT_EQ(gis->OutCodePage, 936);
    EXPECT_EQ(gis->CharSet, 1);
    EXPECT_EQ(gis->Mode(), gisSelect);
    EXPECT_FALSE(gis->AutoCenter());
    EXPECT_EQ(gis->Align(), alClient);
    EXPECT_TRUE(gis->OnMouseDown && gis->OnMouseMove && gis->OnMouseUp);
    // What the resource leaves out keeps the window's defaults.
    EXPECT_EQ(gis->BorderStyle(), bsSingle);
    EXPECT_EQ(gis->ScrollBars(), ssBoth);
    EXPECT_EQ(gis->MinZoomSize(), -5);
    EXPECT_EQ(gis->CursorForZoom(), 0);
    EXPECT_TRUE(gis->Params().ExStyle & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(gis->Params().Style & WS_HSCROLL);
    EXPECT_TRUE(gis->Params().Style & WS_VSCROLL);
}

TEST_F(GisViewerWndForm, TheWindowsOwnPropertiesLoad) {
    const char* text = R"(object frmViewerHost: TfrmViewerHost
  object GIS: TGIS_ViewerWnd
    BorderStyle = bsNone
    ScrollBars = ssVertical
    Mode = gisZoom
    CursorForZoom = 5
    CursorForDrag = 6
    CursorForSelect = 7
    CursorForEdit = 8
    MinZoomSize = 120
    OnExtentChange = GISExtentChange
  end
end
)";
    std::unique_ptr<TfrmViewerHost> f(new TfrmViewerHost(nullptr));
    ReadComponentResource(f.get(), text);
    auto* gis = dynamic_cast<TGIS_ViewerWnd*>(f->FindComponent("GIS"));
    ASSERT_NE(gis, nullptr);
    gis->HandleNeeded();
    EXPECT_EQ(gis->BorderStyle(), bsNone);
    EXPECT_EQ(gis->ScrollBars(), ssVertical);
    EXPECT_EQ(gis->Mode(), gisZoom);
    EXPECT_EQ(gis->Cursor(), 5);  // the zoom mode's own cursor
    EXPECT_EQ(gis->CursorForDrag(), 6);
    EXPECT_EQ(gis->CursorForSelect(), 7);
    EXPECT_EQ(gis->CursorForEdit(), 8);
    EXPECT_EQ(gis->MinZoomSize(), 120);
    EXPECT_TRUE(gis->OnExtentChange);
    EXPECT_FALSE(gis->Params().Style & WS_HSCROLL);
    EXPECT_TRUE(gis->Params().Style & WS_VSCROLL);
    EXPECT_FALSE(gis->Params().ExStyle & WS_EX_CLIENTEDGE);
    EXPECT_THROW(ReadComponentResource(f.get(), "object frmViewerHost: TfrmViewerHost\n  object G2: TGIS_ViewerWnd\n"
                                                "    Mode = gisNowhere\n  end\nend\n"),
                 EFormResourceError);
}

}  // namespace
