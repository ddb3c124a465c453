#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
std::vector<std::string>* g_log = nullptr;

std::string MsgName(UINT m) {
    switch (m) {
    case WM_LBUTTONDOWN: return "down";
    case WM_LBUTTONUP: return "up";
    case WM_MOUSEMOVE: return "move";
    case CM_MOUSEENTER: return "enter";
    case CM_MOUSELEAVE: return "leave";
    case WM_ERASEBKGND: return "erase";
    case WM_NCPAINT: return "ncpaint";
    case WM_PAINT: return "paint";
    case WM_SETFOCUS: return "setfocus";
    case WM_KILLFOCUS: return "killfocus";
    case WM_TIMER: return "timer";
    case WM_CAPTURECHANGED: return "capturechanged";
    case WM_USER + 1: return "user1";
    case WM_USER + 2: return "user2";
    default: return "";
    }
}

// A windowed test control that records the messages it gets and paints a fill.
class TProbe : public TCustomControl {
public:
    explicit TProbe(TComponent* owner, const std::string& tag) : TCustomControl(owner), tag_(tag) {
        SetTabStop(true);
    }
    void Dispatch(TMessage& m) override {
        std::string n = MsgName(m.Msg);
        if (!n.empty() && g_log && (m.Msg != WM_MOUSEMOVE || logMoves)) {
            std::string e = tag_ + ":" + n;
            if (m.Msg == WM_MOUSEMOVE || m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONUP)
                e += "(" + std::to_string(m.XPos()) + "," + std::to_string(m.YPos()) + ")";
            g_log->push_back(e);
        }
        if (m.Msg == WM_TIMER) ++timerTicks;
        if (m.Msg == WM_USER + 3) throw Exception("boom in a handler");
        TCustomControl::Dispatch(m);
    }
    int paints = 0, timerTicks = 0;
    bool logMoves = true;
    TColor fill = clWhite;

protected:
    void Paint() override {
        ++paints;
        Canvas()->Brush()->SetColor(fill);
        Canvas()->FillRect(ClientRect());
    }

private:
    std::string tag_;
};

// A windowless control painted by its parent: a red cross.
class TCross : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    int paints = 0;

protected:
    void Paint() override {
        ++paints;
        Canvas()->Pen()->SetColor(clRed);
        Canvas()->MoveTo(0, 0);
        Canvas()->LineTo(Width(), Height());
        Canvas()->MoveTo(Width() - 1, 0);
        Canvas()->LineTo(-1, Height());
    }
};

struct FormFixture : ::testing::Test {
    void SetUp() override {
        UiTest::Init();
        g_log = &log;
        form = new TForm(Application);
        form->SetBounds(10, 10, 300, 200);
        form->SetCaption("Probe");
        a = new TProbe(form, "A");
        a->SetParent(form);
        a->SetBounds(10, 10, 100, 80);
        b = new TProbe(form, "B");
        b->SetParent(form);
        b->SetBounds(150, 10, 100, 80);
        form->Show();
        UiTest::Flush();
        log.clear();
    }
    void TearDown() override {
        delete form;
        g_log = nullptr;
        UiTest::Flush();
    }
    std::vector<std::string> log;
    TForm* form = nullptr;
    TProbe* a = nullptr;
    TProbe* b = nullptr;
};
}  // namespace

