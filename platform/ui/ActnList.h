// Actions: commands with a caption, a state and an image, shown and run by the controls linked to them.
// A control keeps one link to its action; the action tells every link about a change of one of its
// properties (the link passes it on only while the control still shows the action's old value) and then
// that it changed as a whole (the control takes over what it follows).
#pragma once

#include <string>
#include <vector>

#include "platform/ui/Controls.h"

class TBasicActionLink;
class TCustomImageList;

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner) : TComponent(owner) {}
    // The linked controls drop the action.
    ~TBasicAction() override;
    QM_CLASS_INFO
    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    TNotifyEvent OnExecute;
    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);

protected:
    // Every link hears that the action changed.
    void Change();
    std::vector<TBasicActionLink*> clients_;
};

class TAction;

// The actions of a form, with the images they name by index.
class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner) : TComponent(owner) {}
    QM_CLASS_INFO
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    void Notification(TComponent* c, TOperation op) override;

private:
    TCustomImageList* images_ = nullptr;
};

class TAction : public TBasicAction {
public:
    explicit TAction(TComponent* owner) : TBasicAction(owner) {}
    ~TAction() override;
    QM_CLASS_INFO
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    bool Checked() const { return checked_; }
    void SetChecked(bool c);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);
    std::string Hint() const { return hint_; }
    void SetHint(const std::string& h);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    TActionList* ActionList() const { return list_; }
    void SetActionList(TActionList* l) { list_ = l; }
    void Notification(TComponent* c, TOperation op) override;

private:
    template <class T, class F>
    void Store(T& field, const T& v, F tell);
    std::string caption_, hint_;
    bool checked_ = false, enabled_ = true, visible_ = true;
    int imageIndex_ = -1;
    TActionList* list_ = nullptr;
};

class TBasicActionLink {
public:
    explicit TBasicActionLink(TObject* client) : client_(client) {}
    virtual ~TBasicActionLink();
    TBasicActionLink(const TBasicActionLink&) = delete;
    TBasicActionLink& operator=(const TBasicActionLink&) = delete;
    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* a);
    // Runs the action; false when there is none or it has nothing to run.
    virtual bool Execute();
    // The action changed as a whole; sender is the action.
    std::function<void(TObject* sender)> OnChange;

protected:
    friend class TBasicAction;
    TObject* client_;
    TBasicAction* action_ = nullptr;
};

// Links the properties of a TAction; a property counts as linked only to a TAction.
class TActionLink : public TBasicActionLink {
public:
    using TBasicActionLink::TBasicActionLink;
    virtual bool IsCaptionLinked() const { return Act() != nullptr; }
    virtual bool IsCheckedLinked() const { return Act() != nullptr; }
    virtual bool IsEnabledLinked() const { return Act() != nullptr; }
    virtual bool IsHintLinked() const { return Act() != nullptr; }
    virtual bool IsImageIndexLinked() const { return Act() != nullptr; }
    virtual bool IsVisibleLinked() const { return Act() != nullptr; }
    // Called before the action stores the new value.
    virtual void SetCaption(const std::string&) {}
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHint(const std::string&) {}
    virtual void SetImageIndex(int) {}
    virtual void SetVisible(bool) {}

protected:
    TAction* Act() const { return dynamic_cast<TAction*>(action_); }
};

// A control's link: caption, enabled, hint and visible pass on while the control shows the action's value.
class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TControl* client) : TActionLink(client), control_(client) {}
    bool IsCaptionLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsHintLinked() const override;
    bool IsVisibleLinked() const override;
    void SetCaption(const std::string& c) override;
    void SetEnabled(bool e) override;
    void SetHint(const std::string& h) override;
    void SetVisible(bool v) override;

protected:
    TControl* control_;
};

class TWinControlActionLink : public TControlActionLink {
public:
    explicit TWinControlActionLink(TWinControl* client) : TControlActionLink(client) {}
};
