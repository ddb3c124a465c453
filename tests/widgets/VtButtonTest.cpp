#include "widgets/VtButton.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/ActnList.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/PlatformClasses.h"
#include "platform/ui/Themes.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtRadChk.h"

namespace {

struct ButtonForm {
    TForm* form;
    TVtControlButton* b;
    int clicks = 0;
    ButtonForm() {
        UiTest::Init();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 200, 120);
        form->SetColor(clBtnFace);
        b = new TVtControlButton(form);
        b->SetParent(form);
        b->SetBounds(20, 20, 17, 21);
        b->OnClick = [this](TObject*) { ++clicks; };
        form->Show();
        UiTest::Flush();
    }
    ~ButtonForm() { delete form; }
    std::unique_ptr<TBitmap> Shot() { return std::unique_ptr<TBitmap>(UiTest::Capture(b)); }
    int Count(TBitmap* s, TColor c) {
        int n = 0;
        for (int y = 0; y < s->Height(); ++y)
            for (int x = 0; x < s->Width(); ++x) n += s->Canvas()->Pixel(x, y) == ColorToRGB(c);
        return n;
    }
};

}  // namespace

TEST(VtControlButton, RepeatsWhileHeld) {
    ButtonForm f;
    f.b->SetRepeatClicks(true);
    EXPECT_EQ(f.b->RepeatTimer(), nullptr);
    UiTest::MouseDown(f.b, 5, 5);
    TTimer* t = f.b->RepeatTimer();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(t->Interval(), 400u);
    EXPECT_TRUE(f.b->Pressed());
    EXPECT_EQ(f.clicks, 0);
    t->OnTimer(t);
    EXPECT_EQ(t->Interval(), 100u);
    EXPECT_EQ(f.clicks, 1);
    t->OnTimer(t);
    EXPECT_EQ(f.clicks, 2);
    UiTest::MouseUp(f.b, 5, 5);
    EXPECT_EQ(f.clicks, 3);  // the release inside adds the last one
    EXPECT_FALSE(t->Enabled());
    EXPECT_FALSE(f.b->Pressed());
}

TEST(VtControlButton, ReleaseOutsideGivesNoClick) {
    ButtonForm f;
    f.b->SetRepeatClicks(true);
    UiTest::MouseDown(f.b, 5, 5);
    UiTest::MouseMove(f.b, 60, 5, MK_LBUTTON);
    UiTest::MouseUp(f.b, 60, 5);
    EXPECT_EQ(f.clicks, 0);
    EXPECT_FALSE(f.b->RepeatTimer()->Enabled());
    // Without repeat, a plain click.
    f.b->SetRepeatClicks(false);
    UiTest::Click(f.b, 5, 5);
    EXPECT_EQ(f.clicks, 1);
}

