#include <QPainter>
#include <algorithm>

#include "platform/ui/Backend.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Docking.h"
#include "platform/ui/Forms.h"

namespace {
const TEnumInfo BorderStyleIdents{{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
constexpr int kScrollSize = 16;
}  // namespace

const TClassInfo& TWinControl::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TWinControl", &TControl::StaticClass(), {}, {}, {}};
        c.props = {
            BoolProp<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop),
            BoolProp<TWinControl>("DockSite", &TWinControl::DockSite, &TWinControl::SetDockSite, 0),
            BoolProp<TWinControl>("UseDockManager", &TWinControl::UseDockManager, &TWinControl::SetUseDockManager, 0),
            OrdProp<TWinControl, int>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
            OrdProp<TWinControl, int>("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth, 0),
            OrdProp<TWinControl, TBorderStyle>("BorderStyle", &TWinControl::BorderStyle, &TWinControl::SetBorderStyle,
                                               bsNone, &BorderStyleIdents),
            EventProp("OnEnter", &TWinControl::OnEnter),
            EventProp("OnExit", &TWinControl::OnExit),
            EventProp("OnKeyDown", &TWinControl::OnKeyDown),
            EventProp("OnKeyUp", &TWinControl::OnKeyUp),
            EventProp("OnKeyPress", &TWinControl::OnKeyPress),
        };
        return c;
    }();
    return ci;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), surface_(std::make_unique<Surface>()) {
    widget_ = std::make_unique<TControlWidget>(this, false);
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

TWinControl::~TWinControl() {
    // Leave the parent while still a windowed control, so its tab list forgets this one too.
    if (Parent()) Parent()->RemoveControl(this);
    dockManager_.reset();  // the children leave below without being laid out again
    Backend::KillTimers(this);
    for (TWinControl* f = Backend::Focused(); f; f = f->Parent())
        if (f == this) {
            Backend::SetFocused(nullptr);
            break;
        }
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        RemoveControl(c);
        delete c;
    }
    if (widget_) widget_->control = nullptr;
}

HWND TWinControl::Handle() {
    if (!handleCreated_) CreateWnd();
    return this;
}

void TWinControl::CreateParams(TCreateParams& p) {
    p = TCreateParams();
    p.Caption = Text();
    p.Style = WS_CHILD | WS_CLIPCHILDREN | (Visible() ? DWORD(WS_VISIBLE) : 0u) | (tabStop_ ? DWORD(WS_TABSTOP) : 0u);
    if (borderStyle_ == bsSingle) {
        if (Ctl3D())
            p.ExStyle |= WS_EX_CLIENTEDGE;
        else
            p.Style |= WS_BORDER;
    }
    p.X = Left();
    p.Y = Top();
    p.Width = Width();
    p.Height = Height();
    p.WndParent = Parent();
}

void TWinControl::CreateWnd() {
    CreateParams(params_);
    handleCreated_ = true;
    if (surface_->img.Size() != QSize(Width(), Height())) {
        QImage& img = surface_->img.Pixels();
        img = QImage(std::max(Width(), 0), std::max(Height(), 0), QImage::Format_RGB32);
        img.fill(ToQColor(Color()));
    }
    UpdateNonClient();
    InvalidateFrame();
    InvalidateClient(nullptr, true);
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
}

void TWinControl::DestroyWnd() { handleCreated_ = false; }

void TWinControl::DestroyHandle() {
    if (!handleCreated_) return;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd() {
    if (!handleCreated_) return;
    DestroyWnd();
    CreateWnd();
}

TRect TWinControl::ClientRect() const { return TRect(0, 0, clientInWindow_.Width(), clientInWindow_.Height()); }

bool TWinControl::Showing() const {
    if (!Visible()) return false;
    if (Parent()) return Parent()->Showing();
    return widget_ && widget_->isVisible();
}

void TWinControl::UpdateNonClient() {
    if (!handleCreated_) CreateParams(params_);
    TRect r(0, 0, Width(), Height());
    TMessage m{WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r), 0};
    WndProc(m);
    r.Left = std::clamp(r.Left, 0, Width());
    r.Top = std::clamp(r.Top, 0, Height());
    r.Right = std::clamp(r.Right, r.Left, Width());
    r.Bottom = std::clamp(r.Bottom, r.Top, Height());
    bool moved = !(r == clientInWindow_);
    clientInWindow_ = r;
    UpdateScrollBarWidgets();
    if (moved)
        for (TControl* c : controls_)
            if (c->widget_) c->BoundsChanged(true, false);
}

