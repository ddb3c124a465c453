#include "widgets/VtTabs.h"

#include <algorithm>

#include "platform/ui/Forms.h"

// ---------------------------------------------------------------- tab sheets
const TClassInfo& TVtTabSheet::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtTabSheet;
        TClassInfo c{"TVtTabSheet", &TCustomControl::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("TabVisible", &C::TabVisible, &C::SetTabVisible, 1),
                   BoolProp<C>("TabEnabled", &C::TabEnabled, &C::SetTabEnabled, 1),
                   OrdProp<C, int>("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1),
                   OrdProp<C, int>("DisabledIndex", &C::DisabledIndex, &C::SetDisabledIndex, -1),
                   OrdProp<C, int>("DisabledIndex", &C::DisabledIndex, &C::SetDisabledIndex, -1),
                   RefProp<C, TVtPageControl>("PageControl", &C::PageControl, &C::SetPageControl)};
        return c;
    }();
    return ci;
}

TVtTabSheet::TVtTabSheet(TComponent* owner) : TCustomControl(owner) {
    SetShown(false);
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
    SetAlign(alClient);
}

void TVtTabSheet::SetVisible(bool) { throw Exception("You cannot change the Visible property of a page"); }

TVtTabSheet::~TVtTabSheet() {
    if (pageControl_) pageControl_->RemovePage(this);
}

void TVtTabSheet::SetPageControl(TVtPageControl* p) {
    if (p == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    if (p) p->InsertPage(this);
}

int TVtTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    auto& v = pageControl_->pages_;
    return int(std::find(v.begin(), v.end(), this) - v.begin());
}

void TVtTabSheet::SetPageIndex(int i) {
    if (!pageControl_) return;
    int last = pageControl_->PageCount() - 1;
    if (i < 0 || i > last)
        throw Exception(std::to_string(i) + " is an invalid PageIndex value. PageIndex must be between 0 and " +
                        std::to_string(last));
    pageControl_->MovePage(this, i);
}

int TVtTabSheet::TabIndex() const {
    if (!tabVisible_ || !pageControl_) return -1;
    int k = 0;
    for (TVtTabSheet* p : pageControl_->pages_) {
        if (p == this) return k;
        if (p->tabVisible_) ++k;
    }
    return -1;
}

void TVtTabSheet::Rebuild() {
    if (pageControl_) pageControl_->Changed();
}
void TVtTabSheet::SetTabVisible(bool v) {
    tabVisible_ = v;
    Rebuild();
}
void TVtTabSheet::SetTabEnabled(bool e) {
    tabEnabled_ = e;
    Rebuild();
}
void TVtTabSheet::SetImageIndex(int i) {
    imageIndex_ = i;
    Rebuild();
}
void TVtTabSheet::SetDisabledIndex(int i) {
    disabledIndex_ = i;
    Rebuild();
}

void TVtTabSheet::Paint() {
    TCanvas* c = Canvas();
    bool handled = false;
    if (OnPaintBackground) OnPaintBackground(this, c, TRect(0, 0, Width(), Height()), handled);
    if (handled) return;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(TRect(0, 0, Width(), Height()));
}

void TVtTabSheet::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND: m.Result = 1; return;
    case CM_TEXTCHANGED: Rebuild(); break;
    case CM_COLORCHANGED:
        if (pageControl_ && !pageControl_->IsLoading() && Color() != pageControl_->Color() &&
            !pageControl_->UseColoredTabs())
            pageControl_->SetUseColoredTabs(true);
        Rebuild();
        break;
    default: break;
    }
    TCustomControl::Dispatch(m);
}
