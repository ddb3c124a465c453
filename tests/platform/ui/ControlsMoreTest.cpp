#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PlatformClasses.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
// A button-like control: answers Enter while it is the default one, Escape while it cancels, and its
// accelerator character.
class TKeyButton : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    bool isDefault = false, isCancel = false;
    char accel = 0;
    int clicks = 0;
    std::vector<std::string> changes;
    void Dispatch(TMessage& m) override {
        if (m.Msg == CM_DIALOGKEY && ((m.WParam == VK_RETURN && isDefault) || (m.WParam == VK_ESCAPE && isCancel))) {
            ++clicks;
            m.Result = 1;
            return;
        }
        if (m.Msg == CM_DIALOGCHAR && accel && char(m.WParam) == accel) {
            ++clicks;
            m.Result = 1;
            return;
        }
        if (m.Msg == CM_FOCUSCHANGED) {
            auto* c = reinterpret_cast<TControl*>(m.LParam);
            changes.push_back(c ? c->Name() : "");
        }
        TCustomControl::Dispatch(m);
    }
};

struct Fixture : ::testing::Test {
    void SetUp() override {
        UiTest::Init();
        form = new TForm(Application);
        form->SetBounds(0, 0, 300, 200);
        form->SetName("Main");
    }
    void TearDown() override {
        delete form;
        UiTest::Flush();
    }
    TForm* form = nullptr;
};
}  // namespace

TEST_F(Fixture, DialogKeysAndCharsReachTheButtons) {
    auto* ok = new TKeyButton(form);
    ok->SetName("Ok");
    ok->SetParent(form);
    ok->SetTabStop(true);
    ok->isDefault = true;
    auto* cancel = new TKeyButton(form);
    cancel->SetName("Cancel");
    cancel->SetParent(form);
    cancel->SetBounds(100, 0, 50, 20);
    cancel->SetTabStop(true);
    cancel->isCancel = true;
    cancel->accel = 'c';
    form->Show();
    UiTest::Key(VK_RETURN);
    EXPECT_EQ(ok->clicks, 1);
    UiTest::Key(VK_ESCAPE);
    EXPECT_EQ(cancel->clicks, 1);
    // Alt+C: the accelerator.
    TWinControl* f = GetFocus();
    ASSERT_NE(f, nullptr);
    UiTest::Chars("");
    SendMessage(form, CM_DIALOGCHAR, 'c', ssAlt);
    EXPECT_EQ(cancel->clicks, 2);
    // Every control hears which control took the focus.
    cancel->SetFocus();
    ASSERT_FALSE(ok->changes.empty());
    EXPECT_EQ(ok->changes.back(), "Cancel");
    EXPECT_EQ(cancel->changes.back(), "Cancel");
}

TEST_F(Fixture, DisabledControlsLetTheMouseThroughToTheirParent) {
    auto* child = new TKeyButton(form);
    child->SetParent(form);
    child->SetBounds(10, 10, 50, 50);
    form->Show();
    int childDowns = 0, formDowns = 0;
    child->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++childDowns; };
    form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        ++formDowns;
        EXPECT_EQ(x, 20);
        EXPECT_EQ(y, 20);
    };
    child->SetEnabled(false);
    UiTest::MouseDown(child, 10, 10);
    UiTest::MouseUp(child, 10, 10);
    EXPECT_EQ(childDowns, 0);
    EXPECT_EQ(formDowns, 1);
    child->SetEnabled(true);
    UiTest::MouseDown(child, 10, 10);
    UiTest::MouseUp(child, 10, 10);
    EXPECT_EQ(childDowns, 1);
}

TEST_F(Fixture, ZOrderHitTestingAndCoordinates) {
    auto* under = new TKeyButton(form);
    under->SetParent(form);
    under->SetBounds(10, 10, 100, 100);
    auto* over = new TKeyButton(form);
    over->SetParent(form);
    over->SetBounds(50, 50, 100, 100);
    form->SetBounds(30, 40, 300, 200);
    EXPECT_EQ(form->ControlAtPos(TPoint(60, 60), false), over);
    under->BringToFront();
    EXPECT_EQ(form->ControlAtPos(TPoint(60, 60), false), under);
    EXPECT_EQ(form->ControlAtPos(TPoint(5, 5), false), nullptr);
    EXPECT_EQ(over->ClientToScreen(TPoint(1, 2)), TPoint(30 + 50 + 1, 40 + 50 + 2));
    EXPECT_EQ(over->ScreenToClient(TPoint(81, 92)), TPoint(1, 2));
    over->SetParent(nullptr);
    EXPECT_EQ(form->ControlCount(), 1);
    delete over;
}