void TWinControl::UpdateScrollBarWidgets() {
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        bool wanted = params_.Style & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL);
        QScrollBar*& sb = surface_->bars[bar];
        if (!wanted) {
            delete sb;
            sb = nullptr;
            continue;
        }
        if (!sb) {
            sb = new QScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, widget_.get());
            sb->setFocusPolicy(Qt::NoFocus);
            QScrollBar* bp = sb;
            UINT msg = bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
            int which = bar;
            // The bar's own motion is undone: the thumb moves where the control's handler puts it.
            auto send = [this, bp, msg, which](int code, int pos) {
                Backend::Guard([&] { Perform(msg, WPARAM(uint32_t(code & 0xFFFF) | (uint32_t(pos & 0xFFFF) << 16)), 0); });
                if (Backend::Alive(this) && surface_->bars[which] == bp) {
                    bp->blockSignals(true);
                    bp->setSliderPosition(surface_->info[which].nPos);
                    bp->setValue(surface_->info[which].nPos);
                    bp->blockSignals(false);
                }
            };
            QObject::connect(sb, &QAbstractSlider::actionTriggered, sb, [bp, send](int action) {
                int code = -1;
                switch (action) {
                case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
                case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
                case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
                case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
                case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
                case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
                case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
                default: break;
                }
                if (code >= 0) send(code, bp->sliderPosition());
            });
            QObject::connect(sb, &QAbstractSlider::sliderReleased, sb, [bp, send] {
                send(SB_THUMBPOSITION, bp->sliderPosition());
                send(SB_ENDSCROLL, 0);
            });
            SetScrollInfo(bar, surface_->info[bar], false);
        }
        const TRect& c = clientInWindow_;
        if (bar == SB_VERT)
            sb->setGeometry(c.Right, c.Top, kScrollSize, c.Height());
        else
            sb->setGeometry(c.Left, c.Bottom, c.Width(), kScrollSize);
        sb->show();
    }
}

int TWinControl::SetScrollInfo(int bar, const SCROLLINFO& si, bool) {
    if (bar != SB_HORZ && bar != SB_VERT) return 0;
    SCROLLINFO& i = surface_->info[bar];
    if (si.fMask & SIF_RANGE) {
        i.nMin = si.nMin;
        i.nMax = si.nMax;
    }
    if (si.fMask & SIF_PAGE) i.nPage = si.nPage;
    if (si.fMask & SIF_POS) i.nPos = si.nPos;
    // The position stays within min .. max - page + 1.
    int top = i.nMax - std::max<int>(int(i.nPage), 1) + 1;
    top = std::max(top, i.nMin);
    i.nPos = std::clamp(i.nPos, i.nMin, top);
    if (QScrollBar* sb = surface_->bars[bar]) {
        sb->blockSignals(true);
        sb->setRange(i.nMin, top);
        sb->setPageStep(std::max<int>(int(i.nPage), 1));
        sb->setValue(i.nPos);
        sb->setEnabled(i.nMax > i.nMin && int(i.nPage) <= i.nMax - i.nMin);
        sb->blockSignals(false);
    }
    return i.nPos;
}

bool TWinControl::GetScrollInfo(int bar, SCROLLINFO& si) const {
    if (bar != SB_HORZ && bar != SB_VERT) return false;
    const SCROLLINFO& i = surface_->info[bar];
    UINT mask = si.fMask;
    if (mask & SIF_RANGE) {
        si.nMin = i.nMin;
        si.nMax = i.nMax;
    }
    if (mask & SIF_PAGE) si.nPage = i.nPage;
    if (mask & SIF_POS) si.nPos = i.nPos;
    if (mask & SIF_TRACKPOS) si.nTrackPos = surface_->bars[bar] ? surface_->bars[bar]->sliderPosition() : i.nPos;
    return true;
}

