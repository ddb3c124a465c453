#include "platform/ui/Backend.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRubberBand>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <xcb/xcb.h>
#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_set>

#include "platform/ui/Docking.h"
#include "platform/ui/Forms.h"

namespace {
std::unordered_set<const TControl*>& Live() {
    static std::unordered_set<const TControl*> s;
    return s;
}
TControl* g_capture = nullptr;
TWinControl* g_focus = nullptr;
TControl* g_mouse = nullptr;  // has had CM_MOUSEENTER
TPoint g_mouseScreen;
// Mouse buttons held (MK_LBUTTON ...) and the shift state of the last key, for GetKeyState.
WPARAM g_mouseButtons = 0;
TShiftState g_keyShift = 0;
std::set<TWinControl*> g_paints;
bool g_paintPosted = false;

constexpr QEvent::Type kPosted = QEvent::Type(QEvent::User + 1);
constexpr QEvent::Type kPaint = QEvent::Type(QEvent::User + 2);

struct PostedEvent : QEvent {
    PostedEvent(TWinControl* w, UINT m, WPARAM wp, LPARAM lp) : QEvent(kPosted), wnd(w), msg(m), w(wp), l(lp) {}
    TWinControl* wnd;
    UINT msg;
    WPARAM w;
    LPARAM l;
};

class Dispatcher : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == kPosted) {
            auto* p = static_cast<PostedEvent*>(e);
            if (!Backend::Alive(p->wnd)) return true;
            // A posted key-down is read from the queue as a typed key is: the form's dialog keys see it first.
            if (p->msg == WM_KEYDOWN)
                Backend::DeliverKey(p->wnd, WORD(p->w), true, TShiftState(p->l & 0xFFFF), "");
            else
                Backend::Guard([&] { p->wnd->Perform(p->msg, p->w, p->l); });
            return true;
        }
        if (e->type() == kPaint) {
            g_paintPosted = false;
            Backend::FlushPaints();
            return true;
        }
        return QObject::event(e);
    }
};

Dispatcher* TheDispatcher() {
    static Dispatcher* d = nullptr;
    if (!d) {
        Application->Initialize();
        d = new Dispatcher;
    }
    return d;
}

struct TimerKey {
    TWinControl* w;
    UINT id;
    bool operator<(const TimerKey& o) const { return w != o.w ? w < o.w : id < o.id; }
};
std::map<TimerKey, QTimer*>& Timers() {
    static std::map<TimerKey, QTimer*> t;
    return t;
}

WPARAM MouseKeys(Qt::MouseButtons b, Qt::KeyboardModifiers m) {
    WPARAM k = 0;
    if (b & Qt::LeftButton) k |= MK_LBUTTON;
    if (b & Qt::RightButton) k |= MK_RBUTTON;
    if (b & Qt::MiddleButton) k |= MK_MBUTTON;
    if (m & Qt::ShiftModifier) k |= MK_SHIFT;
    if (m & Qt::ControlModifier) k |= MK_CONTROL;
    return k;
}

TShiftState KeyShift(Qt::KeyboardModifiers m) {
    TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    if (m & Qt::AltModifier) s |= ssAlt;
    return s;
}

// Window-coordinate point of a top-level's widget to the client point of a control.
TPoint ToClient(TControl* c, TWinControl* top, QPoint p) {
    TPoint screen = top->ClientToScreen(TPoint(p.x() - top->WindowClientRect().Left, p.y() - top->WindowClientRect().Top));
    return c->ScreenToClient(screen);
}

// The deepest control under a point of the top-level window (window coordinates).
TControl* Hit(TWinControl* top, QPoint p, bool allowDisabled) {
    TRect wc = top->WindowClientRect();
    TPoint cp(p.x() - wc.Left, p.y() - wc.Top);
    if (!top->ClientRect().Contains(cp)) return nullptr;
    TControl* cur = top;
    for (;;) {
        auto* w = dynamic_cast<TWinControl*>(cur);
        if (!w) return cur;
        TControl* next = w->ControlAtPos(cp, allowDisabled);
        if (!next) return cur;
        // Into the child's client coordinates.
        TRect nwc = next->WindowClientRect();
        TPoint np(cp.X - next->Left() - nwc.Left, cp.Y - next->Top() - nwc.Top);
        if (auto* nw = dynamic_cast<TWinControl*>(next)) {
            if (!nw->ClientRect().Contains(np)) return next;  // on its frame
        }
        cur = next;
        cp = np;
    }
}

