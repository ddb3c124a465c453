#include "platform/ui/Docking.h"

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <vector>

#include "platform/ui/Backend.h"

// A leaf holds one docked control; a split holds two or more zones in its orientation, which share its
// rectangle equally.
struct TDockTree::Zone {
    Zone* parent = nullptr;
    TControl* control = nullptr;
    TDockOrientation orientation = doNoOrient;
    std::vector<std::unique_ptr<Zone>> children;
    TRect rect;
};

namespace {
// Pixels the mouse moves from a press on a grabber before the control is dragged out.
constexpr int kGrabberDragThreshold = 5;

TDockOrientation OrientationOf(TAlign a) { return a == alLeft || a == alRight ? doVertical : doHorizontal; }

// The half of r on side a.
TRect HalfOf(const TRect& r, TAlign a) {
    TRect h = r;
    switch (a) {
    case alLeft: h.Right = r.Left + r.Width() / 2; break;
    case alRight: h.Left = r.Left + r.Width() / 2; break;
    case alTop: h.Bottom = r.Top + r.Height() / 2; break;
    case alBottom: h.Top = r.Top + r.Height() / 2; break;
    default: break;
    }
    return h;
}
}  // namespace

TDockTree::TDockTree(TWinControl* site) : site_(site) {}
TDockTree::~TDockTree() = default;

bool TDockTree::GrabbersOnTop() const { return site_->Align() != alTop && site_->Align() != alBottom; }

TRect TDockTree::SiteArea() const {
    TRect r = site_->ClientRect();
    site_->AdjustClientRect(r);
    return r;
}

TDockTree::Zone* TDockTree::Walk(Zone* z, const std::function<bool(const Zone*)>& match) {
    if (!z) return nullptr;
    if (match(z)) return z;
    for (auto& k : z->children)
        if (Zone* f = Walk(k.get(), match)) return f;
    return nullptr;
}

TDockTree::Zone* TDockTree::Find(Zone* z, const TControl* c) const {
    return Walk(z, [c](const Zone* k) { return k->control == c; });
}

bool TDockTree::ZoneShown(const Zone* z) const {
    if (z->control) return z->control->Visible();
    return std::any_of(z->children.begin(), z->children.end(), [this](auto& k) { return ZoneShown(k.get()); });
}

void TDockTree::InsertControl(TControl* control, TAlign insertAt, TControl* dropControl) {
    if (!control || Find(root_.get(), control)) return;
    auto leaf = std::make_unique<Zone>();
    leaf->control = control;
    if (!root_) {
        root_ = std::move(leaf);
        ResetBounds(true);
        return;
    }
    if (insertAt != alLeft && insertAt != alRight && insertAt != alTop && insertAt != alBottom) {
        // A new control goes after the others, along the grabbers' own direction.
        insertAt = GrabbersOnTop() ? alBottom : alRight;
        dropControl = nullptr;
    }
    Zone* target = dropControl ? Find(root_.get(), dropControl) : nullptr;
    if (!target) target = root_.get();
    const TDockOrientation want = OrientationOf(insertAt);
    const bool before = insertAt == alLeft || insertAt == alTop;
    Zone* parent = target->parent;
    if (!parent && target->orientation == want) {
        // Beside everything in a root that already splits this way.
        leaf->parent = target;
        auto pos = before ? target->children.begin() : target->children.end();
        target->children.insert(pos, std::move(leaf));
    } else if (parent && parent->orientation == want) {
        leaf->parent = parent;
        auto it = std::find_if(parent->children.begin(), parent->children.end(),
                               [target](auto& k) { return k.get() == target; });
        if (!before) ++it;
        parent->children.insert(it, std::move(leaf));
    } else {
        // The target's place becomes a split of the target and the new control.
        auto split = std::make_unique<Zone>();
        split->orientation = want;
        split->parent = parent;
        std::unique_ptr<Zone> old;
        if (parent) {
            auto it = std::find_if(parent->children.begin(), parent->children.end(),
                                   [target](auto& k) { return k.get() == target; });
            old = std::move(*it);
            *it = std::move(split);
            Zone* s = it->get();
            old->parent = s;
            leaf->parent = s;
            s->children.push_back(std::move(old));
            s->children.insert(before ? s->children.begin() : s->children.end(), std::move(leaf));
        } else {
            old = std::move(root_);
            old->parent = split.get();
            leaf->parent = split.get();
            split->children.push_back(std::move(old));
            split->children.insert(before ? split->children.begin() : split->children.end(), std::move(leaf));
            root_ = std::move(split);
        }
    }
    ResetBounds(true);
}

