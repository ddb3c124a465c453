#include "widgets/VtLabel.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

struct LabelForm {
    TForm* form;
    TVtLabel* label;
    LabelForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        form->SetColor(clBtnFace);
        label = new TVtLabel(form);
        label->SetParent(form);
        label->SetLeft(20);
        label->SetTop(20);
        label->SetCaption("Label text");
        form->Show();
        UiTest::Flush();
    }
    ~LabelForm() { delete form; }
    int Count(TColor color) {
        std::unique_ptr<TBitmap> shot(UiTest::Capture(label));
        int n = 0;
        for (int y = 0; y < shot->Height(); ++y)
            for (int x = 0; x < shot->Width(); ++x) n += shot->Canvas()->Pixel(x, y) == ColorToRGB(color);
        return n;
    }
};

}  // namespace

TEST(VtLabel, AngleAndRotationRules) {
    UiTest::Init();
    EXPECT_EQ(NormalizeLabelAngle(-30), 330);
    EXPECT_EQ(NormalizeLabelAngle(725), 5);
    EXPECT_EQ(NormalizeLabelAngle(-400), -40);
    EXPECT_EQ(NormalizeLabelAngle(360), 0);
    EXPECT_EQ(NormalizeLabelAngle(INT_MIN), int(360 - 2147483648LL));  // defined, no overflow trap

    TVtLabel l(nullptr);
    l.SetAngle(45);  // turns rotation on by itself
    EXPECT_EQ(l.Rotation(), roFlat);
    EXPECT_EQ(l.Angle(), 45);
    l.SetCenterPoint(cpUpperLeft);
    l.SetRotation(roCurve);
    l.SetAngle(30);
    l.SetRotation(roFlat);  // resets the angle and the centre point
    EXPECT_EQ(l.Angle(), 0);
    EXPECT_EQ(l.CenterPoint(), cpCenter);
    l.SetAngle(10);
    l.SetRotation(roNone);
    EXPECT_EQ(l.Angle(), 0);

    EXPECT_TRUE(l.AutoSize());
    l.SetCondenseCaption(ccAtEnd);
    EXPECT_FALSE(l.AutoSize());
}

TEST(VtLabel, AutoSizeCountsFrameAndShadow) {
    LabelForm f;
    TVtLabel* l = f.label;
    int w0 = l->Width(), h0 = l->Height();
    l->SetBorderOuter(fsLowered);  // 2 on each side
    l->SetBorderWidth(3);
    EXPECT_EQ(l->Width(), w0 + 10);
    EXPECT_EQ(l->Height(), h0 + 10);
    l->SetBorderSides(1 | 2);  // the level widths count only on the sides drawn
    EXPECT_EQ(l->Width(), w0 + 8);
    l->SetTextStyle(tsShadow);
    EXPECT_EQ(l->Width(), w0 + 10);
    EXPECT_EQ(l->Height(), h0 + 10);

    // Right alignment keeps the right edge.
    l->SetAlignment(taRightJustify);
    int right = l->Left() + l->Width();
    l->SetCaption("Label text, longer");
    EXPECT_EQ(l->Left() + l->Width(), right);
}

TEST(VtLabel, RotatedCaptionBoundingBox) {
    LabelForm f;
    TVtLabel* l = f.label;
    int w0 = l->Width(), h0 = l->Height();
    l->SetAngle(90);
    EXPECT_NEAR(l->Width(), h0, 1);
    EXPECT_NEAR(l->Height(), w0, 1);
    l->SetAngle(180);  // the box of the upright text
    EXPECT_EQ(l->Width(), w0);
    l->SetAngle(45);
    EXPECT_GT(l->Width(), w0 * 7 / 10);
    EXPECT_GT(l->Height(), w0 * 7 / 10);
    l->Font()->SetColor(clRed);
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtLabelRotated45.png");
    // The text runs from lower left to upper right: ink in both of those quadrants.
    int lowerLeft = 0, upperRight = 0;
    for (int y = 0; y < l->Height(); ++y)
        for (int x = 0; x < l->Width(); ++x)
            if (shot->Canvas()->Pixel(x, y) == ColorToRGB(clRed)) {
                lowerLeft += x < l->Width() / 2 && y >= l->Height() / 2;
                upperRight += x >= l->Width() / 2 && y < l->Height() / 2;
            }
    EXPECT_GT(lowerLeft, 5);
    EXPECT_GT(upperRight, 5);
    // Centred: no ink on the outermost rows and columns, where a misplaced start would cut the text.
    int edge = 0;
    for (int i = 0; i < l->Width(); ++i)
        edge += (shot->Canvas()->Pixel(i, 0) == ColorToRGB(clRed)) + (shot->Canvas()->Pixel(i, l->Height() - 1) == ColorToRGB(clRed));
    for (int i = 0; i < l->Height(); ++i)
        edge += (shot->Canvas()->Pixel(0, i) == ColorToRGB(clRed)) + (shot->Canvas()->Pixel(l->Width() - 1, i) == ColorToRGB(clRed));
    EXPECT_LE(edge, 2);
}