// ---------------------------------------------------------------- children
void TWinControl::InsertControl(TControl* c) {
    if (!c || c->parent_ == this) return;
    controls_.push_back(c);
    c->SetParentField(this);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        tabList_.push_back(w);
        w->widget_->setParent(widget_.get());
        w->BoundsChanged(true, false);
        w->widget_->setVisible(w->Visible());
        if (handleCreated_) w->HandleNeeded();
    }
    if (c->parentColor_) c->Perform(CM_PARENTCOLORCHANGED);
    if (c->parentFont_) c->Perform(CM_PARENTFONTCHANGED);
    if (c->parentShowHint_) c->Perform(CM_PARENTSHOWHINTCHANGED);
    if (c->parentCtl3D_) c->Perform(CM_PARENTCTL3DCHANGED);
    if (c->Visible()) {
        TRect r = c->BoundsRect();
        InvalidateClient(&r, true);
    }
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), 1);
    if (c->Align() != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it == controls_.end()) return;
    for (TWinControl* f = Backend::Focused(); f; f = f->Parent())
        if (f == c) {
            Backend::SetFocused(nullptr);
            break;
        }
    for (TControl* k = Backend::Capture(); k; k = k->Parent())
        if (k == c) {
            Backend::SetCapture(nullptr);
            break;
        }
    if (Backend::MouseControl()) {
        for (TControl* k = Backend::MouseControl(); k; k = k->Parent())
            if (k == c) {
                Backend::RouteLeave(nullptr);
                break;
            }
    }
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), 0);
    controls_.erase(std::find(controls_.begin(), controls_.end(), c));
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
        if (w->widget_) {
            w->widget_->hide();
            w->widget_->setParent(nullptr);
        }
    }
    c->SetParentField(nullptr);
    if (c->Visible()) {
        TRect r = c->BoundsRect();
        InvalidateClient(&r, true);
    }
    bool docked = c->hostDockSite_ == this;
    if (docked) {
        c->hostDockSite_ = nullptr;
        if (dockManager_) dockManager_->RemoveControl(c);
        Invalidate();
    }
    if ((c->Align() != alNone || docked) && !IsDestroying()) Realign();
}

bool TWinControl::ContainsControl(const TControl* c) const {
    for (; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& p, bool allowDisabled, bool allowWinControls) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        bool win = dynamic_cast<TWinControl*>(c) != nullptr;
        if (win && !allowWinControls) continue;
        if (!c->BoundsRect().Contains(p)) continue;
        if (c->Perform(CM_HITTEST, 0, MAKELPARAM(p.X - c->Left(), p.Y - c->Top())) == 0) continue;
        return c;
    }
    return nullptr;
}

// ---------------------------------------------------------------- focus and tab order
void TWinControl::SetTabStop(bool v) {
    if (v == tabStop_) return;
    tabStop_ = v;
    if (handleCreated_) CreateParams(params_);
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    auto& v = Parent()->tabList_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent()) return;
    auto& v = Parent()->tabList_;
    auto it = std::find(v.begin(), v.end(), this);
    if (it == v.end()) return;
    v.erase(it);
    order = std::clamp(order, 0, int(v.size()));
    v.insert(v.begin() + order, this);
}

bool TWinControl::Focused() const { return Backend::Focused() == this; }

