// Every window as the widget library lays it out: on every page each control that shows lies inside its
// parent's client area, and the captions of check boxes, radio buttons and group boxes have the room they need.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/unCreateTessarRg.h"
#include "app/unInputPoint.h"
#include "app/unInputString.h"
#include "app/unPreview.h"
#include "app/unProgBar.h"
#include "app/unTFInformation.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtPanel.h"
#include "widgets/VtRadChk.h"
#include "widgets/VtTabs.h"

namespace {

void CheckShowingControls(TForm* form, const std::string& where) {
    TBitmap probe(1, 1);
    int checked = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* c = dynamic_cast<TControl*>(form->Components(i));
        if (!c || !c->Parent() || !c->Showing()) continue;
        ++checked;
        std::string what = where + " " + c->Name();
        TRect pc = c->Parent()->ClientRect();
        EXPECT_GT(c->Width(), 0) << what;
        EXPECT_GT(c->Height(), 0) << what;
        EXPECT_GE(c->Left(), pc.Left) << what;
        EXPECT_GE(c->Top(), pc.Top) << what;
        EXPECT_LE(c->Left() + c->Width(), pc.Right) << what;
        EXPECT_LE(c->Top() + c->Height(), pc.Bottom) << what;
        // The glyph (13) and its gap come before a check box's caption; a group box's sits between its
        // frame's ends.
        int room = dynamic_cast<TVtCustomGlyphButton*>(c) ? c->Width() - 17
                   : dynamic_cast<TVtCustomGroupBox*>(c)  ? c->Width() - 16
                                                           : -1;
        if (room < 0 || c->Caption().empty()) continue;
        probe.Canvas()->SetFont(*c->Font());
        EXPECT_LE(probe.Canvas()->TextWidth(c->Caption()), room) << what << " '" << c->Caption() << "'";
    }
    EXPECT_GT(checked, 0) << where;
}

// Each page in turn, or the form alone.
void CheckForm(TForm* form, const std::string& name) {
    form->Show();
    UiTest::Flush();
    auto* pages = dynamic_cast<TVtPageControl*>(form->FindComponent("VtPageControl1"));
    int n = pages ? pages->PageCount() : 1;
    for (int p = 0; p < n; ++p) {
        if (pages) pages->SetActivePageIndex(p);
        UiTest::Flush();
        CheckShowingControls(form, name + (pages ? " page " + std::to_string(p) : ""));
    }
}

}  // namespace

TEST(FormLayout, EveryWindowKeepsItsControlsInsideAndItsCaptionsWhole) {
    UiTest::Init();
    RegisterAppClasses();
    auto main = std::make_unique<TfrmCreateTessarRg>(Application);
    main->AfterConstruction();
    CheckForm(main.get(), "frmCreateTessarRg");
    main.reset();
    CheckForm(std::make_unique<TfrmInputPoint>(Application).get(), "frmInputPoint");
    CheckForm(std::make_unique<TfrmInputString>(Application).get(), "frmInputString");
    CheckForm(std::make_unique<TfrmTFInformation>(Application).get(), "frmTFInformation");
    CheckForm(std::make_unique<TfrmProgBar>(Application).get(), "frmProgBar");
    CheckForm(std::make_unique<TfrmPreview>(Application).get(), "frmPreview");
}