void TDockTree::RemoveControl(TControl* control) {
    if (closing_ == control) closing_ = nullptr;
    Zone* z = Find(root_.get(), control);
    if (!z) return;
    Zone* parent = z->parent;
    if (!parent) {
        root_.reset();
        return;
    }
    auto& kids = parent->children;
    kids.erase(std::find_if(kids.begin(), kids.end(), [z](auto& k) { return k.get() == z; }));
    if (kids.size() == 1) {
        // A split of one is that one zone.
        std::unique_ptr<Zone> only = std::move(kids.front());
        Zone* grand = parent->parent;
        only->parent = grand;
        if (!grand) {
            root_ = std::move(only);
        } else {
            auto it = std::find_if(grand->children.begin(), grand->children.end(),
                                   [parent](auto& k) { return k.get() == parent; });
            if (only->orientation == grand->orientation && !only->control) {
                // Merged into a grandparent that splits the same way.
                std::vector<std::unique_ptr<Zone>> moved = std::move(only->children);
                it = grand->children.erase(it);
                for (auto& m : moved) m->parent = grand;
                grand->children.insert(it, std::make_move_iterator(moved.begin()), std::make_move_iterator(moved.end()));
            } else {
                *it = std::move(only);
            }
        }
    }
}

void TDockTree::Layout(Zone* z, const TRect& r) {
    z->rect = r;
    if (z->control) {
        if (!z->control->Visible()) return;
        TRect c = r;
        if (GrabbersOnTop())
            c.Top = std::min(r.Bottom, r.Top + GrabberSize());
        else
            c.Left = std::min(r.Right, r.Left + GrabberSize());
        z->control->SetBounds(c.Left, c.Top, c.Width(), c.Height());
        return;
    }
    std::vector<Zone*> shown;
    for (auto& k : z->children)
        if (ZoneShown(k.get())) shown.push_back(k.get());
    const int n = int(shown.size());
    const bool stacked = z->orientation == doHorizontal;
    const int total = stacked ? r.Height() : r.Width();
    int pos = stacked ? r.Top : r.Left;
    for (int i = 0; i < n; ++i) {
        int size = i == n - 1 ? (stacked ? r.Bottom : r.Right) - pos : total / n;
        TRect kr = stacked ? TRect(r.Left, pos, r.Right, pos + size) : TRect(pos, r.Top, pos + size, r.Bottom);
        Layout(shown[size_t(i)], kr);
        pos += size;
    }
}

void TDockTree::ResetBounds(bool) {
    if (root_ && ZoneShown(root_.get())) Layout(root_.get(), SiteArea());
    site_->Invalidate();
}

void TDockTree::GetControlBounds(TControl* control, TRect& r) {
    Zone* z = Find(root_.get(), control);
    r = z && control->Visible() ? z->rect : TRect();
}

TRect TDockTree::GrabberRect(TControl* control) {
    TRect z;
    GetControlBounds(control, z);
    if (z.IsEmpty()) return TRect();
    if (GrabbersOnTop()) return TRect(z.Left, z.Top, z.Right, std::min(z.Bottom, z.Top + GrabberSize()));
    return TRect(z.Left, z.Top, std::min(z.Right, z.Left + GrabberSize()), z.Bottom);
}

TRect TDockTree::CloseButtonRect(TControl* control) {
    TRect g = GrabberRect(control);
    if (g.IsEmpty()) return TRect();
    const int s = GrabberSize() - 4;
    // At the far end of a grabber along the top, at the top of one at the left.
    if (GrabbersOnTop()) return TRect(g.Right - 2 - s, g.Top + 2, g.Right - 2, g.Top + 2 + s);
    return TRect(g.Left + 2, g.Top + 2, g.Left + 2 + s, g.Top + 2 + s);
}