TEST(VtControlButton, DisabledRightButtonStartsTheTimerWithoutClicks) {
    ButtonForm f;
    f.b->SetRepeatClicks(true);
    f.b->SetEnabled(false);
    // The window system sends a disabled control nothing; a message that reaches it anyway (under capture).
    f.b->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    ASSERT_NE(f.b->RepeatTimer(), nullptr);
    EXPECT_TRUE(f.b->RepeatTimer()->Enabled());
    EXPECT_FALSE(f.b->Pressed());
    f.b->RepeatTimer()->OnTimer(f.b->RepeatTimer());
    EXPECT_EQ(f.clicks, 0);
    f.b->Perform(WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(f.b->RepeatTimer()->Enabled());
    UiTest::Click(f.b, 5, 5);
    EXPECT_EQ(f.clicks, 0);
}

TEST(VtControlButton, GlyphCells) {
    ButtonForm f;
    TBitmap g(24, 12);
    f.b->SetGlyph(&g);
    EXPECT_EQ(f.b->NumGlyphs(), 2);
    EXPECT_EQ(f.b->GetGlyphSize().cx, 12);
    TBitmap five(60, 12);
    f.b->SetGlyph(&five);
    EXPECT_EQ(f.b->NumGlyphs(), 1);  // more than 4 cells: one
    f.b->SetGlyph(nullptr);
    EXPECT_TRUE(f.b->GlyphEmpty());
    EXPECT_EQ(f.b->GetGlyphSize().cx, 0);

    // Cell 2 shows while disabled: a red normal cell, a blue disabled one, on a white transparent ground.
    TBitmap two(20, 10);
    two.Canvas()->Brush()->SetColor(clWhite);
    two.Canvas()->FillRect(TRect(0, 0, 20, 10));
    two.Canvas()->Brush()->SetColor(clRed);
    two.Canvas()->FillRect(TRect(2, 2, 8, 8));
    two.Canvas()->Brush()->SetColor(clBlue);
    two.Canvas()->FillRect(TRect(12, 2, 18, 8));
    f.b->SetGlyph(&two);
    UiTest::Flush();
    auto s = f.Shot();
    EXPECT_GT(f.Count(s.get(), clRed), 20);
    EXPECT_EQ(f.Count(s.get(), clBlue), 0);
    f.b->SetEnabled(false);
    UiTest::Flush();
    s = f.Shot();
    EXPECT_EQ(f.Count(s.get(), clRed), 0);
    EXPECT_GT(f.Count(s.get(), clBlue), 20);
}

TEST(VtControlButton, ClassicAndFlatFacesAndArrows) {
    ButtonForm f;
    f.b->SetStyle(cbsUp);
    UiTest::Flush();
    auto classic = f.Shot();
    classic->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-classic.png");
    EXPECT_EQ(classic->Canvas()->Pixel(0, 0), ColorToRGB(clBtnHighlight));  // raised edge
    EXPECT_EQ(classic->Canvas()->Pixel(16, 20), ColorToRGB(cl3DDkShadow));
    EXPECT_GT(f.Count(classic.get(), clBtnText), 10);  // the arrow
    // Pressed: a one-pixel shadow ring.
    UiTest::MouseDown(f.b, 5, 5);
    UiTest::Flush();
    auto down = f.Shot();
    EXPECT_EQ(down->Canvas()->Pixel(0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(down->Canvas()->Pixel(16, 20), ColorToRGB(clBtnShadow));
    UiTest::MouseUp(f.b, 5, 5);

    // Flat at rest: no border, the colour all round; hovered: a border.
    f.b->SetFlat(true);
    f.b->SetColor(clYellow);
    f.b->SetStyle(cbsDropDown);
    UiTest::MouseMove(f.form, 150, 100);
    UiTest::Flush();
    auto flat = f.Shot();
    flat->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-flat.png");
    EXPECT_EQ(flat->Canvas()->Pixel(0, 0), ColorToRGB(clYellow));
    EXPECT_EQ(flat->Canvas()->Pixel(16, 20), ColorToRGB(clYellow));
    EXPECT_GT(f.Count(flat.get(), clBtnText), 5);
    UiTest::MouseMove(f.b, 5, 5);
    UiTest::Flush();
    EXPECT_TRUE(f.b->MouseOver());
    auto hover = f.Shot();
    hover->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-flat-hot.png");
    EXPECT_EQ(hover->Canvas()->Pixel(0, 0), ColorToRGB(clBtnHighlight));  // a thin raised border
    EXPECT_EQ(hover->Canvas()->Pixel(16, 20), ColorToRGB(clBtnShadow));
    // Disabled: the arrow greyed.
    f.b->SetEnabled(false);
    UiTest::Flush();
    auto off = f.Shot();
    EXPECT_EQ(f.Count(off.get(), clBtnText), 0);
}

TEST(VtControlButton, ThemedSpinPartsAndFlatRest) {
    ButtonForm f;
    ThemeServices()->SetThemesEnabled(true);
    f.b->SetStyle(cbsUp);
    f.b->SetColor(clYellow);
    UiTest::Flush();
    auto themed = f.Shot();
    themed->SaveToPNG(std::string(QM_TEST_OUT) + "/VtControlButton-themed.png");
    EXPECT_EQ(f.Count(themed.get(), clYellow), 0);  // the style's own face
    f.b->SetFlat(true);
    UiTest::MouseMove(f.form, 150, 100);
    UiTest::Flush();
    auto rest = f.Shot();
    EXPECT_EQ(rest->Canvas()->Pixel(0, 0), ColorToRGB(clYellow));  // at rest only the colour and the arrow
    EXPECT_GT(f.Count(rest.get(), clYellow), 17 * 21 / 2);
    ThemeServices()->SetThemesEnabled(false);
}

namespace {
class TfrmActions : public TForm {
public:
    explicit TfrmActions(TComponent* owner) : TForm(owner) {}
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            TClassInfo c{"TfrmActions", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("Run", &TfrmActions::Run)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    void Run(TObject* sender) { runs.push_back(sender); }
    std::vector<TObject*> runs;
    template <class T>
    T* Find(const char* name) {
        return dynamic_cast<T*>(FindComponent(name));
    }
};
}  // namespace

TEST(VtButtonActions, ButtonsFollowTheirActionsFromTheFormResource) {
    UiTest::Init();
    RegisterPlatformClasses();
    RegisterWidgetClasses();
    auto* f = new TfrmActions(nullptr);
    ReadComponentResource(f, "object F: TfrmActions\n  Width = 400\n  Height = 200\n"
                             "  object List: TActionList\n"
                             "    object Grid: TAction\n      Caption = '网格'\n      Checked = True\n"
                             "      ImageIndex = 1\n      Hint = 'grid'\n      OnExecute = Run\n    end\n"
                             "  end\n"
                             "  object Check: TVtCheckBox\n    Action = Grid\n  end\n"
                             "  object Mine: TVtToolbarButton\n    Left = 100\n    Caption = 'mine'\n"
                             "    GroupIndex = 1\n    AllowAllUp = True\n"
                             "    IgnoreActionCaption = True\n    Action = Grid\n  end\n"
                             "  object Plain: TVtToolbarButton\n    Left = 130\n    Caption = 'own'\n"
                             "    GroupIndex = 2\n    AllowAllUp = True\n    Action = Grid\n  end\n"
                             "  object Tool: TVtToolButton\n    Left = 160\n    GroupIndex = 3\n    AllowAllUp = True\n"
                             "    Action = Grid\n  end\n"
                             "  object Bit: TVtBitBtn\n    Top = 50\n    ImageIndex = 3\n    Action = Grid\n  end\n"
                             "end\n");
    auto* grid = f->Find<TAction>("Grid");
    auto* check = f->Find<TVtCheckBox>("Check");
    auto* mine = f->Find<TVtToolbarButton>("Mine");
    auto* plain = f->Find<TVtToolbarButton>("Plain");
    auto* tool = f->Find<TVtToolButton>("Tool");
    auto* bit = f->Find<TVtBitBtn>("Bit");
    ASSERT_TRUE(grid && check && mine && plain && tool && bit);
    EXPECT_EQ(grid->ActionList(), f->Find<TActionList>("List"));
    EXPECT_EQ(check->Action(), grid);
    // Loaded with the form, the action fills in only what was left at its default.
    EXPECT_EQ(check->Caption(), "网格");
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(check->Hint(), "grid");
    EXPECT_EQ(plain->Caption(), "own");
    EXPECT_EQ(mine->Caption(), "mine");
    EXPECT_TRUE(tool->Down());
    EXPECT_TRUE(plain->Down());
    EXPECT_EQ(tool->ImageIndex(), 1);
    EXPECT_EQ(bit->ImageIndex(), 3);

    // Later changes reach every button, the caption only where the action's caption is not ignored.
    grid->SetCaption("Grid");
    EXPECT_EQ(plain->Caption(), "Grid");
    EXPECT_EQ(check->Caption(), "Grid");
    EXPECT_EQ(mine->Caption(), "mine");
    EXPECT_EQ(bit->Caption(), "Grid");
    EXPECT_EQ(bit->ImageIndex(), 1);
    grid->SetChecked(false);
    EXPECT_FALSE(check->Checked());
    EXPECT_FALSE(tool->Down());
    EXPECT_FALSE(mine->Down());
    grid->SetEnabled(false);
    EXPECT_FALSE(check->Enabled());
    grid->SetEnabled(true);

    // A click without a handler of its own runs the action.
    check->Click();
    tool->Click();
    EXPECT_EQ(f->runs, (std::vector<TObject*>{grid, grid}));
    int own = 0;
    tool->OnClick = [&](TObject*) { ++own; };
    tool->Click();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(f->runs.size(), 2u);

    // The action's image becomes the toolbar button's glyph, on a fuchsia ground.
    auto& images = *new TImageList(f);
    images.SetWidth(6);
    images.SetHeight(5);
    TBitmap cell;
    cell.SetPixelFormat(pf24bit);
    cell.SetWidth(6);
    cell.SetHeight(5);
    for (TColor c : {clRed, clLime}) {
        cell.Canvas()->Brush()->SetColor(c);
        cell.Canvas()->FillRect(TRect(0, 0, 6, 5));
        images.Add(&cell, nullptr);
    }
    f->Find<TActionList>("List")->SetImages(&images);
    grid->SetImageIndex(0);
    ASSERT_NE(plain->Glyph(), nullptr);
    EXPECT_EQ(plain->Glyph()->Width(), 6);
    EXPECT_EQ(plain->Glyph()->Canvas()->Pixel(2, 2), ColorToRGB(clRed));
    EXPECT_EQ(tool->ImageIndex(), 0);

    // A freed action leaves its buttons unlinked.
    delete grid;
    EXPECT_EQ(check->Action(), nullptr);
    check->Click();
    EXPECT_EQ(f->runs.size(), 2u);
    delete f;
}