void UpdateMouseControl(TControl* under) {
    TControl* cap = g_capture;
    TControl* desired = cap ? (under == cap ? cap : nullptr) : under;
    if (desired == g_mouse) return;
    TControl* old = g_mouse;
    g_mouse = desired;
    if (old && Backend::Alive(old)) Backend::Guard([&] { old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old)); });
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) QToolTip::hideText();
    if (desired && Backend::Alive(desired)) {
        Backend::Guard([&] { desired->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(desired)); });
        if (!Backend::Alive(desired)) return;
        Application->SetHint(GetLongHint(desired->Hint()));
        // The hint window shows the short hint after the pause, while the mouse stays on the control.
        if (Application->ShowHint() && desired->ShowHint() && !desired->Hint().empty()) {
            int cancels = Application->HintCancelCount();
            QTimer::singleShot(Application->HintPause(), [desired, cancels] {
                if (!Backend::Alive(desired) || g_mouse != desired || Application->HintCancelCount() != cancels) return;
                if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
                TPoint s = g_mouseScreen;
                QToolTip::showText(QPoint(s.X, s.Y + 20), FromGbk(GetShortHint(desired->Hint())));
            });
        }
    } else {
        Application->SetHint("");
    }
}
}  // namespace

namespace Backend {
DragState& Drag() {
    static DragState d;
    return d;
}

// Asks the control under the mouse whether it takes the drag, with enter and leave as the target changes.
static void DragMove(TControl* under) {
    DragState& d = Drag();
    TControl* src = d.source;
    TPoint s = g_mouseScreen;
    if (under != d.target) {
        if (d.target && Alive(d.target)) {
            TPoint p = d.target->ScreenToClient(s);
            bool acc = false;
            Guard([&] { d.target->DragOver(src, p.X, p.Y, dsDragLeave, acc); });
        }
        d.target = under;
        d.accepted = false;
        if (under) {
            TPoint p = under->ScreenToClient(s);
            bool acc = false;
            Guard([&] { under->DragOver(src, p.X, p.Y, dsDragEnter, acc); });
            d.accepted = acc;
        }
        return;
    }
    if (under) {
        TPoint p = under->ScreenToClient(s);
        bool acc = false;
        Guard([&] { under->DragOver(src, p.X, p.Y, dsDragMove, acc); });
        d.accepted = acc;
    }
}

// The outline of where a dock drag would put the control, on the screen above every window.
static QRubberBand* DockOutline(bool create) {
    static QPointer<QRubberBand> band;
    if (!band && create) {
        band = new QRubberBand(QRubberBand::Rectangle);
        band->setWindowFlags(band->windowFlags() | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput);
    }
    return band.data();
}

// The rectangle a control dropped here would float in: its own size, the press point under the mouse.
static TRect FloatRect(const DragState& d) {
    TPoint s = g_mouseScreen;
    int l = s.X - d.grab.X, t = s.Y - d.grab.Y;
    return TRect(l, t, l + std::max(d.source->Width(), 1), t + std::max(d.source->Height(), 1));
}

static void DockDragMove() {
    DragState& d = Drag();
    TDockTarget t;
    Guard([&] { t = FindDockTarget(d.source, g_mouseScreen); });
    d.dockSite = t.site;
    d.dropOn = t.dropOn;
    d.dropAlign = t.align;
    d.stay = t.stay;
    d.dockRect = t.site ? t.rect : FloatRect(d);
    if (QRubberBand* band = DockOutline(true)) {
        const TRect& r = d.dockRect;
        band->setGeometry(r.Left, r.Top, std::max(r.Width(), 1), std::max(r.Height(), 1));
        band->show();
    }
}

void HideDockOutline() {
    if (QRubberBand* band = DockOutline(false)) band->hide();
}

// The release of a dock drag docks the control where the outline showed, or floats it there.
static void FinishDockDrag(const DragState& d, bool drop) {
    HideDockOutline();
    TControl* src = d.source;
    if (!Alive(src)) return;
    TControl* target = nullptr;
    if (drop && d.started && !d.stay) {
        if (d.dockSite && Alive(d.dockSite)) {
            TControl* on = d.dropOn && Alive(d.dropOn) ? d.dropOn : nullptr;
            Guard([&] { src->ManualDock(d.dockSite, on, d.dropAlign); });
            target = d.dockSite;
        } else if (!d.dockSite) {
            TRect r = FloatRect(d);
            Guard([&] { src->ManualFloat(r); });
        }
    }
    if (Alive(src)) {
        TPoint p = target ? target->ScreenToClient(g_mouseScreen) : TPoint(0, 0);
        Guard([&] { src->DoEndDrag(target, p.X, p.Y); });
    }
}

void FinishDrag(bool drop) {
    DragState d = Drag();
    Drag() = DragState();
    if (!d.source) return;
    if (Capture() == d.source) SetCapture(nullptr);
    if (d.dock) {
        FinishDockDrag(d, drop);
        return;
    }
    TPoint s = g_mouseScreen;
    TControl* target = nullptr;
    if (d.started && d.target && Alive(d.target)) {
        TPoint p = d.target->ScreenToClient(s);
        if (drop && d.accepted) {
            target = d.target;
            Guard([&] { d.target->DragDrop(d.source, p.X, p.Y); });
        } else {
            bool acc = false;
            Guard([&] { d.target->DragOver(d.source, p.X, p.Y, dsDragLeave, acc); });
        }
    }
    if (Alive(d.source)) {
        TPoint p = target ? target->ScreenToClient(s) : TPoint(0, 0);
        Guard([&] { d.source->DoEndDrag(target, p.X, p.Y); });
    }
}

void HandleException() { Application->HandleException(nullptr); }

void Guard(const std::function<void()>& f) {
    try {
        f();
    } catch (...) {
        try {
            HandleException();
        } catch (...) {
        }
    }
}

void RegisterControl(const TControl* c) { Live().insert(c); }
void UnregisterControl(const TControl* c) {
    Live().erase(c);
    if (g_mouse == c) g_mouse = nullptr;
    if (g_capture == c) g_capture = nullptr;
    if (g_focus == c) g_focus = nullptr;
    for (auto it = g_paints.begin(); it != g_paints.end();) {
        if (static_cast<const TControl*>(*it) == c)
            it = g_paints.erase(it);
        else
            ++it;
    }
}
bool Alive(const TControl* c) { return c && Live().count(c) > 0; }

void Post(TWinControl* w, UINT msg, WPARAM wp, LPARAM lp) {
    QCoreApplication::postEvent(TheDispatcher(), new PostedEvent(w, msg, wp, lp));
}

void SchedulePaint(TWinControl* w) {
    g_paints.insert(w);
    if (!g_paintPosted && QCoreApplication::instance()) {
        g_paintPosted = true;
        QCoreApplication::postEvent(TheDispatcher(), new QEvent(kPaint), Qt::LowEventPriority);
    }
}

void FlushPaints() {
    // Parents before children, so a child that paints its parent's background sees it painted.
    for (int guard = 0; guard < 8 && !g_paints.empty(); ++guard) {
        std::vector<TWinControl*> list(g_paints.begin(), g_paints.end());
        auto depth = [](TControl* c) {
            int d = 0;
            for (; c; c = c->Parent()) ++d;
            return d;
        };
        std::stable_sort(list.begin(), list.end(), [&](TWinControl* a, TWinControl* b) { return depth(a) < depth(b); });
        g_paints.clear();
        for (TWinControl* w : list) {
            if (!Alive(w)) continue;
            if (!w->Showing() || !w->HandleAllocated()) {
                continue;  // painted when it shows
            }
            Guard([&] { w->ProcessPaint(); });
        }
    }
}

UINT SetTimer(TWinControl* w, UINT id, UINT ms) {
    if (!w) return 0;
    TheDispatcher();
    QTimer*& t = Timers()[TimerKey{w, id}];
    if (!t) {
        t = new QTimer(TheDispatcher());
        QObject::connect(t, &QTimer::timeout, t, [w, id] {
            if (Alive(w)) Guard([&] { w->Perform(WM_TIMER, id, 0); });
        });
    }
    t->start(int(std::max<UINT>(ms, 1)));
    return id == 0 ? 1 : id;
}

bool KillTimer(TWinControl* w, UINT id) {
    auto it = Timers().find(TimerKey{w, id});
    if (it == Timers().end()) return false;
    it->second->stop();
    it->second->deleteLater();
    Timers().erase(it);
    return true;
}

void KillTimers(TWinControl* w) {
    for (auto it = Timers().begin(); it != Timers().end();) {
        if (it->first.w == w) {
            it->second->stop();
            it->second->deleteLater();
            it = Timers().erase(it);
        } else {
            ++it;
        }
    }
}

TControl* Capture() { return g_capture; }

void EndMenuMode() {
    g_mouseButtons = MouseKeys(QGuiApplication::mouseButtons(), Qt::NoModifier);
    TControl* holder = g_capture;
    if (holder && Alive(holder)) Guard([&] { holder->Perform(WM_CANCELMODE); });
    if (g_capture == holder) SetCapture(nullptr);
}

void SetCapture(TControl* c) {
    if (c == g_capture) return;
    TControl* old = g_capture;
    g_capture = c;
    if (old && Alive(old)) Guard([&] { old->Perform(WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(c)); });
}

TWinControl* Focused() { return g_focus; }

void SetFocused(TWinControl* c) {
    if (c == g_focus) return;
    TWinControl* old = g_focus;
    g_focus = c;
    if (old && Alive(old)) Guard([&] { old->Perform(WM_KILLFOCUS, reinterpret_cast<WPARAM>(c), 0); });
    if (g_focus != c) return;  // a handler moved the focus on
    if (c && Alive(c)) {
        Guard([&] { c->Perform(WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0); });
        if (TCustomForm* f = GetParentForm(c)) Guard([&] { f->SetFocusedControl(c); });
        // Keys are routed by our own focus from the top-level window, except into a native child (a line
        // edit) that must hold the keyboard focus itself for its caret, selection and input method.
        if (Alive(c) && c->Widget() && c->Widget()->focusProxy())
            c->Widget()->setFocus(Qt::OtherFocusReason);
        else if (TWinControl* top = TopLevel(c); top && top->Widget() && Alive(c))
            top->Widget()->setFocus(Qt::OtherFocusReason);
    }
}

TControl* MouseControl() { return g_mouse; }
TPoint LastMouseScreen() { return g_mouseScreen; }
void SetLastMouseScreen(TPoint p) { g_mouseScreen = p; }

bool WindowStatesHonoured() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return true;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return true;
    // A window manager that follows the common conventions names its check window on the root window, and the
    // check window names itself (a stale name left by one that died does not).
    static const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
    if (!atom) return false;
    const xcb_atom_t check = atom->atom;
    free(atom);
    if (check == XCB_ATOM_NONE) return false;
    auto named = [&](xcb_window_t w) -> xcb_window_t {
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        xcb_window_t v = XCB_WINDOW_NONE;
        if (r && r->type == XCB_ATOM_WINDOW && r->format == 32 && xcb_get_property_value_length(r) == 4)
            v = *static_cast<xcb_window_t*>(xcb_get_property_value(r));
        free(r);
        return v;
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t wm = named(root);
    return wm != XCB_WINDOW_NONE && named(wm) == wm;
}

TWinControl* TopLevel(const TControl* c) {
    const TControl* t = c;
    while (t && t->Parent()) t = t->Parent();
    return const_cast<TWinControl*>(dynamic_cast<const TWinControl*>(t));
}

void RouteMouse(TWinControl* top, QPoint p, MouseKind kind, TMouseButton button, WPARAM keys) {
    if (!top) return;
    TRect wc = top->WindowClientRect();
    g_mouseScreen = top->ClientToScreen(TPoint(p.x() - wc.Left, p.y() - wc.Top));
    static const WPARAM bits[] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
    if (kind == Down || kind == DoubleClick) g_mouseButtons |= bits[button];
    if (kind == Up) g_mouseButtons &= ~bits[button];
    DragState& d = Drag();
    if (d.source) {
        // While dragging, the mouse belongs to the drag.
        if (!d.started && kind == Move) {
            int dx = std::abs(g_mouseScreen.X - d.start.X), dy = std::abs(g_mouseScreen.Y - d.start.Y);
            if (std::max(dx, dy) >= d.threshold) d.started = true;
        }
        if (kind == Up) {
            bool started = d.started;
            FinishDrag(started);
            if (started) return;  // the release ended the drag; a drag that never started lets it through
        } else {
            if (kind == Move && d.started) {
                if (d.dock)
                    DockDragMove();
                else
                    DragMove(Hit(top, p, false));
            }
            return;
        }
    }
    TControl* under = Hit(top, p, false);
    TControl* target = g_capture && Alive(g_capture) ? g_capture : under;
    // A press or move on a window's frame or scroll bars is not a client message, unless the window's hit
    // test claims the point for its client (a button drawn in its frame).
    if (target && !g_capture) {
        if (auto* tw = dynamic_cast<TWinControl*>(target)) {
            TPoint cp = ToClient(target, top, p);
            if (!tw->ClientRect().Contains(cp)) {
                LRESULT hit = HTNOWHERE;
                Guard([&] { hit = tw->Perform(WM_NCHITTEST, 0, MAKELPARAM(g_mouseScreen.X, g_mouseScreen.Y)); });
                if (hit != HTCLIENT || !Alive(tw)) target = nullptr;
            }
        }
    }
    if (target) {
        TPoint cp = ToClient(target, top, p);
        LPARAM lp = MAKELPARAM(cp.X, cp.Y);
        UINT msg = WM_MOUSEMOVE;
        WPARAM k = keys;
        if (kind != Move) {
            static const UINT downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
            static const UINT ups[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
            static const UINT dbls[] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
            msg = kind == Down ? downs[button] : kind == Up ? ups[button] : dbls[button];
            if (kind == DoubleClick && !(target->ControlStyle() & csDoubleClicks)) msg = downs[button];
        }
        if (kind == Move) {
            // The cursor is set before the move is delivered, as the window system does.
            TWinControl* w = dynamic_cast<TWinControl*>(target);
            if (!w) w = target->Parent();
            if (w && !g_capture) Guard([&] { w->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)); });
        }
        if (Alive(target)) Guard([&] { target->Perform(msg, k, lp); });
    }
    if (!Alive(top)) return;
    UpdateMouseControl(Hit(top, p, true));
}