TEST_F(FormFixture, PressDragOutAndReleaseOverTwoControls) {
    UiTest::MouseMove(a, 5, 5);
    UiTest::MouseDown(a, 5, 5);
    UiTest::MouseMove(a, 20, 5, MK_LBUTTON);
    UiTest::MouseMove(b, 5, 5, MK_LBUTTON);  // outside A: still A's, which holds the capture
    UiTest::MouseUp(b, 5, 5);
    UiTest::MouseMove(b, 6, 5);
    std::vector<std::string> expected = {
        "A:move(5,5)",    "A:enter",       "A:down(5,5)", "A:move(20,5)", "A:move(145,5)", "A:leave",
        "A:up(145,5)",    "A:capturechanged", "B:enter",     "B:move(6,5)",
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FormFixture, InvalidateEraseNcPaintPaintInOrder) {
    a->Invalidate();
    UiTest::Flush();
    std::vector<std::string> expected = {"A:erase", "A:paint"};
    EXPECT_EQ(log, expected);
    log.clear();
    InvalidateRect(a, nullptr, FALSE);
    UiTest::Flush();
    EXPECT_EQ(log, std::vector<std::string>{"A:paint"});
    log.clear();
    a->SetBounds(10, 10, 110, 80);  // a new size: the frame is painted again
    UiTest::Flush();
    expected = {"A:erase", "A:ncpaint", "A:paint"};
    EXPECT_EQ(log, expected);
    // Update paints at once; nothing is left for later.
    log.clear();
    a->Invalidate();
    a->Update();
    EXPECT_EQ(log.size(), 2u);
    UiTest::Flush();
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(FormFixture, ShowSurfacePutsWhatWasDrawnOnTheScreenAtOnceAndNothingElse) {
    std::vector<TColor> shown;
    UiTest::OnScreenPaint(a, [&] {
        shown.push_back(std::unique_ptr<TBitmap>(a->CopySurface())->Canvas()->Pixel(40, 40));
    });
    // Drawn straight onto the surface, with a repaint pending and a message waiting: the drawing reaches the
    // screen, the pending paint and the message wait for the loop.
    a->fill = clBlue;
    a->Invalidate();
    PostMessage(a, WM_USER + 1, 0, 0);
    a->ClientCanvas()->Brush()->SetColor(clRed);
    a->ClientCanvas()->FillRect(a->ClientRect());
    a->ShowSurface();
    EXPECT_EQ(shown, std::vector<TColor>{clRed});
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(a->PaintPending());
    // Outside the client area, or on a hidden control: nothing to show.
    const TRect outside(500, 500, 600, 600);
    a->ShowSurface(&outside);
    EXPECT_EQ(shown.size(), 1u);
    UiTest::OnScreenPaint(a, {});
    UiTest::Flush();
    EXPECT_EQ(log, (std::vector<std::string>{"A:user1", "A:erase", "A:paint"}));
    std::unique_ptr<TBitmap> shot(UiTest::Capture(a));
    EXPECT_EQ(shot->Canvas()->Pixel(40, 40), clBlue);
    size_t paints = 0;
    UiTest::OnScreenPaint(a, [&] { ++paints; });
    a->Hide();
    a->ShowSurface();
    EXPECT_EQ(paints, 0u);
    UiTest::OnScreenPaint(a, {});
}

TEST_F(FormFixture, PostedMessagesArriveLaterAndInOrder) {
    PostMessage(a, WM_USER + 1, 0, 0);
    PostMessage(a, WM_USER + 2, 0, 0);
    SendMessage(b, WM_USER + 1, 0, 0);
    EXPECT_EQ(log, std::vector<std::string>{"B:user1"});
    Application->ProcessMessages();
    std::vector<std::string> expected = {"B:user1", "A:user1", "A:user2"};
    EXPECT_EQ(log, expected);
    // A message posted to a control that is gone by then is dropped.
    PostMessage(b, WM_USER + 1, 0, 0);
    delete b;
    b = nullptr;
    UiTest::Flush();
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(FormFixture, WindowTimersAndTheTimerComponent) {
    SetTimer(a, 7, 10);
    UiTest::Wait(60);
    EXPECT_GE(a->timerTicks, 2);
    KillTimer(a, 7);
    int ticks = a->timerTicks;
    UiTest::Wait(40);
    EXPECT_EQ(a->timerTicks, ticks);
    TTimer t(nullptr);
    int fired = 0;
    t.SetInterval(10);
    t.OnTimer = [&](TObject*) { ++fired; };
    UiTest::Wait(60);
    EXPECT_GE(fired, 2);
    t.SetEnabled(false);
    int now = fired;
    UiTest::Wait(30);
    EXPECT_EQ(fired, now);
    DWORD t0 = GetTickCount();
    UiTest::Wait(20);
    EXPECT_GE(GetTickCount() - t0, 20u);
}

TEST_F(FormFixture, ExceptionInAHandlerReachesTheDisplayAndTheLoopGoesOn) {
    Application->SetTitle("Quillmark");
    int before = UiTest::MessageBoxCount();
    PostMessage(a, WM_USER + 3, 0, 0);
    PostMessage(a, WM_USER + 1, 0, 0);
    UiTest::Flush();
    EXPECT_EQ(UiTest::MessageBoxCount(), before + 1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "Quillmark");
    EXPECT_EQ(UiTest::LastMessageBoxText(), "boom in a handler.");
    EXPECT_EQ(log.back(), "A:user1");
    // A timer handler that throws does not stop the timer.
    TTimer t(nullptr);
    int fired = 0;
    t.SetInterval(5);
    t.OnTimer = [&](TObject*) {
        ++fired;
        throw Exception("tick");
    };
    // A loaded machine may deliver ticks late: wait for them rather than for a fixed time.
    for (int i = 0; i < 200 && fired < 2; ++i) UiTest::Wait(10);
    EXPECT_GE(fired, 2);
}

TEST_F(FormFixture, FocusMovesWithSetFocusAndTab) {
    a->SetFocus();
    EXPECT_TRUE(a->Focused());
    log.clear();
    int changes = 0;
    b->OnEnter = [&](TObject*) { ++changes; };
    b->SetFocus();
    std::vector<std::string> expected = {"A:killfocus", "B:setfocus"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form->ActiveControl(), b);
    UiTest::Key(VK_TAB);
    EXPECT_TRUE(a->Focused());
    UiTest::Key(VK_TAB, MK_SHIFT);
    EXPECT_TRUE(b->Focused());
    // A disabled control cannot take the focus.
    a->SetEnabled(false);
    EXPECT_THROW(a->SetFocus(), EInvalidOperation);
    UiTest::Key(VK_TAB);
    EXPECT_TRUE(b->Focused());
    // Keys go to the focused control's events.
    WORD seen = 0;
    std::string typed;
    b->OnKeyDown = [&](TObject*, WORD& k, TShiftState) { seen = k; };
    b->OnKeyPress = [&](TObject*, char& c) { typed += c; };
    UiTest::Key('Q');
    UiTest::Chars("xy");
    EXPECT_EQ(typed, "xy");
    EXPECT_EQ(seen, 'Y');
    // The same through the backend's key events: Tab moves our focus, letters reach the focused control.
    a->SetEnabled(true);
    UiTest::NativeKey(VK_TAB);
    EXPECT_TRUE(a->Focused());
    UiTest::NativeKey(VK_TAB);
    EXPECT_TRUE(b->Focused());
    UiTest::NativeKey('K');
    EXPECT_EQ(typed, "xyk");
    EXPECT_EQ(seen, 'K');
}

TEST_F(FormFixture, GraphicControlsArePaintedByTheirParentAndCaptured) {
    auto* cross = new TCross(form);
    cross->SetParent(a);
    cross->SetBounds(10, 10, 40, 30);
    a->fill = clYellow;
    a->Invalidate();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(form));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/controls-form.png");
    TCanvas* c = shot->Canvas();
    EXPECT_GE(cross->paints, 1);
    // The cross's corner pixel is on A's surface at A's place in the form.
    EXPECT_EQ(c->Pixel(10 + 10, 10 + 10), clRed);
    EXPECT_EQ(c->Pixel(10 + 10 + 20, 10 + 10 + 3), clYellow);
    EXPECT_EQ(c->Pixel(5, 5), ColorToRGB(clBtnFace));
    // The cross receives the mouse at its own coordinates.
    int mx = -1, my = -1;
    cross->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        mx = x;
        my = y;
    };
    int clicks = 0;
    cross->OnClick = [&](TObject*) { ++clicks; };
    UiTest::Click(cross, 3, 4);
    EXPECT_EQ(mx, 3);
    EXPECT_EQ(my, 4);
    EXPECT_EQ(clicks, 1);
    // The same through the backend's own events.
    UiTest::NativeClick(cross, 5, 6);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(mx, 5);
    EXPECT_EQ(my, 6);
    // Released outside: no click.
    UiTest::MouseDown(cross, 3, 4);
    UiTest::MouseUp(a, 80, 70);
    EXPECT_EQ(clicks, 2);
}

TEST_F(FormFixture, CursorsFollowTheControlAndTheScreen) {
    a->SetCursor(crHandPoint);
    UiTest::MouseMove(a, 5, 5);
    EXPECT_EQ(Screen->ActiveCursorNumber(), crHandPoint);
    UiTest::MouseMove(b, 5, 5);
    EXPECT_EQ(Screen->ActiveCursorNumber(), crArrow);
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(Screen->ActiveCursorNumber(), crHourGlass);
    UiTest::MouseMove(a, 6, 6);
    EXPECT_EQ(Screen->ActiveCursorNumber(), crHourGlass);
    Screen->SetCursor(crDefault);
    // A program cursor registered in the table.
    RegisterCursorResource("HANDPNT", {"#.", ".#"}, 0, 0);
    Screen->SetCursors(16, LoadCursor(HInstance, "HANDPNT"));
    a->SetCursor(16);
    a->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(a), MAKELPARAM(HTCLIENT, 0));
    EXPECT_EQ(Screen->ActiveCursorNumber(), 16);
    EXPECT_EQ(GetCursor(), LoadCursor(HInstance, "HANDPNT"));
}

