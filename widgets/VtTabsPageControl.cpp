#include "widgets/VtTabs.h"

#include <algorithm>

#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"

// ---------------------------------------------------------------- page control
const TClassInfo& TVtPageControl::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtPageControl;
        TClassInfo c{"TVtPageControl", &TVtCustomTabControl::StaticClass(), Creator<C>(), {}, {}};
        c.props = {RefProp<C, TVtTabSheet>("ActivePage", &C::ActivePage, &C::SetActivePage),
                   RefProp<C, TVtTabSheet>("ActivePageDefault", &C::ActivePageDefault, &C::SetActivePageDefault),
                   BoolProp<C>("SaveResources", &C::SaveResources, &C::SetSaveResources, 0)};
        return c;
    }();
    return ci;
}

TVtPageControl::TVtPageControl(TComponent* owner) : TVtCustomTabControl(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csAcceptsControls));
    SetHeight(150);
}

TVtPageControl::~TVtPageControl() {
    for (TVtTabSheet* p : pages_) p->pageControl_ = nullptr;
}

void TVtPageControl::InsertPage(TVtTabSheet* p) {
    pages_.push_back(p);
    p->pageControl_ = this;
    p->SetParent(this);
    p->SetShown(p == active_);
    Changed();
}

void TVtPageControl::RemovePage(TVtTabSheet* p) {
    pages_.erase(std::remove(pages_.begin(), pages_.end(), p), pages_.end());
    p->pageControl_ = nullptr;
    if (active_ == p) {
        active_ = nullptr;
        tabIndex_ = -1;
    }
    if (activeDefault_ == p) activeDefault_ = nullptr;
    if (IsDestroying()) return;
    if (!p->IsDestroying() && p->Parent() == this) p->SetParent(nullptr);
    Changed();
}

void TVtPageControl::MovePage(TVtTabSheet* p, int to) {
    pages_.erase(std::remove(pages_.begin(), pages_.end(), p), pages_.end());
    pages_.insert(pages_.begin() + to, p);
    Changed();
}

TVtTabSheet* TVtPageControl::PageForTab(int tabIndex) const {
    for (TVtTabSheet* p : pages_)
        if (tabIndex >= 0 && p->TabIndex() == tabIndex) return p;
    return nullptr;
}

void TVtPageControl::Changed() {
    tabs_.clear();
    for (TVtTabSheet* p : pages_) {
        if (!p->tabVisible_) continue;
        auto t = std::make_unique<TVtTabData>();
        t->Caption = p->Caption();
        t->Color = p->Color();
        t->Enabled = p->tabEnabled_;
        t->Hint = p->Hint();
        t->ImageIndex = p->imageIndex_;
        t->DisabledIndex = p->disabledIndex_;
        tabs_.push_back(std::move(t));
    }
    if (active_ && !IsLoading()) {
        int ti = active_->TabIndex();
        if (ti < 0) tabIndex_ = -1;
        else if (ti != tabIndex_) SelectInternally(ti);
    }
    TVtCustomTabControl::Changed();
}

void TVtPageControl::ShowPage(TVtTabSheet* p) {
    if (p == active_) return;
    TCustomForm* form = GetParentForm(this);
    TVtTabSheet* old = active_;
    if (form && old && form->ActiveControl() && old->ContainsControl(form->ActiveControl()) && CanFocus())
        SetFocus();  // focus leaves the hidden children first
    if (p) {
        p->BringToFront();
        p->SetShown(true);
        if (HandleAllocated()) p->HandleNeeded();
    }
    if (old) {
        old->SetShown(false);
        if (saveResources_ && !IsDesigning()) old->DestroyHandle();  // hidden pages hold no windows
    }
    active_ = p;
}

void TVtPageControl::DoChanging(int newIndex, bool& allow) {
    if (!IsLoading() && !loadingPages_) TVtCustomTabControl::DoChanging(newIndex, allow);
    if (allow) ShowPage(PageForTab(newIndex));
}

void TVtPageControl::SetActivePage(TVtTabSheet* p) {
    if (p && p->pageControl_ != this) return;
    if (IsLoading()) {
        active_ = p;
        return;
    }
    int ti = p ? p->TabIndex() : -1;
    if (ti < 0) ShowPage(p);
    SetTabIndex(ti);
}

void TVtPageControl::SetActivePageIndex(int i) {
    SetActivePage(i >= 0 && i < PageCount() ? pages_[size_t(i)] : nullptr);
}