TControl* TDockTree::ControlAtPoint(TPoint p) {
    // A zone that is not shown holds no visible control.
    const Zone* z = Walk(root_.get(), [p](const Zone* k) {
        return k->control && k->control->Visible() && k->rect.Contains(p);
    });
    return z ? z->control : nullptr;
}

void TDockTree::PositionDockRect(TControl* client, TControl* dropControl, TAlign dropAlign, TRect& dockRect) {
    TRect r = SiteArea();
    TRect zone;
    if (dropControl) GetControlBounds(dropControl, zone);
    const bool empty = !root_ || !ZoneShown(root_.get()) || (dropControl == nullptr && Find(root_.get(), client) &&
                                                             root_->control == client);
    if (!zone.IsEmpty() && dropAlign != alClient && dropAlign != alNone)
        r = HalfOf(zone, dropAlign);
    else if (!empty)
        r = HalfOf(r, GrabbersOnTop() ? alBottom : alRight);
    TPoint o = site_->ClientToScreen(TPoint(0, 0));
    dockRect = TRect(r.Left + o.X, r.Top + o.Y, r.Right + o.X, r.Bottom + o.Y);
}

void TDockTree::PaintSite(TCanvas* canvas) {
    Walk(root_.get(), [&](const Zone* z) {
        if (!z->control) return false;
        const TRect g = GrabberRect(z->control);
        if (!g.IsEmpty()) PaintDockFrame(canvas, z->control, g);
        return false;
    });
}

void TDockTree::PaintDockFrame(TCanvas* canvas, TControl* control, const TRect& g) {
    // Two raised ridges along the grabber, and the close button's cross.
    TRect close = CloseButtonRect(control);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(site_->Color());
    canvas->FillRect(g);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetWidth(1);
    for (int i = 0; i < 2; ++i) {
        if (GrabbersOnTop()) {
            int y = g.Top + 4 + 3 * i;
            canvas->Pen()->SetColor(clBtnHighlight);
            canvas->MoveTo(g.Left + 2, y);
            canvas->LineTo(close.Left - 2, y);
            canvas->Pen()->SetColor(clBtnShadow);
            canvas->MoveTo(g.Left + 2, y + 1);
            canvas->LineTo(close.Left - 2, y + 1);
        } else {
            int x = g.Left + 4 + 3 * i;
            canvas->Pen()->SetColor(clBtnHighlight);
            canvas->MoveTo(x, close.Bottom + 2);
            canvas->LineTo(x, g.Bottom - 2);
            canvas->Pen()->SetColor(clBtnShadow);
            canvas->MoveTo(x + 1, close.Bottom + 2);
            canvas->LineTo(x + 1, g.Bottom - 2);
        }
    }
    canvas->Pen()->SetColor(clBtnText);
    canvas->MoveTo(close.Left + 1, close.Top + 1);
    canvas->LineTo(close.Right - 1, close.Bottom - 1);
    canvas->MoveTo(close.Right - 2, close.Top + 1);
    canvas->LineTo(close.Left, close.Bottom - 1);
}

void TDockTree::CloseClient(TControl* control) {
    if (auto* f = dynamic_cast<TCustomForm*>(control))
        f->Close();
    else
        control->Hide();
}

bool TDockTree::HandleSiteMessage(TMessage& m) {
    switch (m.Msg) {
    case CM_FOCUSCHANGED:
        // The grabber of the control that holds the focus is drawn active.
        if (root_) site_->Invalidate();
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        TPoint p(m.XPos(), m.YPos());
        TControl* c = ControlAtPoint(p);
        if (!c || !GrabberRect(c).Contains(p)) return false;
        if (CloseButtonRect(c).Contains(p)) {
            closing_ = c;
            site_->SetMouseCapture(true);
            return true;
        }
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->CanFocus()) w->SetFocus();
        if (!Backend::Alive(c) || c->HostDockSite() != site_) return true;
        c->BeginDrag(false, kGrabberDragThreshold);
        // The grabber drags the control out whatever kind of drag its own presses start.
        if (c->Dragging()) Backend::Drag().dock = true;
        return true;
    }
    case WM_MOUSEMOVE: return closing_ != nullptr;
    case WM_LBUTTONUP: {
        if (!closing_) return false;
        TControl* c = closing_;
        closing_ = nullptr;
        site_->SetMouseCapture(false);
        if (CloseButtonRect(c).Contains(TPoint(m.XPos(), m.YPos()))) CloseClient(c);
        return true;
    }
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED: closing_ = nullptr; return false;
    default: return false;
    }
}

