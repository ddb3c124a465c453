// Popup menus: items with captions, checks and click events, shown at a screen point.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Component.h"
#include "platform/ui/Controls.h"

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;
    QM_CLASS_INFO
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& c) { caption_ = c; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e) { enabled_ = e; }
    bool Checked() const { return checked_; }
    void SetChecked(bool c) { checked_ = c; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    bool IsSeparator() const { return caption_ == "-"; }
    int Count() const { return int(items_.size()); }
    TMenuItem* Items(int i) const { return items_.at(size_t(i)); }
    // The item is freed with this one.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    TMenuItem* Parent() const { return parent_; }
    virtual void Click();
    TNotifyEvent OnClick;

private:
    std::string caption_;
    bool enabled_ = true, checked_ = false, visible_ = true;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
};

enum TPopupAlignment : uint8_t { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    QM_CLASS_INFO
    TMenuItem* Items() const { return items_.get(); }
    // Shows the menu at a screen point and returns when it has closed (an item's click has run by then).
    virtual void Popup(int x, int y);
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* c) { popupComponent_ = c; }
    TPoint PopupPoint() const { return popupPoint_; }
    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* c, TOperation op) override;

private:
    std::unique_ptr<TMenuItem> items_;
    TComponent* popupComponent_ = nullptr;
    TPoint popupPoint_;
};

// Tests answer menus: the hook gets the menu and returns the item to click (nullptr: none).
using TPopupHook = std::function<TMenuItem*(TPopupMenu* menu)>;
void SetPopupHook(TPopupHook hook);
