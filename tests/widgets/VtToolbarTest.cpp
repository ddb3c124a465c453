#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PlatformClasses.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"
#include "widgets/VtPanel.h"
#include "widgets/VtStatus.h"

namespace {

struct BarForm {
    TForm* form;
    explicit BarForm(const char* resource = nullptr) {
        UiTest::Init();
        RegisterPlatformClasses();
        RegisterWidgetClasses();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 640, 300);
        if (resource) ReadComponentResource(form, resource);
        form->Show();
        UiTest::Flush();
    }
    ~BarForm() { delete form; }
    template <class T>
    T* Get(const char* name) {
        return dynamic_cast<T*>(form->FindComponent(name));
    }
};

}  // namespace

TEST(VtToolbar, PlacesWrapsAndSizesItself) {
    BarForm f;
    auto* bar = new TVtToolbar(f.form);
    bar->SetParent(f.form);
    EXPECT_EQ(bar->Align(), alTop);
    EXPECT_EQ(bar->BorderOuter(), fsGroove);
    EXPECT_EQ(bar->BorderSides(), 1 << sdTop);
    std::vector<TControl*> buttons;
    for (int i = 0; i < 5; ++i) {
        auto* b = new TVtToolbarButton(f.form);
        b->SetBounds(0, 0, i == 0 ? 1000 : 250, 21);
        b->SetParent(bar);
        buttons.push_back(b);
    }
    // The first control stays on the first row even when wider than the row.
    EXPECT_EQ(buttons[0]->Left(), 4);
    EXPECT_EQ(buttons[0]->Top(), 2 + 25 / 2 - 21 / 2);
    EXPECT_EQ(buttons[1]->Left(), 4);
    EXPECT_EQ(buttons[1]->Top(), 25 + 2 + 12 - 10);
    EXPECT_EQ(buttons[2]->Left(), 4 + 250);
    EXPECT_EQ(buttons[3]->Left(), 4);  // 4 + 500 + 250 passes the right margin
    EXPECT_EQ(buttons[4]->Left(), 4 + 250);
    EXPECT_EQ(buttons[4]->Top(), 2 * 25 + 2 + 12 - 10);
    EXPECT_EQ(bar->Height(), 25 * 3 + 2 * 2);
    bar->SetWrapControls(false);
    EXPECT_EQ(bar->Height(), 25 + 4);
    EXPECT_EQ(buttons[4]->Left(), 4 + 1000 + 750);
    // Removing a control closes the gap.
    delete buttons[0];
    EXPECT_EQ(buttons[1]->Left(), 4);
    EXPECT_EQ(bar->OrderCount(), 4);
}

TEST(VtToolbar, TextOptionPresetsAndCustomSettings) {
    BarForm f;
    auto* bar = new TVtToolbar(f.form);
    bar->SetParent(f.form);
    auto* b = new TVtToolbarButton(f.form);
    b->SetParent(bar);
    bar->SetTextOptions(ttoShowTextLabels);
    EXPECT_EQ(bar->ButtonLayout(), blGlyphTop);
    EXPECT_EQ(b->Width(), 60);
    EXPECT_EQ(b->Height(), 40);
    EXPECT_TRUE(bar->ShowButtonCaptions());
    EXPECT_EQ(bar->RowHeight(), 40);
    EXPECT_EQ(bar->TextOptions(), ttoShowTextLabels);
    EXPECT_EQ(bar->Height(), 40 + 4);
    bar->SetButtonWidth(50);  // a single setting makes the options custom
    EXPECT_EQ(bar->TextOptions(), ttoCustom);
    EXPECT_EQ(b->Width(), 50);
    bar->SetTextOptions(ttoSelectiveTextOnRight);
    EXPECT_EQ(b->Width(), 60);
    EXPECT_EQ(b->Height(), 25);
    EXPECT_EQ(bar->RowHeight(), 25);
    bar->SetShowDivider(false);
    EXPECT_EQ(bar->BorderOuter(), fsNone);
    bar->SetBorderOuter(fsRaised);
    EXPECT_FALSE(bar->AutoStyle());
    auto* images = new TImageList(f.form);
    bar->SetImages(images);
    delete images;
    EXPECT_EQ(bar->Images(), nullptr);
}