bool TWinControl::CanFocus() const {
    for (const TWinControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    const TControl* top = Backend::TopLevel(this);
    return top && top->Widget() && top->Widget()->isVisible();
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    Backend::SetFocused(this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* cur, bool forward, bool checkTabStop, bool checkParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    int n = int(list.size());
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (list[size_t(i)] == cur) start = i;
    if (start < 0) start = forward ? n - 1 : 0;
    for (int k = 1; k <= n; ++k) {
        int i = ((start + (forward ? k : -k)) % n + n) % n;
        TWinControl* c = list[size_t(i)];
        if (c == cur) break;
        if ((!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this) && c->CanFocus() &&
            !(c->ControlStyle() & csAcceptsControls && !c->TabStop()))
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* cur, bool forward, bool checkTabStop) {
    if (TWinControl* c = FindNextControl(cur, forward, checkTabStop, false)) c->SetFocus();
}

void TWinControl::Broadcast(TMessage& m) {
    std::vector<TControl*> copy = controls_;
    for (TControl* c : copy) {
        if (!Backend::Alive(c)) continue;
        c->WndProc(m);
        if (m.Result != 0) return;
    }
}

void TWinControl::SetBorderStyle(TBorderStyle b) {
    if (b == borderStyle_) return;
    borderStyle_ = b;
    RecreateWnd();
}

void TWinControl::SetBorderWidth(int w) {
    if (w == borderWidth_) return;
    borderWidth_ = std::max(w, 0);
    if (handleCreated_) {
        UpdateNonClient();
        InvalidateFrame();
        Realign();
    }
}

void TWinControl::SetEnabled(bool e) {
    TControl::SetEnabled(e);
    if (!e)
        for (TWinControl* f = Backend::Focused(); f; f = f->Parent())
            if (f == this) {
                Backend::SetFocused(nullptr);
                break;
            }
}

void TWinControl::SetParent(TWinControl* p) {
    TControl::SetParent(p);
    if (!p && widget_) {
        widget_->hide();
        widget_->setParent(nullptr);
    }
}

void TWinControl::Loaded() {
    TControl::Loaded();
    Realign();
}

// Children anchored to the right or bottom follow those edges when the client area changes size.
void TWinControl::ApplyAnchors() {
    TSize now{ClientWidth(), ClientHeight()};
    TSize base = anchorBase_;
    anchorBase_ = now;
    if (base.cx < 0 || IsLoading()) return;
    int dx = now.cx - base.cx, dy = now.cy - base.cy;
    if (dx == 0 && dy == 0) return;
    for (TControl* c : std::vector<TControl*>(controls_)) {
        if (c->Align() != alNone) continue;
        TAnchors a = c->Anchors();
        int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
        if (a & akRight) {
            if (a & akLeft)
                w += dx;
            else
                l += dx;
        }
        if (a & akBottom) {
            if (a & akTop)
                h += dy;
            else
                t += dy;
        }
        c->SetBounds(l, t, w, h);
    }
}

// ---------------------------------------------------------------- alignment
void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0) Realign();
}

void TWinControl::Realign() {
    if (alignDisabled_ > 0 || aligning_ || IsLoading()) return;
    aligning_ = true;
    TRect r = ClientRect();
    AdjustClientRect(r);
    try {
        AlignControls(nullptr, r);
        if (dockSite_ && useDockManager_ && dockManager_) dockManager_->ResetBounds(false);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::AlignControls(TControl*, TRect& r) {
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->Align() == a && c->Visible()) list.push_back(c);
        std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
            switch (a) {
            case alTop: return x->Top() < y->Top();
            case alBottom: return x->Top() + x->Height() > y->Top() + y->Height();
            case alLeft: return x->Left() < y->Left();
            case alRight: return x->Left() + x->Width() > y->Left() + y->Width();
            default: return false;
            }
        });
        for (TControl* c : list) {
            int w = c->Width(), h = c->Height();
            switch (a) {
            case alTop:
                c->SetBounds(r.Left, r.Top, r.Width(), h);
                r.Top += c->Height();
                break;
            case alBottom:
                c->SetBounds(r.Left, r.Bottom - h, r.Width(), h);
                r.Bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(r.Left, r.Top, w, r.Height());
                r.Left += c->Width();
                break;
            case alRight:
                c->SetBounds(r.Right - w, r.Top, w, r.Height());
                r.Right -= c->Width();
                break;
            default: c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
            }
        }
    }
}

// ---------------------------------------------------------------- bounds
void TWinControl::SetBounds(int l, int t, int w, int h) { TControl::SetBounds(l, t, w, h); }

void TWinControl::BoundsChanged(bool moved, bool sized) {
    if (widget_) {
        if (Parent()) {
            TRect pc = Parent()->WindowClientRect();
            widget_->setGeometry(pc.Left + Left(), pc.Top + Top(), std::max(Width(), 0), std::max(Height(), 0));
        } else {
            if (widget_->pos() != QPoint(Left(), Top())) widget_->move(Left(), Top());
            if (widget_->size() != QSize(Width(), Height())) widget_->resize(std::max(Width(), 1), std::max(Height(), 1));
        }
    }
    if (sized) {
        QImage n(std::max(Width(), 0), std::max(Height(), 0), QImage::Format_RGB32);
        n.fill(ToQColor(Color()));
        QImage& img = surface_->img.Pixels();
        if (!img.isNull() && !n.isNull()) {
            QPainter p(&n);
            p.drawImage(0, 0, img);
        }
        img = n;
        UpdateNonClient();
        InvalidateFrame();
        InvalidateClient(nullptr, true);
        Perform(WM_SIZE, SIZE_RESTORED, MAKELPARAM(ClientWidth(), ClientHeight()));
    }
    if (moved) Perform(WM_MOVE, 0, MAKELPARAM(Left(), Top()));
}