void TVtPageControl::SetActivePageDefault(TVtTabSheet* p) {
    activeDefault_ = p;
    if (p) p->FreeNotification(this);
}

TVtTabSheet* TVtPageControl::FindNextPage(TVtTabSheet* current, bool forward, bool checkTabVisible) const {
    int n = PageCount();
    if (n == 0) return nullptr;
    int i = current ? current->PageIndex() : -1;
    if (i < 0 || i >= n) i = forward ? n - 1 : 0;
    for (int k = 0; k < n; ++k) {
        i = forward ? (i + 1) % n : (i + n - 1) % n;
        if (!checkTabVisible || pages_[size_t(i)]->tabVisible_) return pages_[size_t(i)];
    }
    return nullptr;
}

void TVtPageControl::SelectNextPage(bool forward) {
    if (TVtTabSheet* p = FindNextPage(active_, forward, true)) SetActivePage(p);
}

void TVtPageControl::HideAllPageTabs() {
    for (TVtTabSheet* p : pages_) p->tabVisible_ = false;
    Changed();
}
void TVtPageControl::ShowAllPageTabs() {
    for (TVtTabSheet* p : pages_) p->tabVisible_ = true;
    Changed();
}

void TVtPageControl::Change() {
    if (!loadingPages_) TVtCustomTabControl::Change();
}

void TVtPageControl::Loaded() {
    TVtTabSheet* streamed = active_;
    loadingPages_ = true;
    TVtCustomTabControl::Loaded();
    UpdateLayout();
    tabIndex_ = -1;
    TVtTabSheet* pick = streamed;
    if (activeDefault_ && activeDefault_ != streamed) {
        pick = activeDefault_;
        if (streamed) streamed->SetShown(false);
    }
    for (TVtTabSheet* p : pages_)
        if (p != pick) p->SetShown(false);
    active_ = nullptr;
    Changed();
    SetActivePage(pick);
    loadingPages_ = false;
}

void TVtPageControl::CloseActiveTab() {
    if (!active_) return;
    int ti = tabIndex_;
    delete active_;
    SetTabIndex(ti <= 0 ? ti : ti - 1);
}

// The target is a tab index; with hidden pages the page list position differs.
void TVtPageControl::MoveActiveTab(int i) {
    TVtTabSheet* target = PageForTab(i);
    if (active_ && target) active_->SetPageIndex(target->PageIndex());
}

void TVtPageControl::DoPaintCardBackground(TCanvas* c, int row, bool& handled, const TRect& r) {
    TVtCustomTabControl::DoPaintCardBackground(c, row, handled, r);
    if (handled || row != 0 || !active_ || tabIndex_ < 0) return;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(active_->Color());
    c->FillRect(r);
    handled = true;
}

void TVtPageControl::ColorsChanged() {
    if (UseColoredTabs()) return;
    for (TVtTabSheet* p : pages_) p->SetColor(Color());
}

void TVtPageControl::SetUseColoredTabs(bool u) {
    TVtCustomTabControl::SetUseColoredTabs(u);
    if (!u) ColorsChanged();
}

void TVtPageControl::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_TAB && (shift & ssCtrl)) {
        SelectNextPage(!(shift & ssShift));
        key = 0;
        return;
    }
    TVtCustomTabControl::KeyDown(key, shift);
}

void TVtPageControl::Notification(TComponent* c, TOperation op) {
    TVtCustomTabControl::Notification(c, op);
    if (op == opRemove && c == activeDefault_) activeDefault_ = nullptr;
}

void TVtPageControl::Dispatch(TMessage& m) {
    if (m.Msg == CM_COLORCHANGED && !UseColoredTabs()) {
        TVtCustomTabControl::Dispatch(m);
        ColorsChanged();
        return;
    }
    TVtCustomTabControl::Dispatch(m);
}

void RegisterTabClasses() {
    RegisterClass(TVtPageControl::StaticClass());
    RegisterClass(TVtTabSheet::StaticClass());
    RegisterChildAdopter(TVtPageControl::StaticClass(), [](TComponent* parent, TComponent* child) {
        auto* sheet = dynamic_cast<TVtTabSheet*>(child);
        if (!sheet) throw EFormResourceError(child->Name() + " is not a tab sheet");
        sheet->SetPageControl(static_cast<TVtPageControl*>(parent));
    });
}