void RouteWheel(TWinControl* top, QPoint p, int delta, WPARAM keys) {
    if (!top) return;
    TRect wc = top->WindowClientRect();
    TPoint screen = top->ClientToScreen(TPoint(p.x() - wc.Left, p.y() - wc.Top));
    TControl* target = g_focus && Alive(g_focus) && TopLevel(g_focus) == top ? static_cast<TControl*>(g_focus)
                                                                           : Hit(top, p, false);
    if (!target) return;
    WPARAM w = WPARAM(uint32_t(keys & 0xFFFF) | (uint32_t(uint16_t(int16_t(delta))) << 16));
    Guard([&] { target->Perform(WM_MOUSEWHEEL, w, MAKELPARAM(screen.X, screen.Y)); });
}

void RouteLeave(TWinControl*) {
    TControl* old = g_mouse;
    g_mouse = nullptr;
    if (old && Alive(old)) Guard([&] { old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old)); });
}

void RouteKey(TWinControl* top, WORD vk, bool down, TShiftState shift, const std::string& chars) {
    TWinControl* target = g_focus && Alive(g_focus) && (!top || TopLevel(g_focus) == top) ? g_focus : top;
    if (!target) return;
    DeliverKey(target, vk, down, shift, chars);
}

void DeliverKey(TWinControl* target, WORD vk, bool down, TShiftState shift, const std::string& chars) {
    g_keyShift = shift;
    TCustomForm* form = GetParentForm(target);
    LPARAM keyData = shift;
    if (down) {
        bool dialogKey = vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_LEFT || vk == VK_RIGHT ||
                         vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT;
        if (dialogKey && form) {
            LRESULT code = target->Perform(WM_GETDLGCODE, vk, 0);
            bool wanted = (code & DLGC_WANTALLKEYS) || (vk == VK_TAB && (code & DLGC_WANTTAB)) ||
                          ((vk >= VK_LEFT && vk <= VK_DOWN) && (code & DLGC_WANTARROWS));
            if (!wanted) {
                LRESULT r = 0;
                Guard([&] { r = form->Perform(CM_DIALOGKEY, vk, keyData); });
                if (r) return;
            }
        }
        if (!Alive(target)) return;
        if (form && form->KeyPreview() && form != target) {
            LRESULT r = 0;
            Guard([&] { r = form->Perform(WM_KEYDOWN, vk, keyData); });
            if (r) return;
        }
        Guard([&] { target->Perform((shift & ssAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, keyData); });
        for (char ch : chars) {
            if (!Alive(target)) return;
            if ((shift & ssAlt) && form) {
                LRESULT r = 0;
                Guard([&] { r = form->Perform(CM_DIALOGCHAR, WPARAM(uint8_t(ch)), keyData); });
                if (r) continue;
            }
            Guard([&] { target->Perform(WM_CHAR, WPARAM(uint8_t(ch)), keyData); });
        }
    } else {
        Guard([&] { target->Perform((shift & ssAlt) ? WM_SYSKEYUP : WM_KEYUP, vk, keyData); });
    }
}

WORD QtKeyToVk(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return WORD('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return WORD('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return WORD(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Menu: return VK_APPS;
    default: return 0;
    }
}
}  // namespace Backend

// ---------------------------------------------------------------- widget
TControlWidget::TControlWidget(TWinControl* c, bool topLevel) : QWidget(nullptr), control(c) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    // Keys arrive at the window and go to the control that has our focus.
    setFocusPolicy(topLevel ? Qt::StrongFocus : Qt::NoFocus);
    if (topLevel) setWindowFlag(Qt::Window);
    hide();
}