// ---------------------------------------------------------------- painting
TCanvas* TWinControl::SurfaceCanvas() {
    Surface& s = *surface_;
    if (!s.canvas) {
        s.canvas = std::make_unique<TControlCanvas>();
        s.canvas->SetControl(this);
        s.canvas->SetDevice(std::make_unique<TSurfaceDevice>(&s, widget_.get()));
    }
    if (!s.painting) {
        s.canvas->SelectClipRgn(nullptr);
        s.canvas->SetViewportOrg(clientInWindow_.Left, clientInWindow_.Top);
        s.canvas->IntersectClipRect(0, 0, clientInWindow_.Width(), clientInWindow_.Height());
    }
    return s.canvas.get();
}

TCanvas* TWinControl::WindowCanvas() {
    Surface& s = *surface_;
    if (!s.wcanvas) {
        s.wcanvas = std::make_unique<TControlCanvas>();
        s.wcanvas->SetControl(this);
        s.wcanvas->SetDevice(std::make_unique<TSurfaceDevice>(&s, widget_.get()));
    }
    return s.wcanvas.get();
}

HDC GetDC(HWND wnd) {
    if (wnd) return Backend::Alive(wnd) ? wnd->ClientCanvas() : nullptr;
    static TBitmap screen(1, 1, pf32bit);
    return screen.Canvas();
}

HDC GetWindowDC(HWND wnd) { return wnd && Backend::Alive(wnd) ? wnd->WindowCanvas() : GetDC(nullptr); }

int ReleaseDC(HWND, HDC) { return 1; }

void TWinControl::InvalidateClient(const TRect* r, bool erase) {
    QRect client = ToQRect(clientInWindow_);
    QRect q = r ? ToQRect(*r).translated(clientInWindow_.Left, clientInWindow_.Top).intersected(client) : client;
    if (q.isEmpty() && r) return;
    surface_->update += q;
    if (erase) surface_->erase = true;
    Backend::SchedulePaint(this);
}

void TWinControl::ValidateClient(const TRect* r) {
    if (!r) {
        surface_->update = QRegion();
        surface_->erase = false;
        return;
    }
    surface_->update -= ToQRect(*r).translated(clientInWindow_.Left, clientInWindow_.Top);
}

void TWinControl::InvalidateFrame(const TRect* r) {
    Surface& s = *surface_;
    if (!r) {
        s.ncPart = QRegion();
    } else {
        const QRect q = ToQRect(*r).intersected(QRect(0, 0, Width(), Height()));
        if (q.isEmpty()) return;
        // A whole frame already pending stays whole.
        if (!s.ncInvalid || !s.ncPart.isEmpty()) s.ncPart += q;
    }
    s.ncInvalid = true;
    Backend::SchedulePaint(this);
}

bool TWinControl::PaintPending() const { return !surface_->update.isEmpty() || surface_->ncInvalid; }

void TWinControl::ShowSurface(const TRect* r) {
    if (!widget_ || !handleCreated_ || !Showing()) return;
    const QRect client = ToQRect(clientInWindow_);
    const QRect q = r ? ToQRect(*r).translated(clientInWindow_.Left, clientInWindow_.Top).intersected(client) : client;
    // repaint, unlike update, paints and flushes now and runs no event loop.
    if (!q.isEmpty()) widget_->repaint(q);
}

void TWinControl::Invalidate() { InvalidateClient(nullptr, !(ControlStyle() & csOpaque)); }