TEST(VtLabel, TextStylesAndTheDisabledLook) {
    LabelForm f;
    TVtLabel* l = f.label;
    l->SetHighlightColor(clYellow);
    l->SetShadowColor(clRed);
    l->SetTextStyle(tsRaised);
    UiTest::Flush();
    EXPECT_GT(f.Count(clYellow), 5);
    EXPECT_GT(f.Count(clRed), 5);
    l->SetLightTextStyle(true);  // raised and light: the highlight copy only
    UiTest::Flush();
    EXPECT_GT(f.Count(clYellow), 5);
    EXPECT_EQ(f.Count(clRed), 0);
    l->SetEnabled(false);  // only the disabled look
    UiTest::Flush();
    EXPECT_EQ(f.Count(clYellow), 0);
    EXPECT_GT(f.Count(clBtnShadow), 5);
}

TEST(VtLabel, FlyByAndBlinking) {
    LabelForm f;
    TVtLabel* l = f.label;
    l->Font()->SetColor(clBlack);
    l->SetFlyByEnabled(true);
    l->SetFlyByColor(clRed);
    int enters = 0, leaves = 0;
    l->OnMouseEnter = [&](TObject*) { ++enters; };
    l->OnMouseLeave = [&](TObject*) { ++leaves; };
    UiTest::MouseMove(l, 3, 3);
    EXPECT_EQ(l->Font()->Color(), clRed);
    UiTest::MouseMove(f.form, 300, 250);
    EXPECT_EQ(l->Font()->Color(), clBlack);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);

    // One blink rhythm for every label; a tick reaches only the labels that blink.
    auto* other = new TVtLabel(f.form);
    other->SetParent(f.form);
    other->SetCaption("other");
    l->SetBlinkIntervalOn(250);
    EXPECT_EQ(other->BlinkIntervalOn(), 250);
    l->SetBlinking(true);
    l->SetBlinkColor(clBlue);
    TVtBlinkingControlsList* list = TVtBlinkingControlsList::Current();
    ASSERT_TRUE(list);
    while (list->BlinkState() != 0) list->Tick();
    list->Tick();  // to state 1: the blink colour
    EXPECT_EQ(l->TextColor(), clBlue);
    EXPECT_EQ(other->TextColor(), other->Font()->Color());
    UiTest::Flush();
    EXPECT_GT(f.Count(clBlue), 5);
    list->Tick();
    EXPECT_EQ(l->TextColor(), clBlack);
    list->Tick();
    l->SetBlinking(false);  // back to the normal colour at once
    EXPECT_EQ(l->TextColor(), clBlack);
    l->SetBlinkIntervalOn(500);
}

TEST(VtLabel, FrameFromTheController) {
    UiTest::Init();
    TVtFrameController fc(nullptr);
    fc.SetFrameVisible(true);
    fc.SetFrameStyle(fsFlat);
    fc.SetColor(clWhite);
    TVtLabel l(nullptr);
    l.SetFrameController(&fc);
    EXPECT_EQ(l.BorderOuter(), fsFlat);
    EXPECT_EQ(l.Color(), clWhite);
    EXPECT_EQ(l.FlatColorAdjustment(), 0);
    EXPECT_EQ(l.BorderShadow(), DarkerColor(clWhite, 50));
}

TEST(VtLabel, RotationNeedsATrueTypeFace) {
    UiTest::Init();
    TVtLabel l(nullptr);
    l.Font()->SetName("MS Sans Serif");
    EXPECT_FALSE(IsTrueTypeFont(l.Font()));
    l.SetAngle(30);
    EXPECT_EQ(l.Font()->Name(), MapFontFace("Verdana"));
    EXPECT_TRUE(IsTrueTypeFont(l.Font()));
    // A font change to a bitmap face drops the angle.
    l.Font()->SetName("System");
    EXPECT_EQ(l.Angle(), 0);

    HFONT f = CreateRotatedFont(l.Font(), 90);
    EXPECT_EQ(f->lf.lfEscapement, 900);
    EXPECT_EQ(f->lf.lfOrientation, 0);
    EXPECT_EQ(f->lf.lfFaceName, "System");
    DeleteObject(f);
}

TEST(VtLabel, CurvedTextDrawsEveryCharacterInside) {
    LabelForm f;
    TVtLabel* l = f.label;
    l->SetAutoSize(false);
    l->SetBounds(20, 20, 160, 160);
    l->Font()->SetColor(clRed);
    l->SetRotation(roCurve);
    UiTest::Flush();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(l));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/VtLabelCurved.png");
    // Over the top of the circle about the centre, left and right alike.
    int above = 0, below = 0, left = 0, right = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x)
            if (shot->Canvas()->Pixel(x, y) == ColorToRGB(clRed)) {
                (y < 80 ? above : below)++;
                (x < 80 ? left : right)++;
            }
    EXPECT_GT(above, 40);
    EXPECT_EQ(below, 0);
    EXPECT_GT(left, 10);
    EXPECT_GT(right, 10);
    // Chinese characters stay whole.
    l->SetCaption("图幅号");
    UiTest::Flush();
    EXPECT_GT(f.Count(clRed), 40);
}