TEST(VtToolbar, StoredOrderDropsControlsMovedElsewhere) {
    BarForm f(R"(object F: TForm
  object Bar: TVtToolbar
    ToolbarControls = (
      B3
      Elsewhere
      B1)
    object B1: TVtToolbarButton
      Width = 30
      Height = 22
    end
    object B2: TVtToolbarButton
      Width = 40
      Height = 22
    end
    object B3: TVtToolbarButton
      Width = 50
      Height = 22
    end
  end
  object Other: TVtPanel
    object Elsewhere: TVtToolbarButton
    end
  end
end
)");
    auto* bar = f.Get<TVtToolbar>("Bar");
    ASSERT_TRUE(bar);
    ASSERT_EQ(bar->OrderCount(), 3);
    EXPECT_EQ(bar->OrderControl(0)->Name(), "B3");
    EXPECT_EQ(bar->OrderControl(1)->Name(), "B1");
    EXPECT_EQ(bar->OrderControl(2)->Name(), "B2");  // appended, since a name was dropped
    EXPECT_EQ(f.Get<TControl>("B3")->Left(), 4);
    EXPECT_EQ(f.Get<TControl>("B1")->Left(), 54);
    EXPECT_EQ(f.Get<TControl>("B2")->Left(), 84);
}

// The preview's bars: nine captioned tool buttons with two grooved spacers over a status bar of six panes.
TEST(VtToolbar, PreviewShapedBars) {
    BarForm f;
    f.form->SetColor(clBtnFace);
    auto* bar = new TVtToolbar(f.form);
    bar->SetParent(f.form);
    bar->SetTextOptions(ttoShowTextLabels);
    const char* captions[] = {"放大", "缩小", "漫游", "全图", "信息", "选择", "查找", "打印", "退出"};
    for (int i = 0; i < 9; ++i) {
        if (i == 4 || i == 7) {
            auto* s = new TVtSpacer(f.form);
            s->SetGrooved(true);
            s->SetParent(bar);
        }
        auto* b = new TVtToolButton(f.form);
        b->SetCaption(captions[i]);
        b->SetParent(bar);
    }
    auto* status = new TVtStatusBar(f.form);
    status->SetParent(f.form);
    std::vector<TVtStatusPane*> panes;
    for (int i = 0; i < 6; ++i) {
        auto* p = new TVtStatusPane(f.form);
        p->SetParent(status);
        p->SetBounds(i * 90, 0, 90, 19);
        p->SetCaption("栏" + std::to_string(i + 1));
        panes.push_back(p);
    }
    UiTest::Flush();
    EXPECT_EQ(bar->OrderCount(), 11);
    EXPECT_EQ(bar->Top(), 0);
    EXPECT_EQ(bar->Height(), 40 + 2 * 2);
    // Buttons 60 x 40 and spacers 8 x 25 follow each other from the margin, centred in the 40-pixel row.
    EXPECT_EQ(bar->OrderControl(0)->BoundsRect(), TRect(4, 2, 64, 42));
    EXPECT_EQ(bar->OrderControl(4)->BoundsRect(), TRect(4 + 4 * 60, 2 + 20 - 12, 4 + 4 * 60 + 8, 2 + 20 - 12 + 25));
    EXPECT_EQ(bar->OrderControl(5)->Left(), 4 + 4 * 60 + 8);
    EXPECT_EQ(bar->OrderControl(10)->BoundsRect(), TRect(4 + 8 * 60 + 2 * 8, 2, 4 + 9 * 60 + 2 * 8, 42));
    EXPECT_EQ(status->Height(), 19);
    EXPECT_EQ(status->Top(), f.form->ClientHeight() - 19);
    EXPECT_EQ(panes[5]->BoundsRect(), TRect(450, 0, 540, 19));
    std::unique_ptr<TBitmap> shot(UiTest::Capture(f.form));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/PreviewBars.png");
}

