#include "platform/ui/ComCtrls.h"

#include <algorithm>

#include "platform/ui/Bitmap.h"
#include "platform/ui/StdCtrls.h"

namespace {
const TEnumInfo BevelIdents{{"bvNone", "bvLowered", "bvRaised", "bvSpace"}};

void Bevel(TCanvas* c, TRect& r, TBevelCut cut, int width) {
    if (cut == bvNone) return;
    for (int i = 0; i < width; ++i) {
        if (cut != bvSpace) {
            c->Pen()->SetStyle(psSolid);
            Frame3D(c, r, cut == bvRaised ? clBtnHighlight : clBtnShadow, cut == bvRaised ? clBtnShadow : clBtnHighlight);
        } else {
            InflateRect(r, -1, -1);
        }
    }
}

int TextWidthOf(const TFont& f, const std::string& s) {
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(f);
    return probe.Canvas()->TextWidth(s);
}
}  // namespace

// ---------------------------------------------------------------- panels
const TClassInfo& TCustomPanel::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomPanel", &TCustomControl::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TCustomPanel, TBevelCut>("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter,
                                                    bvRaised, &BevelIdents),
                   OrdProp<TCustomPanel, TBevelCut>("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner,
                                                    bvNone, &BevelIdents),
                   OrdProp<TCustomPanel, int>("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth, 1),
                   OrdProp<TCustomPanel, TAlignment>("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment,
                                                     taCenter, &AlignmentIdents)};
        return c;
    }();
    return ci;
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelOuter(TBevelCut b) {
    bevelOuter_ = b;
    Realign();
    Invalidate();
}
void TCustomPanel::SetBevelInner(TBevelCut b) {
    bevelInner_ = b;
    Realign();
    Invalidate();
}
void TCustomPanel::SetBevelWidth(int w) {
    bevelWidth_ = std::max(w, 1);
    Realign();
    Invalidate();
}
void TCustomPanel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& r) {
    int n = (bevelOuter_ != bvNone ? bevelWidth_ : 0) + (bevelInner_ != bvNone ? bevelWidth_ : 0);
    InflateRect(r, -n, -n);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    Bevel(c, r, bevelOuter_, bevelWidth_);
    Bevel(c, r, bevelInner_, bevelWidth_);
    if (Caption().empty()) return;
    c->SetFont(*Font());
    if (!Enabled()) c->Font()->SetColor(clGrayText);
    c->Brush()->SetStyle(bsClear);
    InflateRect(r, -2, 0);
    c->DrawText(Caption(), r,
                DT_SINGLELINE | DT_VCENTER |
                    (alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER));
    c->Brush()->SetStyle(bsSolid);
}

void TCustomPanel::Dispatch(TMessage& m) {
    if (m.Msg == WM_ERASEBKGND) {
        m.Result = 1;
        return;
    }
    TCustomControl::Dispatch(m);
}

QM_CLASS_RECORD(TPanel, TCustomPanel)

// ---------------------------------------------------------------- tab sheets
const TClassInfo& TTabSheet::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TTabSheet", &TCustomControl::StaticClass(), Creator<TTabSheet>(), {}, {}};
        c.props = {BoolProp<TTabSheet>("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible, 1),
                   RefProp<TTabSheet, TPageControl>("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl)};
        return c;
    }();
    return ci;
}

TTabSheet::TTabSheet(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetParentColor(true);
}

TTabSheet::~TTabSheet() {
    if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* p) {
    if (p == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    if (p) p->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    auto& v = pageControl_->pages_;
    return int(std::find(v.begin(), v.end(), this) - v.begin());
}

void TTabSheet::SetTabVisible(bool v) {
    tabVisible_ = v;
    if (pageControl_) pageControl_->Invalidate();
}

void TTabSheet::Dispatch(TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED && pageControl_) pageControl_->Invalidate();
    TCustomControl::Dispatch(m);
}

// ---------------------------------------------------------------- page control
const TClassInfo& TPageControl::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TPageControl", &TCustomControl::StaticClass(), Creator<TPageControl>(), {}, {}};
        c.props = {RefProp<TPageControl, TTabSheet>("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage),
                   OrdProp<TPageControl, int>("TabIndex", &TPageControl::TabIndex, &TPageControl::SetTabIndex, -1),
                   EventProp("OnChange", &TPageControl::OnChange),
                   EventProp("OnChanging", &TPageControl::OnChanging)};
        return c;
    }();
    return ci;
}

TPageControl::TPageControl(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
    for (TTabSheet* p : pages_) p->pageControl_ = nullptr;
}

void TPageControl::InsertPage(TTabSheet* p) {
    pages_.push_back(p);
    p->pageControl_ = this;
    p->SetParent(this);
    p->SetVisible(p == active_);
    LayoutSheets();
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet* p) {
    pages_.erase(std::remove(pages_.begin(), pages_.end(), p), pages_.end());
    p->pageControl_ = nullptr;
    if (active_ == p) active_ = nullptr;
    if (!IsDestroying() && !p->IsDestroying() && p->Parent() == this) p->SetParent(nullptr);
    Invalidate();
}

void TPageControl::SetActivePage(TTabSheet* p) {
    if (p && p->pageControl_ != this) return;
    if (p == active_) return;
    active_ = p;
    for (TTabSheet* s : pages_) s->SetVisible(s == p);
    LayoutSheets();
    if (p) p->BringToFront();
    Invalidate();
}