void TControlWidget::paintEvent(QPaintEvent* e) {
    if (!control) return;
    QPainter p(this);
    const QImage& img = control->BackSurface()->img.Pixels();
    if (!img.isNull()) p.drawImage(e->rect(), img, e->rect());
    if (onScreenPaint) onScreenPaint();
}

namespace {
struct Top {
    TWinControl* top;
    QPoint pos;
};
Top TopOf(TControlWidget* w, QPointF local) {
    TWinControl* top = Backend::TopLevel(w->control);
    QPoint p = local.toPoint();
    if (top && top->Widget() && top->Widget() != w) p = w->mapTo(top->Widget(), p);
    return Top{top, p};
}
TMouseButton Button(Qt::MouseButton b) {
    return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}
}  // namespace

void TControlWidget::mousePressEvent(QMouseEvent* e) {
    if (!control) return;
    Top t = TopOf(this, e->position());
    Backend::RouteMouse(t.top, t.pos, Backend::Down, Button(e->button()), MouseKeys(e->buttons(), e->modifiers()));
}
void TControlWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (!control) return;
    Top t = TopOf(this, e->position());
    Backend::RouteMouse(t.top, t.pos, Backend::Up, Button(e->button()), MouseKeys(e->buttons(), e->modifiers()));
}
void TControlWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!control) return;
    Top t = TopOf(this, e->position());
    Backend::RouteMouse(t.top, t.pos, Backend::DoubleClick, Button(e->button()),
                        MouseKeys(e->buttons(), e->modifiers()));
}
void TControlWidget::mouseMoveEvent(QMouseEvent* e) {
    if (!control) return;
    Top t = TopOf(this, e->position());
    Backend::RouteMouse(t.top, t.pos, Backend::Move, mbLeft, MouseKeys(e->buttons(), e->modifiers()));
}
void TControlWidget::wheelEvent(QWheelEvent* e) {
    if (!control) return;
    Top t = TopOf(this, e->position());
    Backend::RouteWheel(t.top, t.pos, e->angleDelta().y(), MouseKeys(e->buttons(), e->modifiers()));
}
void TControlWidget::keyPressEvent(QKeyEvent* e) {
    if (!control) return;
    WORD vk = Backend::QtKeyToVk(e->key());
    TShiftState s = KeyShift(e->modifiers());
    if (e->key() == Qt::Key_Backtab) s |= ssShift;
    Backend::RouteKey(Backend::TopLevel(control), vk, true, s, ToGbk(e->text()));
}
void TControlWidget::keyReleaseEvent(QKeyEvent* e) {
    if (!control) return;
    Backend::RouteKey(Backend::TopLevel(control), Backend::QtKeyToVk(e->key()), false, KeyShift(e->modifiers()), "");
}
void TControlWidget::leaveEvent(QEvent*) {
    if (!control || control->Parent()) return;
    // Leaving the top-level window: whoever had the mouse loses it, unless it holds the capture.
    if (!Backend::Capture()) Backend::RouteLeave(control);
}
void TControlWidget::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (auto* f = dynamic_cast<TCustomForm*>(control)) Backend::Guard([f] { f->Close(); });
}
void TControlWidget::resizeEvent(QResizeEvent*) {
    if (!control || control->Parent()) return;
    const QSize own(control->Width(), control->Height());
    if (size() == own) {
        refused = QSize();
        return;
    }
    // A fixed frame keeps the program's size: one that a window manager forces on it is given back once (a
    // manager that insists would otherwise be asked again and again), and only the window's place is taken.
    if (minimumSize() == maximumSize() && minimumSize() == own && !isMaximized()) {
        Backend::Guard([this] { control->SetBounds(x(), y(), control->Width(), control->Height()); });
        if (refused != size()) {
            refused = size();
            resize(own);
        }
        return;
    }
    // The size is told before the move, and by then the window's place may no longer be ours (a window manager
    // framed it, or moved it with the size when maximising): the place is taken from the window as well, or
    // ours would be set back and the window manager would move the window off its maximised place.
    Backend::Guard([this] { control->SetBounds(x(), y(), width(), height()); });
}
void TControlWidget::moveEvent(QMoveEvent*) {
    if (!control || control->Parent()) return;
    if (pos() != QPoint(control->Left(), control->Top()))
        Backend::Guard([this] { control->SetBounds(x(), y(), control->Width(), control->Height()); });
}
bool TControlWidget::event(QEvent* e) {
    if (e->type() == QEvent::Show && control) Backend::SchedulePaint(control);
    return QWidget::event(e);
}