void TWinControl::Update() { ProcessPaint(); }

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::ProcessPaint() {
    Surface& s = *surface_;
    if (!handleCreated_ || !Showing() || s.img.IsNull()) return;
    if (s.painting) return;
    QRegion rgn = s.update.intersected(ToQRect(clientInWindow_));
    bool erase = s.erase, nc = s.ncInvalid;
    const QRegion ncPart = s.ncPart;
    s.update = QRegion();
    s.erase = false;
    s.ncInvalid = false;
    s.ncPart = QRegion();
    if (rgn.isEmpty() && !nc) return;
    TCanvas* dc = SurfaceCanvas();
    TRegionObj clip;
    clip.d->r = rgn;
    struct Painting {
        Surface& s;
        explicit Painting(Surface& x) : s(x) { s.painting = true; }
        ~Painting() { s.painting = false; }
    };
    {
        Painting guard(s);
        if (erase && !rgn.isEmpty()) {
            dc->SelectClipRgn(&clip);
            Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        }
        if (nc && ncPart.isEmpty()) {
            Perform(WM_NCPAINT, 1, 0);
        } else if (nc) {
            TCanvas* wc = WindowCanvas();
            TRegionObj part;
            part.d->r = ncPart;
            wc->SaveDC();
            wc->SelectClipRgn(&part);
            try {
                Perform(WM_NCPAINT, 1, 0);
            } catch (...) {
                wc->RestoreDC(-1);
                throw;
            }
            wc->RestoreDC(-1);
        }
        if (!rgn.isEmpty()) {
            dc->SetViewportOrg(clientInWindow_.Left, clientInWindow_.Top);
            dc->SelectClipRgn(&clip);
            Perform(WM_PAINT, 0, 0);
        }
    }
    SurfaceCanvas();
    // Painting was clipped to the region: only it, or the whole window with its frame, reaches the screen.
    if (widget_) {
        if (nc && ncPart.isEmpty()) widget_->update();
        else widget_->update(rgn.united(ncPart));
    }
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    bool started = first == nullptr;
    std::vector<TControl*> copy = controls_;
    for (TControl* c : copy) {
        if (!started) {
            if (c == first) started = true;
            continue;
        }
        if (dynamic_cast<TWinControl*>(c) || !c->Visible() || !Backend::Alive(c)) continue;
        TPoint o = dc->ViewportOrg();
        TRect b = c->BoundsRect();
        OffsetRect(b, o.X, o.Y);
        HRGN clip = dc->GetClipRgn();
        bool meets = !clip || RectInRegion(clip, b);
        DeleteObject(clip);
        if (!meets) continue;
        dc->SaveDC();
        dc->SetViewportOrg(o.X + c->Left(), o.Y + c->Top());
        dc->IntersectClipRect(0, 0, c->Width(), c->Height());
        try {
            c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        } catch (...) {
            dc->RestoreDC(-1);
            throw;
        }
        dc->RestoreDC(-1);
    }
}

void TWinControl::ScrollClient(int dx, int dy, const TRect* clip, bool invalidate, bool erase) {
    Surface& s = *surface_;
    if (s.img.IsNull()) return;
    QImage& img = s.img.Pixels();
    QRect area = ToQRect(clientInWindow_);
    if (clip) area = area.intersected(ToQRect(*clip).translated(clientInWindow_.Left, clientInWindow_.Top));
    if (area.isEmpty()) return;
    QImage part = img.copy(area);
    {
        QPainter p(&img);
        p.setClipRect(area);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(area.topLeft() + QPoint(dx, dy), part);
    }
    // What was pending moves with the pixels; the uncovered strips need painting.
    QRegion moved = s.update.intersected(area).translated(dx, dy).intersected(area);
    s.update = s.update.subtracted(area).united(moved);
    QRegion uncovered = QRegion(area).subtracted(QRegion(area.translated(dx, dy)));
    if (invalidate && !uncovered.isEmpty()) {
        s.update += uncovered;
        if (erase) s.erase = true;
        Backend::SchedulePaint(this);
    }
    if (widget_) widget_->update();
}

TBitmap* TWinControl::CopySurface() const {
    const QImage& img = surface_->img.Pixels();
    auto* b = new TBitmap(img.width(), img.height(), pf24bit);
    if (!img.isNull()) {
        QPainter p(&BitmapQImage(*b));
        p.drawImage(0, 0, img);
    }
    return b;
}

// ---------------------------------------------------------------- messages
void TWinControl::WndProc(TMessage& m) {
    if (dockSite_ && useDockManager_ && dockManager_ && dockManager_->HandleSiteMessage(m)) return;
    TControl::WndProc(m);
}

void TWinControl::DefaultHandler(TMessage& m) { TControl::DefaultHandler(m); }

