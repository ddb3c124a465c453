// What the program meets on a real desktop: a popup menu takes the mouse, and the message loop sleeps until
// something happens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

// A windowed control that counts its presses and notes being told to give up the mouse.
class TPad : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    void Dispatch(TMessage& m) override {
        if (m.Msg == WM_LBUTTONDOWN) ++presses;
        if (m.Msg == WM_CANCELMODE) ++cancels;
        TCustomControl::Dispatch(m);
    }
    int presses = 0, cancels = 0;
};

struct Desktop : ::testing::Test {
    void SetUp() override {
        UiTest::Init();
        form = new TForm(Application);
        form->SetBounds(10, 10, 300, 200);
        opener = new TPad(form);
        opener->SetParent(form);
        opener->SetBounds(10, 10, 100, 80);
        other = new TPad(form);
        other->SetParent(form);
        other->SetBounds(150, 10, 100, 80);
        menu = new TPopupMenu(form);
        item = new TMenuItem(form);
        item->SetCaption("item");
        menu->Items()->Add(item);
        // As a menu button does: the press opens the menu, whose own loop then eats the release.
        opener->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { menu->Popup(0, 0); };
        form->Show();
        UiTest::Flush();
    }
    void TearDown() override {
        SetPopupHook(nullptr);
        delete form;
        UiTest::Flush();
    }
    TForm* form = nullptr;
    TPad *opener = nullptr, *other = nullptr;
    TPopupMenu* menu = nullptr;
    TMenuItem* item = nullptr;
};

}  // namespace

TEST_F(Desktop, AClosingPopupMenuEndsTheCaptureChosenOrNot) {
    for (bool choose : {false, true}) {
        SCOPED_TRACE(choose ? "an item chosen" : "closed without a choice");
        TControl* captureInCommand = opener;
        bool buttonHeldInCommand = true;
        item->OnClick = [&](TObject*) {
            captureInCommand = GetCapture();
            buttonHeldInCommand = GetKeyState(VK_LBUTTON) & 0x8000;
        };
        SetPopupHook([&](TPopupMenu*) { return choose ? item : nullptr; });
        const int cancels = opener->cancels;
        UiTest::MouseMove(opener, 5, 5);
        UiTest::MouseDown(opener, 5, 5);  // no release: the menu took it
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(opener->cancels, cancels + 1);
        EXPECT_FALSE(GetKeyState(VK_LBUTTON) & 0x8000);
        if (choose) {
            // The command runs with the mouse free: a dialog it opens gets the clicks.
            EXPECT_EQ(captureInCommand, nullptr);
            EXPECT_FALSE(buttonHeldInCommand);
        }
        // The next click goes where it is aimed, not back to the control that opened the menu.
        const int opened = opener->presses, pressed = other->presses;
        UiTest::Click(other, 5, 5);
        EXPECT_EQ(other->presses, pressed + 1);
        EXPECT_EQ(opener->presses, opened);
    }
}

TEST_F(Desktop, TheMessageLoopSleepsUntilSomethingHappens) {
    UiTest::Flush();
    TTimer t(nullptr);
    t.SetInterval(50);
    bool fired = false;
    t.OnTimer = [&](TObject*) {
        fired = true;
        t.SetEnabled(false);
    };
    // Each turn of the loop waits for an event; one that returned with nothing to do would turn thousands of
    // times before the timer is due.
    int turns = 0;
    while (!fired && turns < 1000) {
        Application->HandleMessage();
        ++turns;
    }
    EXPECT_TRUE(fired);
    EXPECT_LE(turns, 5);
}

// The Menu key and Shift+F10 open the focused control's popup menu where the control begins, as a right click
// would have opened it; F10 alone and keys the control takes itself do not.
TEST_F(Desktop, TheMenuKeyAndShiftF10OpenTheFocusedControlsMenu) {
    other->SetPopupMenu(menu);
    other->SetFocus();
    std::vector<TComponent*> sources;
    std::vector<TPoint> points;
    SetPopupHook([&](TPopupMenu* m) {
        sources.push_back(m->PopupComponent());
        points.push_back(m->PopupPoint());
        return nullptr;
    });
    UiTest::NativeKey(VK_APPS);
    UiTest::NativeKey(VK_F10, MK_SHIFT);
    UiTest::NativeKey(VK_F10);
    UiTest::NativeKey(VK_F10, MK_SHIFT | MK_CONTROL);
    ASSERT_EQ(sources.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(sources[i], other);
        EXPECT_EQ(points[i], other->ClientToScreen(TPoint(0, 0)));
    }
    // A handler that takes the key keeps it.
    other->OnKeyDown = [](TObject*, WORD& key, TShiftState) { key = 0; };
    UiTest::NativeKey(VK_APPS);
    EXPECT_EQ(sources.size(), 2u);
    // A control without a menu of its own opens its parent's, at the parent's beginning.
    other->OnKeyDown = nullptr;
    other->SetPopupMenu(nullptr);
    form->SetPopupMenu(menu);
    UiTest::NativeKey(VK_APPS);
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources[2], form);
    EXPECT_EQ(points[2], form->ClientToScreen(TPoint(0, 0)));
}

// A window manager may force a size on any window (wmctrl -e does). A fixed frame gives it back and keeps its
// controls as laid out; a sizeable one takes it.
TEST_F(Desktop, AFixedFrameKeepsItsSizeAgainstTheWindowManager) {
    auto* fixed = new TForm(Application);
    fixed->SetFormBorderStyle(bsSingle);
    fixed->SetBounds(40, 30, 320, 180);
    fixed->Show();
    UiTest::Flush();
    UiTest::ForceWindowSize(fixed, 500, 400);
    EXPECT_EQ(fixed->Width(), 320);
    EXPECT_EQ(fixed->Height(), 180);
    EXPECT_EQ(UiTest::WindowSize(fixed), TPoint(320, 180));
    // The program itself still sizes it.
    fixed->SetBounds(fixed->Left(), fixed->Top(), 360, 200);
    UiTest::Flush();
    EXPECT_EQ(UiTest::WindowSize(fixed), TPoint(360, 200));
    UiTest::ForceWindowSize(fixed, 200, 100);
    EXPECT_EQ(UiTest::WindowSize(fixed), TPoint(360, 200));
    EXPECT_EQ(fixed->Width(), 360);
    delete fixed;

    UiTest::ForceWindowSize(form, 500, 400);
    EXPECT_EQ(form->Width(), 500);
    EXPECT_EQ(form->Height(), 400);
    EXPECT_EQ(UiTest::WindowSize(form), TPoint(500, 400));
}