// ---------------------------------------------------------------- window functions
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    if (!Backend::Alive(wnd)) return 0;
    return wnd->Perform(msg, w, l);
}
SHORT GetKeyState(int vk) {
    bool down = false;
    switch (vk) {
    case VK_LBUTTON: down = g_mouseButtons & MK_LBUTTON; break;
    case VK_RBUTTON: down = g_mouseButtons & MK_RBUTTON; break;
    case VK_MBUTTON: down = g_mouseButtons & MK_MBUTTON; break;
    case VK_SHIFT: down = g_keyShift & ssShift; break;
    case VK_CONTROL: down = g_keyShift & ssCtrl; break;
    case VK_MENU: down = g_keyShift & ssAlt; break;
    default: break;
    }
    return down ? SHORT(0x8000) : SHORT(0);
}

BOOL PostMessage(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    if (!Backend::Alive(wnd)) return 0;
    Backend::Post(wnd, msg, w, l);
    return 1;
}
UINT SetTimer(HWND wnd, UINT id, UINT ms) { return Backend::Alive(wnd) ? Backend::SetTimer(wnd, id, ms) : 0; }
BOOL KillTimer(HWND wnd, UINT id) { return Backend::KillTimer(wnd, id); }
DWORD GetTickCount() {
    static const auto start = std::chrono::steady_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    return DWORD(uint64_t(ms) + 0x10000u);
}
BOOL InvalidateRect(HWND wnd, const TRect* r, BOOL erase) {
    if (!Backend::Alive(wnd)) return 0;
    wnd->InvalidateClient(r, erase != 0);
    return 1;
}
BOOL ValidateRect(HWND wnd, const TRect* r) {
    if (!Backend::Alive(wnd)) return 0;
    wnd->ValidateClient(r);
    return 1;
}
BOOL UpdateWindow(HWND wnd) {
    if (!Backend::Alive(wnd)) return 0;
    // The window system paints what is pending; a control's own Update (which may invalidate more) is not called.
    wnd->TWinControl::Update();
    return 1;
}
HWND SetCapture(HWND wnd) {
    TControl* old = Backend::Capture();
    Backend::SetCapture(wnd);
    return dynamic_cast<TWinControl*>(old);
}
BOOL ReleaseCapture() {
    Backend::SetCapture(nullptr);
    return 1;
}
HWND GetCapture() { return dynamic_cast<TWinControl*>(Backend::Capture()); }
HWND SetFocus(HWND wnd) {
    TWinControl* old = Backend::Focused();
    if (wnd && wnd->CanFocus()) Backend::SetFocused(wnd);
    return old;
}
HWND GetFocus() { return Backend::Focused(); }
BOOL GetCursorPos(TPoint& p) {
    p = Backend::LastMouseScreen();
    return 1;
}
BOOL SetCursorPos(int x, int y) {
    Backend::SetLastMouseScreen(TPoint(x, y));
    return 1;
}
BOOL ScreenToClient(HWND wnd, TPoint& p) {
    if (!wnd) return 0;
    p = wnd->ScreenToClient(p);
    return 1;
}
BOOL ClientToScreen(HWND wnd, TPoint& p) {
    if (!wnd) return 0;
    p = wnd->ClientToScreen(p);
    return 1;
}
BOOL GetClientRect(HWND wnd, TRect& r) {
    if (!wnd) return 0;
    r = wnd->ClientRect();
    return 1;
}
BOOL GetWindowRect(HWND wnd, TRect& r) {
    if (!wnd) return 0;
    TPoint o = wnd->ClientToScreen(TPoint(0, 0));
    TRect wc = wnd->WindowClientRect();
    r = Bounds(o.X - wc.Left, o.Y - wc.Top, wnd->Width(), wnd->Height());
    return 1;
}
BOOL IsWindowVisible(HWND wnd) { return wnd && wnd->Showing(); }
BOOL IsWindowEnabled(HWND wnd) { return wnd && wnd->Enabled(); }
BOOL EnableWindow(HWND wnd, BOOL e) {
    if (!wnd) return 0;
    bool was = !wnd->Enabled();
    wnd->SetEnabled(e != 0);
    return was;
}
HWND WindowFromPoint(const TPoint& screen) {
    for (int i = Screen->FormCount() - 1; i >= 0; --i) {
        TCustomForm* f = Screen->Forms(i);
        if (!f->Showing()) continue;
        TPoint cp = f->ScreenToClient(screen);
        if (!f->ClientRect().Contains(cp)) continue;
        TWinControl* w = f;
        for (;;) {
            TControl* c = w->ControlAtPos(cp, true, true);
            auto* cw = dynamic_cast<TWinControl*>(c);
            if (!cw) return w;
            cp = cw->ScreenToClient(screen);
            w = cw;
        }
    }
    return nullptr;
}
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO& si, BOOL redraw) {
    return wnd ? wnd->SetScrollInfo(bar, si, redraw != 0) : 0;
}
BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO& si) { return wnd && wnd->GetScrollInfo(bar, si); }
int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw) {
    if (!wnd) return 0;
    SCROLLINFO si;
    si.fMask = SIF_POS;
    wnd->GetScrollInfo(bar, si);
    int old = si.nPos;
    si.nPos = pos;
    wnd->SetScrollInfo(bar, si, redraw != 0);
    return old;
}
int GetScrollPos(HWND wnd, int bar) {
    SCROLLINFO si;
    si.fMask = SIF_POS;
    if (!wnd || !wnd->GetScrollInfo(bar, si)) return 0;
    return si.nPos;
}
BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw) {
    if (!wnd) return 0;
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    si.nMin = minPos;
    si.nMax = maxPos;
    wnd->SetScrollInfo(bar, si, redraw != 0);
    return 1;
}
BOOL ShowScrollBar(HWND, int, BOOL) { return 1; }
int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, void*, TRect* update,
                   UINT flags) {
    if (!wnd) return RGN_ERROR;
    const TRect* area = clip ? clip : scroll;
    wnd->ScrollClient(dx, dy, area, (flags & SW_INVALIDATE) != 0, (flags & SW_ERASE) != 0);
    if (update) *update = TRect();
    return SIMPLEREGION;
}
