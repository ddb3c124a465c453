#include "platform/ui/ActnList.h"

#include <algorithm>

#include "platform/ui/ImgList.h"

// ---------------------------------------------------------------- TBasicAction
QM_ABSTRACT_CLASS_RECORD(TBasicAction, TComponent)

TBasicAction::~TBasicAction() {
    // The clients drop their links on the free notification that follows.
    for (TBasicActionLink* l : clients_) l->action_ = nullptr;
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    if (std::find(clients_.begin(), clients_.end(), link) == clients_.end()) clients_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) { std::erase(clients_, link); }

void TBasicAction::Change() {
    // A handler may unlink clients: walk a copy, skipping those gone.
    std::vector<TBasicActionLink*> links = clients_;
    for (TBasicActionLink* l : links)
        if (std::find(clients_.begin(), clients_.end(), l) != clients_.end() && l->OnChange) l->OnChange(this);
}

// ---------------------------------------------------------------- TActionList
const TClassInfo& TActionList::StaticClass() {
    static TClassInfo ci = [] {
        using C = TActionList;
        TClassInfo c{"TActionList", &TComponent::StaticClass(), Creator<C>(), {}, {}};
        c.props = {RefProp<C, TCustomImageList>("Images", &C::Images, &C::SetImages)};
        return c;
    }();
    return ci;
}

void TActionList::SetImages(TCustomImageList* l) {
    if (images_) images_->RemoveFreeNotification(this);
    images_ = l;
    if (l) l->FreeNotification(this);
}

void TActionList::Notification(TComponent* c, TOperation op) {
    TComponent::Notification(c, op);
    if (op == opRemove && c == images_) images_ = nullptr;
}

// ---------------------------------------------------------------- TAction
const TClassInfo& TAction::StaticClass() {
    static TClassInfo ci = [] {
        using C = TAction;
        TClassInfo c{"TAction", &TBasicAction::StaticClass(), Creator<C>(), {}, {}};
        c.props = {StrProp<C>("Caption", &C::Caption, &C::SetCaption),
                   BoolProp<C>("Checked", &C::Checked, &C::SetChecked, 0),
                   BoolProp<C>("Enabled", &C::Enabled, &C::SetEnabled, 1),
                   StrProp<C>("Hint", &C::Hint, &C::SetHint),
                   OrdProp<C, int>("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1),
                   BoolProp<C>("Visible", &C::Visible, &C::SetVisible, 1),
                   EventProp("OnExecute", &C::OnExecute)};
        return c;
    }();
    return ci;
}

TAction::~TAction() = default;

template <class T, class F>
void TAction::Store(T& field, const T& v, F tell) {
    if (field == v) return;
    // The links compare their client with the old value, so they hear before it is stored.
    std::vector<TBasicActionLink*> links = clients_;
    for (TBasicActionLink* l : links)
        if (auto* al = dynamic_cast<TActionLink*>(l)) tell(*al);
    field = v;
    Change();
}

void TAction::SetCaption(const std::string& c) {
    Store(caption_, c, [&](TActionLink& l) { l.SetCaption(c); });
}
void TAction::SetChecked(bool c) {
    Store(checked_, c, [&](TActionLink& l) { l.SetChecked(c); });
}
void TAction::SetEnabled(bool e) {
    Store(enabled_, e, [&](TActionLink& l) { l.SetEnabled(e); });
}
void TAction::SetHint(const std::string& h) {
    Store(hint_, h, [&](TActionLink& l) { l.SetHint(h); });
}
void TAction::SetImageIndex(int i) {
    Store(imageIndex_, i, [&](TActionLink& l) { l.SetImageIndex(i); });
}
void TAction::SetVisible(bool v) {
    Store(visible_, v, [&](TActionLink& l) { l.SetVisible(v); });
}

void TAction::Notification(TComponent* c, TOperation op) {
    TBasicAction::Notification(c, op);
    if (op == opRemove && c == list_) list_ = nullptr;
}

// ---------------------------------------------------------------- links
TBasicActionLink::~TBasicActionLink() {
    if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* a) {
    if (a == action_) return;
    if (action_) action_->UnRegisterChanges(this);
    action_ = a;
    if (a) a->RegisterChanges(this);
}

bool TBasicActionLink::Execute() { return action_ && action_->Execute(); }

bool TControlActionLink::IsCaptionLinked() const {
    return TActionLink::IsCaptionLinked() && control_->Caption() == Act()->Caption();
}
bool TControlActionLink::IsEnabledLinked() const {
    return TActionLink::IsEnabledLinked() && control_->Enabled() == Act()->Enabled();
}
bool TControlActionLink::IsHintLinked() const {
    return TActionLink::IsHintLinked() && control_->Hint() == Act()->Hint();
}
bool TControlActionLink::IsVisibleLinked() const {
    return TActionLink::IsVisibleLinked() && control_->Visible() == Act()->Visible();
}
void TControlActionLink::SetCaption(const std::string& c) {
    if (IsCaptionLinked()) control_->SetCaption(c);
}
void TControlActionLink::SetEnabled(bool e) {
    if (IsEnabledLinked()) control_->SetEnabled(e);
}
void TControlActionLink::SetHint(const std::string& h) {
    if (IsHintLinked()) control_->SetHint(h);
}
void TControlActionLink::SetVisible(bool v) {
    if (IsVisibleLinked()) control_->SetVisible(v);
}