bool TWinControl::DoKeyDown(WORD& key, TShiftState shift) {
    KeyDown(key, shift);
    return key == 0;
}
bool TWinControl::DoKeyUp(WORD& key, TShiftState shift) {
    KeyUp(key, shift);
    return key == 0;
}
bool TWinControl::DoKeyPress(char& key) {
    KeyPress(key);
    return key == 0;
}
void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<TRect*>(m.LParam);
        if (params_.Style & WS_BORDER) InflateRect(*r, -1, -1);
        if (params_.ExStyle & WS_EX_CLIENTEDGE) InflateRect(*r, -2, -2);
        if (params_.ExStyle & WS_EX_STATICEDGE) InflateRect(*r, -1, -1);
        InflateRect(*r, -borderWidth_, -borderWidth_);
        if (params_.Style & WS_VSCROLL) r->Right -= kScrollSize;
        if (params_.Style & WS_HSCROLL) r->Bottom -= kScrollSize;
        break;
    }
    case WM_NCPAINT: {
        TCanvas* c = WindowCanvas();
        TRect r(0, 0, Width(), Height());
        auto frame = [&](TColor ul, TColor lr) {
            c->Pen()->SetColor(ul);
            c->MoveTo(r.Left, r.Bottom - 1);
            c->LineTo(r.Left, r.Top);
            c->LineTo(r.Right, r.Top);
            c->Pen()->SetColor(lr);
            c->MoveTo(r.Right - 1, r.Top + 1);
            c->LineTo(r.Right - 1, r.Bottom - 1);
            c->LineTo(r.Left, r.Bottom - 1);
            InflateRect(r, -1, -1);
        };
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetMode(pmCopy);
        c->Pen()->SetWidth(1);
        if (params_.Style & WS_BORDER) frame(clWindowFrame, clWindowFrame);
        if (params_.ExStyle & WS_EX_CLIENTEDGE) {
            frame(clBtnShadow, clBtnHighlight);
            frame(cl3DDkShadow, cl3DLight);
        }
        if (params_.ExStyle & WS_EX_STATICEDGE) frame(clBtnShadow, clBtnHighlight);
        if (borderWidth_ > 0) {
            c->Brush()->SetColor(Color());
            TRegionObj ring;
            ring.d->r = QRegion(ToQRect(r)).subtracted(ToQRect(clientInWindow_));
            c->FillRgn(&ring, c->Brush());
        }
        if ((params_.Style & WS_VSCROLL) && (params_.Style & WS_HSCROLL)) {
            c->Brush()->SetColor(clBtnFace);
            c->FillRect(TRect(clientInWindow_.Right, clientInWindow_.Bottom, clientInWindow_.Right + kScrollSize,
                              clientInWindow_.Bottom + kScrollSize));
        }
        break;
    }
    case WM_NCHITTEST: {
        TPoint p = ScreenToClient(TPoint(m.XPos(), m.YPos()));
        if (ClientRect().Contains(p))
            m.Result = HTCLIENT;
        else if (p.X >= clientInWindow_.Width() && (params_.Style & WS_VSCROLL))
            m.Result = HTVSCROLL;
        else if (p.Y >= clientInWindow_.Height() && (params_.Style & WS_HSCROLL))
            m.Result = HTHSCROLL;
        else
            m.Result = HTBORDER;
        break;
    }
    case WM_ERASEBKGND: {
        auto* dc = reinterpret_cast<TCanvas*>(m.WParam);
        if (dc) {
            dc->Brush()->SetColor(Color());
            dc->Brush()->SetStyle(bsSolid);
            dc->FillRect(ClientRect());
        }
        m.Result = 1;
        break;
    }
    case WM_PAINT: {
        TCanvas* dc = m.WParam ? reinterpret_cast<TCanvas*>(m.WParam) : SurfaceCanvas();
        PaintWindow(dc);
        PaintControls(dc, nullptr);
        break;
    }
    case WM_SIZE:
        ApplyAnchors();
        Realign();
        if (!IsLoading()) Resize();
        break;
    case WM_MOVE: break;
    case WM_SETFOCUS: DoEnter(); break;
    case WM_KILLFOCUS: DoExit(); break;
    case WM_GETDLGCODE: m.Result = 0; break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        WORD key = WORD(m.WParam);
        const TShiftState shift = KeyDataToShiftState(m.LParam);
        if (DoKeyDown(key, shift)) {
            m.Result = 1;
        } else if (key == VK_APPS || (key == VK_F10 && (shift & (ssShift | ssCtrl | ssAlt)) == ssShift)) {
            // The keyboard's context menu: the Menu key, or Shift+F10.
            m.Result = Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(this), MAKELPARAM(-1, -1));
        }
        break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        WORD key = WORD(m.WParam);
        if (DoKeyUp(key, KeyDataToShiftState(m.LParam))) m.Result = 1;
        break;
    }
    case WM_CHAR: {
        char ch = char(m.WParam);
        if (DoKeyPress(ch)) m.Result = 1;
        break;
    }
    case WM_SETCURSOR: {
        if (LOWORD(uintptr_t(m.LParam)) != HTCLIENT) {
            Screen->ApplyCursor(this, crArrow);
            m.Result = 1;
            break;
        }
        TCursor cur = Screen->Cursor();
        if (cur == crDefault) {
            const TControl* under = this;
            TPoint mp = ScreenToClient(Backend::LastMouseScreen());
            if (TControl* c = ControlAtPos(mp, false, false)) under = c;
            cur = under->Cursor();
        }
        if (cur != crDefault) {
            Screen->ApplyCursor(this, cur);
            m.Result = 1;
        } else if (Parent()) {
            m.Result = Parent()->Perform(m.Msg, m.WParam, m.LParam);
        } else {
            Screen->ApplyCursor(this, crArrow);
            m.Result = 1;
        }
        break;
    }
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED: Broadcast(m); break;
    case CM_COLORCHANGED:
        Invalidate();
        for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTCOLORCHANGED);
        break;
    case CM_FONTCHANGED:
        Invalidate();
        for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTFONTCHANGED);
        break;
    case CM_SHOWHINTCHANGED:
        for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTSHOWHINTCHANGED);
        break;
    case CM_CTL3DCHANGED:
        if (handleCreated_) {
            CreateParams(params_);
            UpdateNonClient();
            InvalidateFrame();
        }
        for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTCTL3DCHANGED);
        break;
    case CM_ENABLEDCHANGED:
        if (widget_) widget_->setEnabled(Enabled());
        Invalidate();
        break;
    case CM_VISIBLECHANGED:
        if (widget_ && Parent()) widget_->setVisible(Visible());
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    default: TControl::Dispatch(m);
    }
}

