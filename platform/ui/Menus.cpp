#include "platform/ui/Menus.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <algorithm>

#include "platform/ui/Backend.h"

namespace {
TPopupHook g_hook;

void Build(QMenu* m, TMenuItem* item, TMenuItem** chosen) {
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* it = item->Items(i);
        if (!it->Visible()) continue;
        if (it->IsSeparator()) {
            m->addSeparator();
            continue;
        }
        QString text = FromGbk(it->Caption());
        if (it->Count() > 0) {
            QMenu* sub = m->addMenu(text);
            Build(sub, it, chosen);
            continue;
        }
        QAction* a = m->addAction(text);
        a->setEnabled(it->Enabled());
        a->setCheckable(it->Checked());
        a->setChecked(it->Checked());
        QObject::connect(a, &QAction::triggered, [it, chosen] { *chosen = it; });
    }
}
}  // namespace

void SetPopupHook(TPopupHook hook) { g_hook = std::move(hook); }

const TClassInfo& TMenuItem::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TMenuItem", &TComponent::StaticClass(), Creator<TMenuItem>(), {}, {}};
        c.props = {StrProp<TMenuItem>("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption),
                   BoolProp<TMenuItem>("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, 1),
                   BoolProp<TMenuItem>("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, 0),
                   BoolProp<TMenuItem>("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, 1),
                   EventProp("OnClick", &TMenuItem::OnClick)};
        return c;
    }();
    return ci;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    while (!items_.empty()) {
        TMenuItem* c = items_.back();
        items_.pop_back();
        c->parent_ = nullptr;
        delete c;
    }
    if (parent_) parent_->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) {
    if (!item || item->parent_ == this) return;
    if (item->parent_) item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
}

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

const TClassInfo& TPopupMenu::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TPopupMenu", &TComponent::StaticClass(), Creator<TPopupMenu>(), {}, {}};
        c.props = {EventProp("OnPopup", &TPopupMenu::OnPopup)};
        return c;
    }();
    return ci;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Notification(TComponent* c, TOperation op) {
    TComponent::Notification(c, op);
    if (op == opRemove && c == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
    popupPoint_ = TPoint(x, y);
    if (OnPopup) OnPopup(this);
    TMenuItem* chosen = nullptr;
    if (g_hook) {
        chosen = g_hook(this);
    } else if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        QMenu menu;
        Build(&menu, items_.get(), &chosen);
        menu.exec(QPoint(x, y));
    }
    // The menu took the mouse: whoever held it before does not get it back, whether an item was chosen or not.
    Backend::EndMenuMode();
    if (chosen) chosen->Click();
}
