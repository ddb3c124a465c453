// The preview window built from its resource for each test, with sheets of the engine to load.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/unCreateTessarRg.h"
#include "app/unPreview.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"
#include "widgets/VtPanel.h"
#include "widgets/VtStatus.h"

namespace {

inline TDmsAngle Dms(double d, double m = 0, double s = 0) { return TDmsAngle{d, m, s}; }

// Sheets of J-50 at 1:100,000 (30' x 20'): `cols` columns from 116 E and `rows` rows down from 39 N.
inline TStandardTessarols J50Sheets(int cols, int rows) {
    TStandardTessarols out;
    const double west = 116 * 60, north = 39 * 60;
    GetTessarols100k({Dms(0, west), Dms(0, north - 20 * rows), Dms(0, west + 30 * cols), Dms(0, north)}, false,
                     true, 117, out);
    return out;
}

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UiTest::Init();
        RegisterAppClasses();
    }
    void SetUp() override {
        f = new TfrmPreview(Application);
        f->SetWindowState(wsNormal);
        f->SetBounds(0, 0, 800, 600);
        f->Show();
        UiTest::Flush();
        v = f->Viewer();
    }
    void TearDown() override {
        UiTest::AnswerMessageBoxes(0);
        delete f;
    }
    template <class T>
    T* C(const std::string& name) {
        T* c = dynamic_cast<T*>(f->FindComponent(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    std::string PaneText(int n) { return f->Pane(n)->Caption(); }
    void ClickTool(const std::string& name) {
        auto* b = C<TVtToolButton>(name);
        UiTest::Click(b, b->Width() / 2, b->Height() / 2);
        UiTest::Flush();
    }
    // The visible extent holds `want` (within `tolerance` map units).
    void ExpectViewCovers(const TGIS_Extent& want, double tolerance, const std::string& what = "") {
        const TGIS_Extent e = v->GetVisibleExtent();
        EXPECT_LE(e.XMin, want.XMin + tolerance) << what;
        EXPECT_GE(e.XMax, want.XMax - tolerance) << what;
        EXPECT_LE(e.YMin, want.YMin + tolerance) << what;
        EXPECT_GE(e.YMax, want.YMax - tolerance) << what;
    }
    // The window's full (cached) paint, without waiting for its repaint tick.
    void Settle() {
        UiTest::Flush();
        v->RepaintTimer()->SetEnabled(false);
        v->RepaintPending = false;
        v->Invalidate();
        UiTest::Flush();
    }
    void SavePng(const std::string& name) {
        Settle();
        UiTest::SavePng(f, std::string(QM_TEST_OUT) + "/preview-" + name + ".png");
    }

    TfrmPreview* f = nullptr;
    TGIS_ViewerWnd* v = nullptr;
};

}  // namespace