TEST_F(FormFixture, WheelGoesToTheFocusedControlThenItsParent) {
    b->SetFocus();
    int delta = 0;
    bool formSaw = false;
    b->OnMouseWheel = [&](TObject*, TShiftState, int d, TPoint, bool& handled) {
        delta = d;
        handled = d > 0;
    };
    form->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
        formSaw = true;
        handled = true;
    };
    UiTest::Wheel(a, 5, 5, WHEEL_DELTA);
    EXPECT_EQ(delta, WHEEL_DELTA);
    EXPECT_FALSE(formSaw);
    UiTest::Wheel(a, 5, 5, -WHEEL_DELTA);
    EXPECT_TRUE(formSaw);
}

namespace {
// A control with window scroll bars and a sunken edge, as the map window has.
class TScrolled : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<int> codes;

protected:
    void CreateParams(TCreateParams& p) override {
        TCustomControl::CreateParams(p);
        p.Style |= WS_HSCROLL | WS_VSCROLL;
        p.ExStyle |= WS_EX_CLIENTEDGE;
    }
    void Dispatch(TMessage& m) override {
        if (m.Msg == WM_VSCROLL) codes.push_back(LOWORD(m.WParam));
        TCustomControl::Dispatch(m);
    }
    void Paint() override {
        Canvas()->Brush()->SetColor(clBlue);
        Canvas()->FillRect(ClientRect());
    }
};
}  // namespace

