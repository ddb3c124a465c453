#include "widgets/VtStatus.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtLabel.h"

namespace {
struct PaneForm {
    TForm* form;
    TVtStatusPane* pane;
    PaneForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 100);
        form->SetColor(clBtnFace);
        pane = new TVtStatusPane(form);
        pane->SetParent(form);
        pane->SetBounds(10, 10, 100, 20);
        form->Show();
        UiTest::Flush();
    }
    ~PaneForm() { delete form; }
};
}  // namespace

TEST(VtStatusPane, FlatFrameLeavesItsCornersInTheFill) {
    PaneForm f;
    f.pane->SetFillColor(RGB(250, 240, 200));
    EXPECT_FALSE(f.pane->ParentFillColor());
    std::unique_ptr<TBitmap> s(UiTest::Capture(f.pane));
    TColor line = ColorToRGB(AdjustColor(clBtnShadow, 30)), face = ColorToRGB(clBtnFace);
    EXPECT_EQ(s->Canvas()->Pixel(0, 0), face);  // BorderWidth 1 outside the frame
    EXPECT_EQ(s->Canvas()->Pixel(1, 1), face);  // the frame's corner pixel keeps the pane's colour
    EXPECT_EQ(s->Canvas()->Pixel(1, 5), line);
    EXPECT_EQ(s->Canvas()->Pixel(5, 1), line);
    EXPECT_EQ(s->Canvas()->Pixel(98, 5), line);
    EXPECT_EQ(s->Canvas()->Pixel(5, 18), line);
    EXPECT_EQ(s->Canvas()->Pixel(98, 18), face);
    EXPECT_EQ(s->Canvas()->Pixel(3, 3), RGB(250, 240, 200));  // the text area
}

TEST(VtStatusPane, AutoSizeFollowsTheCaption) {
    PaneForm f;
    f.pane->SetAutoSize(true);
    EXPECT_EQ(f.pane->Width(), 40);
    EXPECT_EQ(f.pane->DefaultWidth(), 40);
    f.pane->SetCaption("图幅数：12");
    int w = f.pane->Width();
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*f.pane->Font());
    EXPECT_EQ(w, 2 + probe.Canvas()->TextWidth("图幅数：12") + 2 + 6);
    f.pane->SetCaptionOffset(5);
    EXPECT_EQ(f.pane->Width(), w + 3);
    f.pane->SetCaption("");
    EXPECT_EQ(f.pane->Width(), 40);
}

TEST(VtStatusPane, BlinksWithTheSharedList) {
    PaneForm f;
    auto* label = new TVtLabel(f.form);
    label->SetParent(f.form);
    f.pane->SetBlinkIntervalOn(300);
    EXPECT_EQ(label->BlinkIntervalOn(), 300);  // one interval for all blinking controls
    f.pane->SetBlinkColor(clRed);
    f.pane->SetBlinking(true);
    TColor normal = f.pane->Font()->Color();
    f.pane->Perform(CM_BLINKSTATE, 1, 0);
    EXPECT_EQ(f.pane->TextColor(), clRed);
    f.pane->Perform(CM_BLINKSTATE, 0, 0);
    EXPECT_EQ(f.pane->TextColor(), normal);
    f.pane->Perform(CM_BLINKSTATE, 1, 0);
    f.pane->SetBlinking(false);
    EXPECT_EQ(f.pane->TextColor(), normal);
    f.pane->SetBlinkIntervalOn(500);
}