int TPageControl::GetActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int i) {
    SetActivePage(i >= 0 && i < PageCount() ? pages_[size_t(i)] : nullptr);
}

int TPageControl::TabIndex() const {
    int k = 0;
    for (TTabSheet* s : pages_) {
        if (s == active_) return s->tabVisible_ ? k : -1;
        if (s->tabVisible_) ++k;
    }
    return -1;
}

void TPageControl::SetTabIndex(int i) {
    int k = 0;
    for (TTabSheet* s : pages_)
        if (s->tabVisible_ && k++ == i) {
            SetActivePage(s);
            return;
        }
}

TRect TPageControl::TabRect(int pageIndex) const {
    int x = 2;
    for (int i = 0; i < PageCount(); ++i) {
        TTabSheet* s = pages_[size_t(i)];
        if (!s->tabVisible_) {
            if (i == pageIndex) return TRect();
            continue;
        }
        int w = TextWidthOf(*Font(), s->Caption()) + 12;
        if (i == pageIndex) return TRect(x, 2, x + w, TabHeight());
        x += w;
    }
    return TRect();
}

int TPageControl::IndexOfTabAt(int x, int y) const {
    for (int i = 0; i < PageCount(); ++i)
        if (TabRect(i).Contains(TPoint(x, y))) return i;
    return -1;
}

TRect TPageControl::DisplayRect() const {
    TRect r = ClientRect();
    return TRect(r.Left + 4, r.Top + TabHeight() + 4, std::max(r.Right - 4, r.Left + 4),
                 std::max(r.Bottom - 4, r.Top + TabHeight() + 4));
}

void TPageControl::LayoutSheets() {
    TRect r = DisplayRect();
    for (TTabSheet* s : pages_) s->SetBoundsRect(r);
}

void TPageControl::AlignControls(TControl* c, TRect& r) {
    LayoutSheets();
    TCustomControl::AlignControls(c, r);
}

void TPageControl::Loaded() {
    TCustomControl::Loaded();
    LayoutSheets();
}

void TPageControl::SelectPage(int index) {
    if (index < 0 || index >= PageCount() || pages_[size_t(index)] == active_) return;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    SetActivePage(pages_[size_t(index)]);
    if (OnChange) OnChange(this);
}

void TPageControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft) {
        int i = IndexOfTabAt(x, y);
        if (i >= 0) {
            if (CanFocus() && !Focused()) SetFocus();
            SelectPage(i);
        }
    }
    TCustomControl::MouseDown(b, s, x, y);
}

void TPageControl::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    bool next = (key == VK_RIGHT) || (key == VK_TAB && (shift & ssCtrl) && !(shift & ssShift));
    bool prev = key == VK_LEFT || (key == VK_TAB && (shift & ssCtrl) && (shift & ssShift));
    if (!next && !prev) return;
    int n = PageCount(), i = GetActivePageIndex();
    for (int k = 1; k <= n; ++k) {
        int j = ((i + (next ? k : -k)) % n + n) % n;
        if (pages_[size_t(j)]->tabVisible_) {
            SelectPage(j);
            return;
        }
    }
}

void TPageControl::Paint() {
    TCanvas* c = Canvas();
    TRect cr = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(cr);
    // The page frame below the tabs.
    TRect f(cr.Left, cr.Top + TabHeight(), cr.Right, cr.Bottom);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(f.Left, f.Bottom - 1);
    c->LineTo(f.Left, f.Top);
    c->LineTo(f.Right - 1, f.Top);
    c->Pen()->SetColor(cl3DDkShadow);
    c->LineTo(f.Right - 1, f.Bottom - 1);
    c->LineTo(f.Left - 1, f.Bottom - 1);
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(f.Right - 2, f.Top + 1);
    c->LineTo(f.Right - 2, f.Bottom - 2);
    c->LineTo(f.Left, f.Bottom - 2);
    c->SetFont(*Font());
    for (int i = 0; i < PageCount(); ++i) {
        TRect t = TabRect(i);
        if (t.Width() == 0) continue;
        bool act = pages_[size_t(i)] == active_;
        if (act) InflateRect(t, 2, 2);
        t.Bottom = cr.Top + TabHeight() + (act ? 1 : 0);
        c->Brush()->SetColor(Color());
        c->FillRect(t);
        c->Pen()->SetColor(clBtnHighlight);
        c->MoveTo(t.Left, t.Bottom - 1);
        c->LineTo(t.Left, t.Top + 2);
        c->LineTo(t.Left + 2, t.Top);
        c->LineTo(t.Right - 2, t.Top);
        c->Pen()->SetColor(cl3DDkShadow);
        c->LineTo(t.Right - 1, t.Top + 1);
        c->LineTo(t.Right - 1, t.Bottom - (act ? 0 : 1));
        c->Brush()->SetStyle(bsClear);
        TRect tt = t;
        c->DrawText(pages_[size_t(i)]->Caption(), tt, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        c->Brush()->SetStyle(bsSolid);
        if (act && Focused()) {
            TRect fr = t;
            InflateRect(fr, -3, -3);
            c->DrawFocusRect(fr);
        }
    }
}

void TPageControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS; return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_FONTCHANGED: Invalidate(); break;
    case WM_ERASEBKGND: m.Result = 1; return;
    default: break;
    }
    TCustomControl::Dispatch(m);
}