TEST_F(FormFixture, NonClientFrameAndScrollBars) {
    auto* s = new TScrolled(form);
    s->SetParent(form);
    s->SetBounds(20, 100, 120, 90);
    UiTest::Flush();
    EXPECT_EQ(s->ClientWidth(), 120 - 4 - 16);
    EXPECT_EQ(s->ClientHeight(), 90 - 4 - 16);
    EXPECT_EQ(s->WindowClientRect().Left, 2);
    std::unique_ptr<TBitmap> shot(UiTest::Capture(s));
    EXPECT_EQ(shot->Canvas()->Pixel(0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(shot->Canvas()->Pixel(1, 1), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(shot->Canvas()->Pixel(2, 2), clBlue);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = 0;
    si.nMax = 10000;
    si.nPage = 400;
    si.nPos = 20000;
    SetScrollInfo(s, SB_VERT, si, TRUE);
    EXPECT_EQ(GetScrollPos(s, SB_VERT), 10000 - 400 + 1);  // clamped to the last page
    SetScrollPos(s, SB_VERT, 50, TRUE);
    SCROLLINFO back;
    back.fMask = SIF_ALL;
    GetScrollInfo(s, SB_VERT, back);
    EXPECT_EQ(back.nPos, 50);
    EXPECT_EQ(back.nPage, 400u);
    SendMessage(s, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(s->codes, std::vector<int>{SB_LINEDOWN});
    // From the bar itself: the message arrives, and the thumb stays where the control leaves it.
    UiTest::ScrollBarAction(s, SB_VERT, SB_PAGEDOWN);
    UiTest::ScrollBarAction(s, SB_VERT, SB_TOP);
    EXPECT_EQ(s->codes, (std::vector<int>{SB_LINEDOWN, SB_PAGEDOWN, SB_TOP}));
    EXPECT_EQ(GetScrollPos(s, SB_VERT), 50);
    // Scrolling the window moves its pixels and asks for the uncovered strip only.
    UiTest::Flush();
    s->Canvas()->Brush()->SetColor(clRed);
    s->Canvas()->FillRect(TRect(0, 0, 10, 10));
    ScrollWindowEx(s, 5, 0, nullptr, nullptr, nullptr, nullptr, 0);
    std::unique_ptr<TBitmap> moved(UiTest::Capture(s));
    EXPECT_EQ(moved->Canvas()->Pixel(2 + 12, 2 + 3), clRed);
}

// A frame invalidated in part is painted only there; a whole invalidation still pending stays whole, and the
// clip of a partial paint does not stay on the window canvas.
TEST_F(FormFixture, FrameInvalidatedInPartPaintsOnlyThatPart) {
    struct TFramed : TCustomControl {
        using TCustomControl::TCustomControl;
        TColor ring = clRed;
        void Dispatch(TMessage& m) override {
            if (m.Msg == WM_NCPAINT) {
                WindowCanvas()->Brush()->SetColor(ring);
                WindowCanvas()->FillRect(TRect(0, 0, Width(), Height()));
                return;
            }
            TCustomControl::Dispatch(m);
        }
    };
    auto* w = new TFramed(form);
    w->SetParent(form);
    w->SetBounds(20, 100, 60, 40);
    UiTest::Flush();
    auto at = [&](int x) {
        std::unique_ptr<TBitmap> shot(UiTest::Capture(w));
        return shot->Canvas()->Pixel(x, 0);
    };
    ASSERT_EQ(at(0), clRed);
    w->ring = clLime;
    TRect strip(50, 0, 60, 40);
    w->InvalidateFrame(&strip);
    UiTest::Flush();
    EXPECT_EQ(at(59), clLime);
    EXPECT_EQ(at(49), clRed);
    w->WindowCanvas()->SetPixel(0, 0, clYellow);
    EXPECT_EQ(at(0), clYellow);
    w->ring = clBlue;
    w->InvalidateFrame();
    w->InvalidateFrame(&strip);
    UiTest::Flush();
    EXPECT_EQ(at(0), clBlue);
    TRect outside(100, 0, 120, 40);
    w->InvalidateFrame(&outside);
    EXPECT_FALSE(w->PaintPending());
}

TEST_F(FormFixture, ModalFormsAreAnsweredByTheTest) {
    auto* dlg = new TForm(Application);
    dlg->SetCaption("Dialog");
    int shown = 0;
    dlg->OnShow = [&](TObject*) { ++shown; };
    SetModalHook([](TCustomForm* f) { PostMessage(f, WM_CLOSE, 0, 0); f->SetModalResult(mrOk); });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(dlg->Visible());
    // OnCloseQuery may refuse: the loop goes on until it agrees.
    int asked = 0;
    dlg->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
    SetModalHook([](TCustomForm* f) {
        f->SetModalResult(mrCancel);
        PostMessage(f, WM_USER, 0, 0);
    });
    TTimer again(nullptr);
    again.SetInterval(5);
    again.OnTimer = [&](TObject*) { dlg->SetModalResult(mrYes); };
    EXPECT_EQ(dlg->ShowModal(), mrYes);
    EXPECT_EQ(asked, 2);
    SetModalHook(nullptr);
    delete dlg;
}

TEST(Components, OwnershipNamesAndFreeNotification) {
    auto* owner = new TComponent(nullptr);
    auto* x = new TComponent(owner);
    x->SetName("Alpha");
    auto* y = new TComponent(owner);
    EXPECT_THROW(y->SetName("alpha"), EComponentError);
    EXPECT_THROW(y->SetName("1bad"), EComponentError);
    y->SetName("Beta");
    EXPECT_EQ(owner->FindComponent("ALPHA"), x);
    EXPECT_EQ(owner->ComponentCount(), 2);
    struct Watcher : TComponent {
        using TComponent::TComponent;
        TComponent* gone = nullptr;
        void Notification(TComponent* c, TOperation op) override {
            if (op == opRemove) gone = c;
        }
    };
    Watcher w(nullptr);
    x->FreeNotification(&w);
    delete x;
    EXPECT_EQ(w.gone, x);
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner;  // frees Beta
}

TEST(Components, PublishedPropertiesAndEventsByName) {
    UiTest::Init();
    struct THandlers : TComponent {
        using TComponent::TComponent;
        static const TClassInfo& StaticClass() {
            static TClassInfo ci{"THandlers", &TComponent::StaticClass(), {}, {},
                                 {Method("ButtonClick", &THandlers::ButtonClick)}};
            return ci;
        }
        const TClassInfo* ClassType() const override { return &StaticClass(); }
        void ButtonClick(TObject*) { ++clicks; }
        int clicks = 0;
    };
    THandlers h(nullptr);
    TForm f(nullptr);
    TProbe p(nullptr, "P");
    p.SetParent(&f);
    SetOrdProp(&p, "Width", 77);
    EXPECT_EQ(p.Width(), 77);
    SetEnumProp(&p, "Align", "alClient");
    EXPECT_EQ(p.Align(), alClient);
    EXPECT_EQ(p.Width(), f.ClientWidth());
    SetStrProp(&p, "Caption", "\xcd\xbc");
    EXPECT_EQ(p.Caption(), "\xcd\xbc");
    SetSetProp(GetObjectProp(&p, "Font"), "Style", "[fsBold, fsItalic]");
    EXPECT_EQ(p.Font()->Style(), fsBold | fsItalic);
    EXPECT_EQ(GetSetProp(p.Font(), "Style"), "[fsBold,fsItalic]");
    EXPECT_FALSE(p.ParentFont());
    EXPECT_THROW(SetOrdProp(&p, "NoSuchThing", 1), EPropertyError);
    EXPECT_THROW(SetEnumProp(&p, "Align", "alSideways"), EPropertyError);
    SetMethodProp(&p, "OnClick", &h, "ButtonClick");
    p.Click();
    EXPECT_EQ(h.clicks, 1);
    EXPECT_THROW(SetMethodProp(&p, "OnMouseDown", &h, "ButtonClick"), EPropertyError);  // another signature
    RegisterClass(TForm::StaticClass());
    std::unique_ptr<TComponent> made(FindClass("tform").create(nullptr));
    EXPECT_EQ(made->ClassName(), "TForm");
    EXPECT_THROW(FindClass("TNothing"), EClassNotFound);
}

TEST(Controls, ParentColorAndFontAndAlignment) {
    UiTest::Init();
    TForm f(nullptr);
    f.SetBounds(0, 0, 200, 100);
    f.SetColor(clTeal);
    f.Font()->SetName("Arial");
    TProbe top(nullptr, "T"), rest(nullptr, "R");
    top.SetParent(&f);
    rest.SetParent(&f);
    top.SetHeight(30);
    top.SetAlign(alTop);
    rest.SetAlign(alClient);
    EXPECT_EQ(top.BoundsRect(), TRect(0, 0, 200, 30));
    EXPECT_EQ(rest.BoundsRect(), TRect(0, 30, 200, 100));
    f.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(rest.BoundsRect(), TRect(0, 30, 300, 150));
    EXPECT_EQ(top.Color(), clTeal);
    EXPECT_TRUE(top.ParentColor());
    EXPECT_EQ(top.Font()->Name(), "Arial");
    f.SetColor(clNavy);
    EXPECT_EQ(rest.Color(), clNavy);
    rest.SetColor(clRed);
    f.SetColor(clGreen);
    EXPECT_EQ(rest.Color(), clRed);
    EXPECT_FALSE(rest.ParentColor());
    top.SetVisible(false);
    EXPECT_EQ(rest.BoundsRect(), TRect(0, 0, 300, 150));
    // Anchors: a control held to the right and bottom edges moves with them; one held to both sides grows.
    TProbe corner(nullptr, "C"), wide(nullptr, "W");
    corner.SetParent(&f);
    wide.SetParent(&f);
    corner.SetBounds(250, 120, 40, 20);
    corner.SetAnchors(akRight | akBottom);
    wide.SetBounds(10, 10, 100, 20);
    wide.SetAnchors(akLeft | akTop | akRight);
    f.SetBounds(0, 0, 350, 170);
    EXPECT_EQ(corner.BoundsRect(), TRect(300, 140, 340, 160));
    EXPECT_EQ(wide.Width(), 150);
}

TEST_F(FormFixture, PaintMessagesDrawOnTheCanvasTheyBring) {
    // As a transparent child paints its parent's background: the parent paints into another canvas,
    // its graphic children at their places.
    auto* cross = new TCross(form);
    cross->SetParent(a);
    cross->SetBounds(10, 10, 40, 30);
    a->fill = clLime;
    TBitmap bmp(60, 40, pf24bit);
    TCanvas* dc = bmp.Canvas();
    dc->SetViewportOrg(-5, -5);
    a->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    a->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    dc->SetViewportOrg(0, 0);
    EXPECT_EQ(dc->Pixel(0, 0), clLime);
    EXPECT_EQ(dc->Pixel(5, 5), clRed);  // the cross's corner (10, 10) shifted by the origin
    EXPECT_EQ(dc->Pixel(5 + 1, 5), clLime);
}

TEST_F(FormFixture, DrawingOutsidePaintShowsAtOnceAndXorUndoesIt) {
    // A rubber band drawn on the control's canvas between paints, as the map window draws it.
    a->fill = clWhite;
    a->Repaint();
    int painted = a->paints;
    TCanvas* c = a->Canvas();
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(RGB(0x40, 0x80, 0xC0));
    c->Pen()->SetStyle(psDot);
    TPoint band[] = {{10, 10}, {60, 10}, {60, 50}, {10, 50}, {10, 10}};
    c->Polyline(band, 5);
    std::unique_ptr<TBitmap> on(a->CopySurface());
    EXPECT_NE(on->Canvas()->Pixel(10, 10), clWhite);
    EXPECT_EQ(a->paints, painted);  // no paint was needed
    c->Polyline(band, 5);
    c->Pen()->SetMode(pmCopy);
    std::unique_ptr<TBitmap> off(a->CopySurface());
    for (int x = 0; x < 100; ++x) EXPECT_EQ(off->Canvas()->Pixel(x, 10), clWhite);
    // Clicks on a window's frame are not client messages.
    log.clear();
    a->SetBorderStyle(bsSingle);
    UiTest::Flush();
    UiTest::MouseDown(a, -1, -1);
    UiTest::MouseUp(a, -1, -1);
    for (const std::string& e : log) EXPECT_EQ(e.find("down"), std::string::npos) << e;
}

TEST_F(FormFixture, ApplicationHintFollowsTheControlUnderTheMouse) {
    a->SetHint("Short|The long hint of A");
    int changes = 0;
    Application->OnHint = [&](TObject*) { ++changes; };
    UiTest::MouseMove(a, 3, 3);
    EXPECT_EQ(Application->Hint(), "The long hint of A");
    EXPECT_EQ(GetShortHint(a->Hint()), "Short");
    UiTest::MouseMove(b, 3, 3);
    EXPECT_EQ(Application->Hint(), "");
    EXPECT_EQ(changes, 2);
    Application->OnHint = nullptr;
}

TEST_F(FormFixture, DeviceContextsOfWindowsAndTheScreen) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    screen->Font()->SetName("Arial");
    screen->Font()->SetSize(10);
    EXPECT_GT(screen->TextHeight("X"), 8);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(screen, NUMCOLORS), -1);
    TEXTMETRIC tm;
    GetTextMetrics(screen, tm);
    EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
    screen->Font()->SetName("MS Sans Serif");
    GetTextMetrics(screen, tm);
    EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
    ReleaseDC(nullptr, screen);
    HDC dc = GetDC(a);
    dc->Brush()->SetColor(clMaroon);
    dc->FillRect(TRect(0, 0, 5, 5));
    std::unique_ptr<TBitmap> s(a->CopySurface());
    EXPECT_EQ(s->Canvas()->Pixel(2, 2), clMaroon);
    ReleaseDC(a, dc);
}

TEST_F(FormFixture, DragFromOneControlAndDropOnAnother) {
    a->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { a->BeginDrag(false, -1); };
    std::vector<std::string> seen;
    b->OnDragOver = [&](TObject*, TObject* src, int x, int y, TDragState st, bool& accept) {
        seen.push_back("over" + std::to_string(int(st)) + "@" + std::to_string(x) + "," + std::to_string(y));
        accept = src == a && x < 50;
    };
    TObject* dropped = nullptr;
    b->OnDragDrop = [&](TObject*, TObject* src, int, int) { dropped = src; };
    TObject* ended = reinterpret_cast<TObject*>(1);
    a->OnEndDrag = [&](TObject*, TObject* target, int, int) { ended = target; };
    UiTest::MouseDown(a, 5, 5);
    EXPECT_TRUE(a->Dragging());
    UiTest::MouseMove(b, 10, 10, MK_LBUTTON);
    UiTest::MouseMove(b, 12, 10, MK_LBUTTON);
    UiTest::MouseUp(b, 12, 10);
    EXPECT_FALSE(a->Dragging());
    EXPECT_EQ(seen, (std::vector<std::string>{"over0@10,10", "over2@12,10"}));
    EXPECT_EQ(dropped, a);
    EXPECT_EQ(ended, b);
    // Released where the target refuses: no drop, the source hears of no target.
    dropped = nullptr;
    UiTest::MouseDown(a, 5, 5);
    UiTest::MouseMove(b, 80, 10, MK_LBUTTON);
    UiTest::MouseUp(b, 80, 10);
    EXPECT_EQ(dropped, nullptr);
    EXPECT_EQ(ended, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FormFixture, WindowCoveredByALaterFormOrOutsideTheWorkArea) {
    EXPECT_FALSE(IsWindowCovered(a));
    TForm other(nullptr);
    other.SetBounds(400, 10, 100, 100);
    other.Show();
    EXPECT_FALSE(IsWindowCovered(a));
    other.SetBounds(20, 20, 100, 100);  // over A
    EXPECT_TRUE(IsWindowCovered(a));
    EXPECT_FALSE(IsWindowCovered(&other));
    other.Hide();
    EXPECT_FALSE(IsWindowCovered(a));
    form->SetBounds(-50, 10, 300, 200);  // partly off the screen
    EXPECT_TRUE(IsWindowCovered(a));
}
