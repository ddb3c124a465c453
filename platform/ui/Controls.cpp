#include "platform/ui/Controls.h"

#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "platform/ui/ActnList.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Docking.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

namespace {
const TEnumInfo AlignIdents{{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};
const TEnumInfo AnchorIdents{{"akLeft", "akTop", "akRight", "akBottom"}};
const TEnumInfo DragModeIdents{{"dmManual", "dmAutomatic"}};
const TEnumInfo DragKindIdents{{"dkDrag", "dkDock"}};
// Pixels the mouse moves with the button held before an automatic drag starts.
constexpr int kDragThreshold = 5;
const TEnumInfo BiDiIdents{{"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}};

}  // namespace

TShiftState KeysToShiftState(WPARAM k) {
    TShiftState s = 0;
    if (k & MK_SHIFT) s |= ssShift;
    if (k & MK_CONTROL) s |= ssCtrl;
    if (k & MK_LBUTTON) s |= ssLeft;
    if (k & MK_RBUTTON) s |= ssRight;
    if (k & MK_MBUTTON) s |= ssMiddle;
    return s;
}
TShiftState KeyDataToShiftState(LPARAM keyData) { return TShiftState(keyData & 0xFFFF); }

bool ControlAlive(const TControl* c) { return Backend::Alive(c); }

TCustomForm* GetParentForm(const TControl* c) {
    while (c && c->Parent()) c = c->Parent();
    return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

// ---------------------------------------------------------------- TControl
const TClassInfo& TControl::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TControl", &TComponent::StaticClass(), {}, {}, {}};
        c.props = {
            OrdProp<TControl, int>("Left", &TControl::Left, &TControl::SetLeft),
            OrdProp<TControl, int>("Top", &TControl::Top, &TControl::SetTop),
            OrdProp<TControl, int>("Width", &TControl::Width, &TControl::SetWidth),
            OrdProp<TControl, int>("Height", &TControl::Height, &TControl::SetHeight),
            OrdProp<TControl, int>("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth),
            OrdProp<TControl, int>("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight),
            OrdProp<TControl, TAlign>("Align", &TControl::Align, &TControl::SetAlign, alNone, &AlignIdents),
            SetProp<TControl, TAnchors>("Anchors", &TControl::Anchors, &TControl::SetAnchors, &AnchorIdents,
                                        akLeft | akTop),
            BoolProp<TControl>("Visible", &TControl::Visible, &TControl::SetVisible, 1),
            BoolProp<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled, 1),
            OrdProp<TControl, TColor>("Color", &TControl::Color, &TControl::SetColor),
            BoolProp<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
            NestedProp<TControl, TFont>("Font", &TControl::Font),
            RefProp<TControl, TBasicAction>("Action", &TControl::Action, &TControl::SetAction),
            BoolProp<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, 1),
            BoolProp<TControl>("Ctl3D", &TControl::Ctl3D, &TControl::SetCtl3D, 1),
            BoolProp<TControl>("ParentCtl3D", &TControl::ParentCtl3D, &TControl::SetParentCtl3D, 1),
            StrProp<TControl>("Caption", &TControl::Caption, &TControl::SetCaption),
            StrProp<TControl>("Text", &TControl::Text, &TControl::SetText),
            StrProp<TControl>("Hint", &TControl::Hint, &TControl::SetHint),
            BoolProp<TControl>("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
            BoolProp<TControl>("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, 1),
            OrdProp<TControl, TCursor>("Cursor", &TControl::Cursor, &TControl::SetCursor, 0),
            RefProp<TControl, TPopupMenu>("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu),
            OrdProp<TControl, int>("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext, 0),
            OrdProp<TControl, TBiDiMode>("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode, bdLeftToRight,
                                         &BiDiIdents),
            BoolProp<TControl>("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode, 1),
            OrdProp<TControl, TDragMode>("DragMode", &TControl::DragMode, &TControl::SetDragMode, dmManual,
                                         &DragModeIdents),
            OrdProp<TControl, TCursor>("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor, -12),
            OrdProp<TControl, TDragKind>("DragKind", &TControl::DragKind, &TControl::SetDragKind, dkDrag,
                                         &DragKindIdents),
            EventProp("OnDragOver", &TControl::OnDragOver),
            EventProp("OnDragDrop", &TControl::OnDragDrop),
            EventProp("OnEndDrag", &TControl::OnEndDrag),
            EventProp("OnClick", &TControl::OnClick),
            EventProp("OnDblClick", &TControl::OnDblClick),
            EventProp("OnResize", &TControl::OnResize),
            EventProp("OnMouseDown", &TControl::OnMouseDown),
            EventProp("OnMouseUp", &TControl::OnMouseUp),
            EventProp("OnMouseMove", &TControl::OnMouseMove),
            EventProp("OnMouseWheel", &TControl::OnMouseWheel),
            EventProp("OnMouseWheelUp", &TControl::OnMouseWheelUp),
            EventProp("OnMouseWheelDown", &TControl::OnMouseWheelDown),
            EventProp("OnContextPopup", &TControl::OnContextPopup),
        };
        return c;
    }();
    return ci;
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    Backend::RegisterControl(this);
    font_->OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
    if (Backend::Drag().source == this || Backend::Drag().target == this) {
        if (Backend::Drag().source == this && Backend::Drag().dock) Backend::HideDockOutline();
        Backend::Drag() = Backend::DragState();
    }
    if (Backend::Drag().dockSite == this || Backend::Drag().dropOn == this) {
        Backend::Drag().dockSite = nullptr;
        Backend::Drag().dropOn = nullptr;
    }
    Backend::UnregisterControl(this);
    if (Backend::Capture() == this) Backend::SetCapture(nullptr);
    if (parent_) parent_->RemoveControl(this);
    font_->OnChange = nullptr;
}

void TControl::FontChanged() {
    if (fontChanging_) return;
    parentFont_ = false;
    Perform(CM_FONTCHANGED);
}

void TControl::Notification(TComponent* c, TOperation op) {
    TComponent::Notification(c, op);
    if (op == opRemove && c == popupMenu_) popupMenu_ = nullptr;
    if (op == opRemove && actionLink_ && c == actionLink_->Action()) actionLink_.reset();
}

TBasicAction* TControl::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TControl::SetAction(TBasicAction* a) {
    if (!a) {
        if (actionLink_ && actionLink_->Action()) actionLink_->Action()->RemoveFreeNotification(this);
        actionLink_.reset();
        return;
    }
    if (a == Action()) return;
    if (!actionLink_) actionLink_.reset(CreateActionLink());
    else if (actionLink_->Action()) actionLink_->Action()->RemoveFreeNotification(this);
    actionLink_->SetAction(a);
    actionLink_->OnChange = [this](TObject* sender) { ActionChange(sender, false); };
    a->FreeNotification(this);
    ActionChange(a, a->IsLoading());
}

TControlActionLink* TControl::CreateActionLink() { return new TControlActionLink(this); }

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
    auto* a = dynamic_cast<TAction*>(sender);
    if (!a) return;
    if (!checkDefaults || Caption().empty()) SetCaption(a->Caption());
    if (!checkDefaults || enabled_) SetEnabled(a->Enabled());
    if (!checkDefaults || hint_.empty()) SetHint(a->Hint());
    if (!checkDefaults || visible_) SetVisible(a->Visible());
}

void TControl::SetParent(TWinControl* p) {
    if (p == parent_) return;
    if (p == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (p) p->InsertControl(this);
}

void TControl::SetBounds(int l, int t, int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (l == left_ && t == top_ && w == width_ && h == height_) return;
    bool moved = l != left_ || t != top_, sized = w != width_ || h != height_;
    TRect old = BoundsRect();
    left_ = l;
    top_ = t;
    width_ = w;
    height_ = h;
    if (parent_ && visible_) {
        parent_->InvalidateClient(&old, true);
        TRect now = BoundsRect();
        parent_->InvalidateClient(&now, !(controlStyle_ & csOpaque));
    }
    BoundsChanged(moved, sized);
    if (parent_ && sized && align_ != alNone) parent_->Realign();
}

void TControl::BoundsChanged(bool, bool sized) {
    if (sized && !IsLoading()) Resize();
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::SetClientWidth(int w) { SetWidth(w + (width_ - ClientWidth())); }
void TControl::SetClientHeight(int h) { SetHeight(h + (height_ - ClientHeight())); }

TPoint TControl::ClientOrigin() const {
    TRect wc = WindowClientRect();
    if (!parent_ && widget_ && widget_->isVisible()) {
        // A shown window is where the window system put it (inside its frame, if it has one).
        QPoint g = widget_->mapToGlobal(QPoint(0, 0));
        return TPoint(g.x() + wc.Left, g.y() + wc.Top);
    }
    TPoint o = parent_ ? parent_->ClientOrigin() : TPoint(0, 0);
    return TPoint(o.X + left_ + wc.Left, o.Y + top_ + wc.Top);
}

TPoint TControl::ClientToScreen(const TPoint& p) const {
    TPoint o = ClientOrigin();
    return TPoint(o.X + p.X, o.Y + p.Y);
}

TPoint TControl::ScreenToClient(const TPoint& p) const {
    TPoint o = ClientOrigin();
    return TPoint(p.X - o.X, p.Y - o.Y);
}

void TControl::SetAlign(TAlign a) {
    if (a == align_) return;
    align_ = a;
    if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    Perform(CM_VISIBLECHANGED, v ? 1 : 0);
    if (parent_) {
        TRect r = BoundsRect();
        parent_->InvalidateClient(&r, true);
        // A docked control shown or hidden gives its zone back or takes it again.
        if (align_ != alNone || hostDockSite_ == parent_) parent_->Realign();
    }
}

void TControl::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetBiDiMode(TBiDiMode m) {
    if (m == bidiMode_) return;
    bidiMode_ = m;
    Perform(CM_BIDIMODECHANGED);
}

void TControl::SetColor(TColor c) {
    if (c != color_) {
        color_ = c;
        parentColor_ = false;
        Perform(CM_COLORCHANGED);
    } else {
        parentColor_ = false;
    }
}

TColor TControl::ParentColorValue() const { return parent_ ? parent_->Color() : clBtnFace; }

void TControl::SetParentColor(bool v) {
    if (v == parentColor_) return;
    parentColor_ = v;
    if (v && parent_ && !IsLoading()) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool v) {
    if (v == parentFont_) return;
    parentFont_ = v;
    if (v && parent_ && !IsLoading()) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetCtl3D(bool v) {
    if (v == ctl3D_) return;
    ctl3D_ = v;
    parentCtl3D_ = false;
    Perform(CM_CTL3DCHANGED);
}

void TControl::SetParentCtl3D(bool v) {
    if (v == parentCtl3D_) return;
    parentCtl3D_ = v;
    if (v && parent_ && !IsLoading()) Perform(CM_PARENTCTL3DCHANGED);
}

void TControl::SetShowHint(bool v) {
    if (v == showHint_) return;
    showHint_ = v;
    parentShowHint_ = false;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool v) {
    if (v == parentShowHint_) return;
    parentShowHint_ = v;
    if (v && parent_ && !IsLoading()) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetText(const std::string& t) {
    if (t == text_) return;
    text_ = t;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetCursor(TCursor c) {
    if (c == cursor_) return;
    cursor_ = c;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* m) {
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = m;
    if (m) m->FreeNotification(this);
}

bool TControl::MouseCapture() const { return Backend::Capture() == this; }
void TControl::SetMouseCapture(bool c) {
    if (c)
        Backend::SetCapture(this);
    else if (Backend::Capture() == this)
        Backend::SetCapture(nullptr);
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

LRESULT TControl::Perform(UINT msg, WPARAM w, LPARAM l) {
    TMessage m{msg, w, l, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m) { Dispatch(m); }

void TControl::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case WM_SETTEXT: text_ = reinterpret_cast<const char*>(m.LParam); m.Result = 1; break;
    default: break;
    }
}

void TControl::Dispatch(TMessage& m) {
    int x = m.XPos(), y = m.YPos();
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (dragMode_ == dmAutomatic && m.Msg == WM_LBUTTONDOWN) {
            BeginDrag(false, kDragThreshold);
            break;
        }
        if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
        if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
        if (m.Msg == WM_LBUTTONDBLCLK && (controlStyle_ & csClickEvents)) DblClick();
        MouseDown(mbLeft, KeysToShiftState(m.WParam) | (m.Msg == WM_LBUTTONDBLCLK ? ssDouble : 0), x, y);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, KeysToShiftState(m.WParam) | (m.Msg == WM_RBUTTONDBLCLK ? ssDouble : 0), x, y);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, KeysToShiftState(m.WParam) | (m.Msg == WM_MBUTTONDBLCLK ? ssDouble : 0), x, y);
        break;
    case WM_LBUTTONUP:
        if (controlStyle_ & csCaptureMouse) SetMouseCapture(false);
        if (controlState_ & csClicked) {
            controlState_ &= ~uint32_t(csClicked);
            if (ClientRect().Width() > 0 && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) Click();
        }
        MouseUp(mbLeft, KeysToShiftState(m.WParam), x, y);
        break;
    case WM_RBUTTONUP: {
        MouseUp(mbRight, KeysToShiftState(m.WParam), x, y);
        TPoint s = ClientToScreen(TPoint(x, y));
        Perform(WM_CONTEXTMENU, 0, MAKELPARAM(s.X, s.Y));
        break;
    }
    case WM_MBUTTONUP: MouseUp(mbMiddle, KeysToShiftState(m.WParam), x, y); break;
    case WM_MOUSEMOVE: MouseMove(KeysToShiftState(m.WParam), x, y); break;
    case WM_MOUSEWHEEL: {
        int delta = int16_t(HIWORD(m.WParam));
        TPoint pos(x, y);
        if (DoMouseWheel(KeysToShiftState(LOWORD(m.WParam)), delta, pos))
            m.Result = 1;
        else if (parent_)
            m.Result = parent_->Perform(m.Msg, m.WParam, m.LParam);
        break;
    }
    case WM_CONTEXTMENU: {
        // (-1, -1): asked for from the keyboard, at no point of the mouse.
        const bool keyboard = x == -1 && y == -1;
        TPoint screen = keyboard ? ClientToScreen(KeyboardPopupPoint()) : TPoint(x, y);
        TPoint client = keyboard ? TPoint(-1, -1) : ScreenToClient(screen);
        bool handled = false;
        if (OnContextPopup) OnContextPopup(this, client, handled);
        if (handled) {
            m.Result = 1;
        } else if (popupMenu_) {
            popupMenu_->SetPopupComponent(this);
            popupMenu_->Popup(screen.X, screen.Y);
            m.Result = 1;
        } else if (parent_) {
            m.Result = parent_->Perform(m.Msg, m.WParam, m.LParam);
        }
        break;
    }
    case WM_CANCELMODE: SetMouseCapture(false); break;
    case CM_HITTEST: m.Result = HTCLIENT; break;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED: Invalidate(); break;
    case CM_VISIBLECHANGED: break;
    case CM_PARENTCOLORCHANGED:
        if (parentColor_ && parent_) {
            if (color_ != parent_->Color()) {
                color_ = parent_->Color();
                Perform(CM_COLORCHANGED);
            }
            parentColor_ = true;
        }
        break;
    case CM_PARENTFONTCHANGED:
        if (parentFont_ && parent_) {
            fontChanging_ = true;
            font_->Assign(*parent_->Font());
            fontChanging_ = false;
            Perform(CM_FONTCHANGED);
        }
        break;
    case CM_PARENTCTL3DCHANGED:
        if (parentCtl3D_ && parent_ && ctl3D_ != parent_->Ctl3D()) {
            ctl3D_ = parent_->Ctl3D();
            Perform(CM_CTL3DCHANGED);
        }
        break;
    case CM_PARENTSHOWHINTCHANGED:
        if (parentShowHint_ && parent_) showHint_ = parent_->ShowHint();
        break;
    default: DefaultHandler(m);
    }
}

void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
bool TControl::DoMouseWheel(TShiftState s, int delta, TPoint pos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, s, delta, pos, handled);
    if (!handled) {
        if (delta < 0 && OnMouseWheelDown)
            OnMouseWheelDown(this, s, pos, handled);
        else if (delta > 0 && OnMouseWheelUp)
            OnMouseWheelUp(this, s, pos, handled);
    }
    return handled;
}

void TControl::BeginDrag(bool immediate, int threshold) {
    Backend::DragState& d = Backend::Drag();
    if (d.source) return;
    d = Backend::DragState();
    d.source = this;
    d.start = Backend::LastMouseScreen();
    d.threshold = threshold;
    d.started = immediate || threshold < 0;
    d.dock = dragKind_ == dkDock;
    TPoint origin = ClientToScreen(TPoint(0, 0));
    d.grab = TPoint(d.start.X - origin.X, d.start.Y - origin.Y);
    SetMouseCapture(true);
}

void TControl::EndDrag(bool drop) {
    if (Backend::Drag().source == this) Backend::FinishDrag(drop);
}

bool TControl::Dragging() const { return Backend::Drag().source == this; }

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = false;
    if (OnDragOver) {
        accept = true;
        OnDragOver(this, source, x, y, state, accept);
    }
}

void TControl::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
    else if (actionLink_) actionLink_->Execute();
}
void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::Invalidate() {
    if (parent_ && visible_) {
        TRect r = BoundsRect();
        parent_->InvalidateClient(&r, !(controlStyle_ & csOpaque));
    }
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!parent_) return;
    auto& v = parent_->controls_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    v.push_back(this);
    if (widget_) widget_->raise();
    Invalidate();
}

void TControl::SendToBack() {
    if (!parent_) return;
    auto& v = parent_->controls_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    v.insert(v.begin(), this);
    if (widget_) widget_->lower();
    Invalidate();
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parent_) {
        if (parentColor_) Perform(CM_PARENTCOLORCHANGED);
        if (parentFont_) Perform(CM_PARENTFONTCHANGED);
        if (parentShowHint_) Perform(CM_PARENTSHOWHINTCHANGED);
        if (parentCtl3D_) Perform(CM_PARENTCTL3DCHANGED);
    }
}

// ---------------------------------------------------------------- TGraphicControl
QM_ABSTRACT_CLASS_RECORD(TGraphicControl, TControl)

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}
TGraphicControl::~TGraphicControl() = default;

TCanvas* TGraphicControl::Canvas() {
    if (paintDC_) return paintDC_;
    if (!canvas_) {
        canvas_ = std::make_unique<TControlCanvas>();
        canvas_->SetControl(this);
    }
    // Outside paint: the parent's surface at the control's place, clipped to it and to the parent's client.
    TWinControl* p = Parent();
    if (!painting_ && p && p->BackSurface()) {
        canvas_->SetDevice(std::make_unique<TSurfaceDevice>(p->BackSurface(), p->Widget()));
        TRect pc = p->WindowClientRect();
        int ox = pc.Left + Left(), oy = pc.Top + Top();
        canvas_->SelectClipRgn(nullptr);
        canvas_->SetViewportOrg(ox, oy);
        canvas_->IntersectClipRect(0, 0, Width(), Height());
        canvas_->IntersectClipRect(pc.Left - ox, pc.Top - oy, pc.Right - ox, pc.Bottom - oy);
    }
    return canvas_.get();
}

void TGraphicControl::Dispatch(TMessage& m) {
    if (m.Msg == WM_PAINT) {
        // The parent's paint brings its canvas, its origin already at this control's place.
        auto* dc = reinterpret_cast<TCanvas*>(m.WParam);
        TCanvas* c = dc ? dc : Canvas();
        paintDC_ = dc;
        painting_ = true;
        c->SaveDC();
        try {
            Paint();
        } catch (...) {
            c->RestoreDC(-1);
            paintDC_ = nullptr;
            painting_ = false;
            throw;
        }
        c->RestoreDC(-1);
        paintDC_ = nullptr;
        painting_ = false;
        return;
    }
    TControl::Dispatch(m);
}

// ---------------------------------------------------------------- docking
bool TControl::Floating() const { return dynamic_cast<TCustomDockForm*>(hostDockSite_) != nullptr; }

void TControl::ManualDock(TWinControl* site, TControl* dropControl, TAlign align) {
    if (!site) return;
    for (const TControl* p = site; p; p = p->Parent())
        if (p == this) throw EInvalidOperation("A control cannot be docked into itself");
    if (dropControl == this || (dropControl && dropControl->HostDockSite() != site)) dropControl = nullptr;
    TWinControl* oldHost = hostDockSite_;
    if (oldHost) {
        // Leaving the old host (or moving inside the same one): its manager forgets the control first.
        oldHost->RemoveControl(this);
    }
    hostDockSite_ = site;
    TDockManager* dm = site->DockManager();
    if (dm) {
        SetAlign(alNone);
        SetParent(site);
        dm->InsertControl(this, align, dropControl);
    } else {
        SetParent(site);
        SetAlign(alClient);
    }
    SetVisible(true);
    site->Realign();
    site->Invalidate();
    // A floating form left empty goes, once the event that brought the drop is over.
    if (auto* f = dynamic_cast<TCustomDockForm*>(oldHost); f && f != site && f->DockClientCount() == 0) {
        f->Hide();
        QTimer::singleShot(0, [f] {
            if (Backend::Alive(f)) delete f;
        });
    }
}

void TControl::ManualFloat(const TRect& screenRect) {
    auto* form = dynamic_cast<TCustomDockForm*>(hostDockSite_);
    if (!form || form->DockClientCount() != 1) {
        form = new TCustomDockForm(Owner());
        form->SetCaption(Caption());
        ManualDock(form);
    }
    form->SetClientWidth(screenRect.Width());
    form->SetClientHeight(screenRect.Height());
    form->SetBounds(screenRect.Left, screenRect.Top, form->Width(), form->Height());
    form->Show();
    // The client area, not the frame, goes where the rectangle says.
    TPoint o = form->ClientOrigin();
    if (o.X != screenRect.Left || o.Y != screenRect.Top)
        form->SetBounds(form->Left() + screenRect.Left - o.X, form->Top() + screenRect.Top - o.Y, form->Width(),
                        form->Height());
}