// ---------------------------------------------------------------- floating form
QM_CLASS_RECORD(TCustomDockForm, TCustomForm)

TCustomDockForm::TCustomDockForm(TComponent* owner) : TCustomForm(owner) {
    SetFormBorderStyle(bsSizeToolWin);
    SetBorderIcons(biSystemMenu);
    SetDockSite(true);
    SetColor(clBtnFace);
}

// ---------------------------------------------------------------- finding a site
namespace {
// The nearest edge of a zone to a point inside it.
TAlign NearestEdge(const TRect& z, TPoint p) {
    const int dl = p.X - z.Left, dr = z.Right - 1 - p.X, dt = p.Y - z.Top, db = z.Bottom - 1 - p.Y;
    const int m = std::min({dl, dr, dt, db});
    if (m == dt) return alTop;
    if (m == db) return alBottom;
    if (m == dl) return alLeft;
    return alRight;
}

bool Inside(const TControl* c, const TControl* ancestor) {
    for (; c; c = c->Parent())
        if (c == ancestor) return true;
    return false;
}
}  // namespace

TDockTarget FindDockTarget(TControl* source, TPoint screen) {
    TDockTarget t;
    if (!source) return t;
    for (int i = Screen->FormCount() - 1; i >= 0; --i) {
        TCustomForm* f = Screen->Forms(i);
        if (!f->Visible() || !f->Showing()) continue;
        // The form a control floats in alone is not a place to drop it.
        if (f == source->HostDockSite() && f->DockClientCount() == 1 && source->Floating()) continue;
        TPoint cp = f->ScreenToClient(screen);
        if (!f->ClientRect().Contains(cp)) continue;
        // The deepest control under the point, then the innermost dock site holding it.
        TControl* cur = f;
        for (;;) {
            auto* w = dynamic_cast<TWinControl*>(cur);
            if (!w) break;
            TControl* next = w->ControlAtPos(w->ScreenToClient(screen), false);
            if (!next || next == source) break;
            cur = next;
        }
        for (TControl* c = cur; c; c = c->Parent()) {
            auto* site = dynamic_cast<TWinControl*>(c);
            if (!site || !site->DockSite() || Inside(site, source) || dynamic_cast<TCustomDockForm*>(site)) continue;
            t.site = site;
            TPoint sp = site->ScreenToClient(screen);
            TDockManager* dm = site->DockManager();
            auto* tree = dynamic_cast<TDockTree*>(dm);
            TControl* on = tree ? tree->ControlAtPoint(sp) : nullptr;
            if (on == source) {
                // Over its own zone: dropping leaves it where it is.
                t.stay = true;
                dm->GetControlBounds(on, t.rect);
                TPoint o = site->ClientToScreen(TPoint(0, 0));
                OffsetRect(t.rect, o.X, o.Y);
                return t;
            }
            if (on) {
                TRect z;
                dm->GetControlBounds(on, z);
                t.dropOn = on;
                t.align = NearestEdge(z, sp);
            } else {
                t.align = alClient;
            }
            if (dm) {
                dm->PositionDockRect(source, t.dropOn, t.align, t.rect);
            } else {
                TRect r = site->ClientRect();
                TPoint o = site->ClientToScreen(TPoint(0, 0));
                t.rect = TRect(r.Left + o.X, r.Top + o.Y, r.Right + o.X, r.Bottom + o.Y);
            }
            return t;
        }
        return t;  // the topmost form under the point hides the ones below
    }
    return t;
}