// ---------------------------------------------------------------- TCustomControl
QM_ABSTRACT_CLASS_RECORD(TCustomControl, TWinControl)

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}
TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
    TCanvas* keep = paintDC_;
    paintDC_ = dc;
    dc->SaveDC();
    try {
        Paint();
        if (DockSite() && UseDockManager()) {
            if (TDockManager* dm = DockManager()) {
                dc->RestoreDC(-1);
                dc->SaveDC();
                dm->PaintSite(dc);
            }
        }
    } catch (...) {
        dc->RestoreDC(-1);
        paintDC_ = keep;
        throw;
    }
    dc->RestoreDC(-1);
    paintDC_ = keep;
}

// ---------------------------------------------------------------- dock site
void TWinControl::SetDockSite(bool v) {
    if (v == dockSite_) return;
    dockSite_ = v;
    Invalidate();
}

void TWinControl::SetUseDockManager(bool v) {
    if (v == useDockManager_) return;
    useDockManager_ = v;
    Invalidate();
}

TDockManager* TWinControl::DockManager() {
    if (!dockSite_ || !useDockManager_) return nullptr;
    if (!dockManager_) {
        dockManager_.reset(CreateDockManager());
        // Controls docked before the manager existed join it in their order.
        if (dockManager_)
            for (TControl* c : controls_)
                if (c->hostDockSite_ == this) dockManager_->InsertControl(c, alNone, nullptr);
    }
    return dockManager_.get();
}

TDockManager* TWinControl::CreateDockManager() { return new TDockTree(this); }

int TWinControl::DockClientCount() const {
    return int(std::count_if(controls_.begin(), controls_.end(), [this](TControl* c) { return c->hostDockSite_ == this; }));
}

TControl* TWinControl::DockClients(int i) const {
    for (TControl* c : controls_)
        if (c->hostDockSite_ == this && i-- == 0) return c;
    return nullptr;
}