TEST(VtToolbar, CustomizeCaptionsDefaultsAndStoredFlags) {
    BarForm f(R"(object F: TForm
  object Bar: TVtToolbar
    CustomizeCaptions.Title = 'Tools'
    CustomizeCaptions.SelectiveTextOnRight = 'Right'
  end
end
)");
    auto* bar = f.Get<TVtToolbar>("Bar");
    ASSERT_TRUE(bar);
    TVtCustomizeCaptions* c = bar->CustomizeCaptions();
    EXPECT_EQ(c->Caption(ccTitle), "Tools");
    EXPECT_TRUE(c->IsStored(ccTitle));
    EXPECT_EQ(c->Caption(ccSelectiveTextOnRight), "Right");
    EXPECT_EQ(c->Caption(ccHint), "Uncheck to hide control");
    EXPECT_EQ(c->Caption(ccMoveDown), "Move Down");
    EXPECT_EQ(c->Caption(ccNoTextLabels), "No text labels");
    EXPECT_FALSE(c->IsStored(ccHint));
    c->SetCaption(ccClose, "Close");  // the same text is no change
    EXPECT_FALSE(c->IsStored(ccClose));
    EXPECT_EQ(GetStrProp(c, "MoveUp"), "Move Up");

    TVtCustomizeCaptions other;
    other.SetCaption(ccMoveUp, "Up");
    bar->SetCustomizeCaptions(other);
    EXPECT_EQ(c->Caption(ccMoveUp), "Up");
    EXPECT_TRUE(c->IsStored(ccMoveUp));
    EXPECT_EQ(c->Caption(ccTitle), "Customize Toolbar");
    EXPECT_FALSE(c->IsStored(ccTitle));
}

TEST(VtToolbar, DividerFollowsAnAlignmentSetFromCode) {
    BarForm f;
    auto* bar = new TVtToolbar(f.form);
    bar->SetParent(f.form);
    UiTest::Flush();
    EXPECT_EQ(bar->BorderSides(), TSides(1 << sdTop));
    bar->SetAlign(alBottom);
    UiTest::Flush();
    EXPECT_EQ(bar->BorderSides(), TSides(1 << sdBottom));
    EXPECT_EQ(bar->BorderOuter(), fsGroove);
    bar->SetAlign(alLeft);
    UiTest::Flush();
    EXPECT_EQ(bar->BorderSides(), TSides(1 << sdLeft));
    // Without AutoStyle the borders are the user's.
    bar->SetAutoStyle(false);
    bar->SetAlign(alRight);
    UiTest::Flush();
    EXPECT_EQ(bar->BorderSides(), TSides(1 << sdLeft));
}

TEST(VtToolbar, ReadingDirectionChangeMovesTheControls) {
    BarForm f;
    auto* bar = new TVtToolbar(f.form);
    bar->SetParent(f.form);
    auto* a = new TVtToolbarButton(f.form);
    a->SetBounds(0, 0, 40, 21);
    a->SetParent(bar);
    auto* b = new TVtToolbarButton(f.form);
    b->SetBounds(0, 0, 30, 21);
    b->SetParent(bar);
    ASSERT_EQ(bar->Width(), 640 - f.form->Width() + f.form->ClientWidth());
    int w = bar->Width();
    bar->SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(a->Left(), w - 40 - 4);
    EXPECT_EQ(b->Left(), w - 30 - 44);
    bar->SetBiDiMode(bdRightToLeftReadingOnly);  // reading only keeps the left-to-right places
    EXPECT_EQ(a->Left(), 4);
    EXPECT_EQ(b->Left(), 44);
}