TEST_F(Fixture, FreeingAParentFreesItsChildren) {
    auto* panel = new TKeyButton(form);
    panel->SetParent(form);
    auto* inner = new TKeyButton(form);  // owned by the form, parented by the panel
    inner->SetName("Inner");
    inner->SetParent(panel);
    EXPECT_EQ(form->FindComponent("Inner"), inner);
    delete panel;
    EXPECT_EQ(form->FindComponent("Inner"), nullptr);
    EXPECT_FALSE(ControlAlive(inner));
}

TEST_F(Fixture, TabOrderDecidesTheNextControl) {
    std::vector<TKeyButton*> b;
    for (int i = 0; i < 3; ++i) {
        auto* k = new TKeyButton(form);
        k->SetParent(form);
        k->SetBounds(i * 60, 0, 50, 20);
        k->SetTabStop(true);
        b.push_back(k);
    }
    b[2]->SetTabOrder(0);
    EXPECT_EQ(b[2]->TabOrder(), 0);
    form->Show();
    b[2]->SetFocus();
    UiTest::Key(VK_TAB);
    EXPECT_TRUE(b[0]->Focused());
    b[1]->SetTabStop(false);
    UiTest::Key(VK_TAB);
    EXPECT_TRUE(b[2]->Focused());
    b[0]->SetVisible(false);
    EXPECT_EQ(form->FindNextControl(b[2], true, true, false), nullptr);
}

TEST_F(Fixture, TheLoopRunsUntilTheMainFormCloses) {
    TCustomForm* keep = Application->MainForm();
    Application->SetMainForm(form);
    int closes = 0;
    form->OnClose = [&](TObject*, TCloseAction& a) {
        ++closes;
        a = caHide;
    };
    bool refuse = true;
    form->OnCloseQuery = [&](TObject*, bool& can) { can = !refuse; };
    TTimer t(nullptr);
    t.SetInterval(5);
    int ticks = 0;
    t.OnTimer = [&](TObject*) {
        // A loaded machine may deliver one more tick before the loop sees that it has ended.
        if (++ticks > 2) return;
        if (ticks == 2) refuse = false;
        form->Close();
    };
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    Application->ClearTerminated();
    EXPECT_EQ(closes, 1);
    EXPECT_GE(ticks, 2);
    EXPECT_FALSE(form->Visible());
    Application->SetMainForm(keep);
}

TEST_F(Fixture, OnExceptionReplacesTheDefaultDisplay) {
    std::string seen;
    Application->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
    int before = UiTest::MessageBoxCount();
    TTimer t(nullptr);
    t.SetInterval(5);
    t.OnTimer = [&](TObject*) {
        t.SetEnabled(false);
        throw ERangeError();
    };
    UiTest::Wait(30);
    Application->OnException = nullptr;
    EXPECT_EQ(seen, "Range check error");
    EXPECT_EQ(UiTest::MessageBoxCount(), before);
    // Message boxes answer as the test asked.
    UiTest::AnswerMessageBoxes(IDYES);
    EXPECT_EQ(Application->MessageBox("\xc8\xb7\xb6\xa8\xc2\xf0\xa3\xbf", "\xc8\xb7\xc8\xcf", MB_YESNO | MB_ICONQUESTION),
              IDYES);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "\xc8\xb7\xc8\xcf");
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_YESNO), IDNO);  // unanswered questions change nothing
}

TEST_F(Fixture, TheSilentAbortReachesNoDisplay) {
    bool seen = false;
    Application->OnException = [&](TObject*, const std::exception&) { seen = true; };
    TTimer t(nullptr);
    t.SetInterval(5);
    t.OnTimer = [&](TObject*) {
        t.SetEnabled(false);
        Abort();
    };
    UiTest::Wait(30);
    Application->OnException = nullptr;
    EXPECT_FALSE(seen);
}

TEST_F(Fixture, FormsFreedOnCloseAndLoadingDefersAlignment) {
    auto* f = new TForm(Application);
    f->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    f->Show();
    f->Close();
    EXPECT_TRUE(ControlAlive(f));  // not inside its own handler
    UiTest::Flush();
    EXPECT_FALSE(ControlAlive(f));
    // While loading, aligned children wait for Loaded.
    auto* c = new TKeyButton(form);
    form->BeginLoading();
    c->SetParent(form);
    c->SetAlign(alClient);
    EXPECT_EQ(c->Width(), 0);
    form->Loaded();
    EXPECT_EQ(c->Width(), form->ClientWidth());
    EXPECT_FALSE(form->IsLoading());
}

TEST_F(Fixture, ACursorOfDefaultFallsBackToTheParent) {
    auto* child = new TKeyButton(form);
    child->SetParent(form);
    child->SetBounds(0, 0, 50, 50);
    form->SetCursor(crCross);
    form->Show();
    UiTest::MouseMove(child, 5, 5);
    EXPECT_EQ(Screen->ActiveCursorNumber(), crCross);
    child->SetCursor(crIBeam);
    UiTest::MouseMove(child, 6, 5);
    EXPECT_EQ(Screen->ActiveCursorNumber(), crIBeam);
}

TEST(Timer, IntervalZeroStopsAndChangesRestart) {
    UiTest::Init();
    TTimer t(nullptr);
    int n = 0;
    t.OnTimer = [&](TObject*) { ++n; };
    t.SetInterval(0);
    UiTest::Wait(30);
    EXPECT_EQ(n, 0);
    t.SetInterval(5);
    UiTest::Wait(40);
    EXPECT_GT(n, 1);
}

TEST(Registry, ClassRecordsNameTheirClassAndParent) {
    UiTest::Init();
    // A record with no properties of its own: named after its class, below its parent, one per class.
    const TClassInfo& tool = TLabel::StaticClass();
    EXPECT_EQ(&tool, &TLabel::StaticClass());
    EXPECT_EQ(tool.name, "TLabel");
    EXPECT_EQ(tool.parent, &TCustomLabel::StaticClass());
    EXPECT_NE(tool.FindProp("Caption"), nullptr);  // inherited along the chain
    ASSERT_TRUE(tool.create);
    std::unique_ptr<TComponent> made(tool.create(nullptr));
    EXPECT_EQ(made->ClassType(), &tool);
    EXPECT_TRUE(made->InheritsFrom(TCustomLabel::StaticClass()));
    EXPECT_FALSE(made->InheritsFrom(TWinControl::StaticClass()));
    // An abstract class is known but never made from its name.
    EXPECT_EQ(TCustomControl::StaticClass().name, "TCustomControl");
    EXPECT_EQ(TCustomControl::StaticClass().parent, &TWinControl::StaticClass());
    EXPECT_FALSE(TCustomControl::StaticClass().create);
}

TEST(Registry, ThePlatformClassesAreFoundByName) {
    UiTest::Init();
    RegisterPlatformClasses();
    for (const char* n : {"TForm", "TTimer", "TPopupMenu", "TMenuItem", "TImageList"}) {
        const TClassInfo* c = GetClass(n);
        ASSERT_NE(c, nullptr) << n;
        std::unique_ptr<TComponent> made(c->create(nullptr));
        EXPECT_EQ(made->ClassName(), n);
    }
    // The usual form-resource properties of a form are known.
    TForm f(nullptr);
    for (const char* p : {"PixelsPerInch", "TextHeight", "OldCreateOrder", "Caption", "ClientWidth", "Position",
                          "BorderStyle", "Font", "OnCreate", "WindowState", "BorderIcons"})
        EXPECT_TRUE(IsPublishedProp(&f, p)) << p;
    SetSetProp(&f, "BorderIcons", "[biSystemMenu]");
    EXPECT_EQ(f.BorderIcons(), biSystemMenu);
    SetEnumProp(&f, "BorderStyle", "bsDialog");
    EXPECT_EQ(f.FormBorderStyle(), bsDialog);
}
