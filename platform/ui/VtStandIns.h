// Simple controls under the widget library's class names, built from the standard controls. Each offers what
// the windows call on it and the properties their form resources set, so the windows can be built before the
// library; the library's own classes later take over the same names.
#pragma once

#include <vector>

#include "platform/ui/Buttons.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

class TVtListBox : public TListBox {
public:
    explicit TVtListBox(TComponent* owner) : TListBox(owner) {}
    QM_CLASS_INFO
};

// A list whose items carry a check state and an enabled flag; items whose text begins with "//" are group
// items, which ItemsChecked does not count.
class TVtCheckList : public TCustomListBox {
public:
    explicit TVtCheckList(TComponent* owner);
    QM_CLASS_INFO
    bool ItemChecked(int i) const { return ItemState(i) == cbChecked; }
    void SetItemChecked(int i, bool c) { SetItemState(i, c ? cbChecked : cbUnchecked); }
    TCheckBoxState ItemState(int i) const;
    void SetItemState(int i, TCheckBoxState s);
    bool ItemEnabled(int i) const;
    void SetItemEnabled(int i, bool e);
    bool ItemIsGroup(int i) const;
    void CheckAll();
    void UncheckAll();
    int ItemsChecked() const;
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool a) { allowGrayed_ = a; }
    bool ToggleOnItemClick() const { return toggleOnItemClick_; }
    void SetToggleOnItemClick(bool t) { toggleOnItemClick_ = t; }
    std::string GroupPrefix() const { return groupPrefix_; }
    void SetGroupPrefix(const std::string& p);
    // The current item's state moves on: unchecked, (grayed,) checked, unchecked.
    void ToggleCheckState();
    static constexpr int GlyphSize = 13;

protected:
    void ItemsChanged(int index, int delta) override;
    int GetItemIndent() const override { return GlyphSize + 8; }
    void DrawIndent(int index, TRect rect, TOwnerDrawState state) override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;

private:
    friend void RegisterFormClasses();
    struct Packet {
        TCheckBoxState state = cbUnchecked;
        bool enabled = true;
    };
    std::vector<Packet> packets_;
    bool allowGrayed_ = false, toggleOnItemClick_ = false, pending_ = false;
    int pendingIndex_ = -1;
    std::string groupPrefix_ = "//";
};

class TVtCheckBox : public TCheckBox {
public:
    explicit TVtCheckBox(TComponent* owner) : TCheckBox(owner) {}
    QM_CLASS_INFO
};

class TVtRadioButton : public TRadioButton {
public:
    explicit TVtRadioButton(TComponent* owner) : TRadioButton(owner) {}
    QM_CLASS_INFO
};

// On a tool bar with images, the button's image stands above its caption (grey while disabled).
class TVtToolbarButton : public TSpeedButton {
public:
    explicit TVtToolbarButton(TComponent* owner);
    QM_CLASS_INFO
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);

protected:
    void PaintContent(TCanvas* canvas, const TRect& face) override;

private:
    int imageIndex_ = -1;
};

class TVtToolButton : public TVtToolbarButton {
public:
    explicit TVtToolButton(TComponent* owner) : TVtToolbarButton(owner) {}
    QM_CLASS_INFO
};

enum TBitBtnKind : uint8_t { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

class TVtBitBtn : public TButton {
public:
    explicit TVtBitBtn(TComponent* owner) : TButton(owner) {}
    QM_CLASS_INFO
    TBitBtnKind Kind() const { return kind_; }
    // A stock kind sets Default, Cancel, ModalResult and (when empty) the caption.
    void SetKind(TBitBtnKind k);
    // bkClose closes the form.
    void Click() override;

private:
    TBitBtnKind kind_ = bkCustom;
};

// A click drops the menu below the button's bottom-left corner, with the button as its popup component.
class TVtMenuButton : public TVtBitBtn {
public:
    explicit TVtMenuButton(TComponent* owner) : TVtBitBtn(owner) {}
    QM_CLASS_INFO
    TPopupMenu* DropDownMenu() const { return menu_; }
    void SetDropDownMenu(TPopupMenu* m);
    void DropDown();
    void Click() override;
    TNotifyEvent OnDropDown;

protected:
    void Notification(TComponent* c, TOperation op) override;
    void Paint() override;

private:
    TPopupMenu* menu_ = nullptr;
};

class TVtTabSheet : public TTabSheet {
public:
    explicit TVtTabSheet(TComponent* owner) : TTabSheet(owner) {}
    QM_CLASS_INFO
};

class TVtPageControl : public TPageControl {
public:
    explicit TVtPageControl(TComponent* owner) : TPageControl(owner) {}
    QM_CLASS_INFO
};

class TVtPanel : public TPanel {
public:
    explicit TVtPanel(TComponent* owner) : TPanel(owner) {}
    QM_CLASS_INFO
};

class TVtToolbar : public TPanel {
public:
    explicit TVtToolbar(TComponent* owner);
    QM_CLASS_INFO
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool s);

protected:
    void Notification(TComponent* c, TOperation op) override;

private:
    TCustomImageList* images_ = nullptr;
    bool showCaptions_ = true;
};

class TVtStatusBar : public TPanel {
public:
    explicit TVtStatusBar(TComponent* owner);
    QM_CLASS_INFO
};

class TVtGroupBox : public TGroupBox {
public:
    explicit TVtGroupBox(TComponent* owner) : TGroupBox(owner) {}
    QM_CLASS_INFO
};

// Empty room between tool buttons; grooved, a sunken line down its middle.
class TVtSpacer : public TGraphicControl {
public:
    explicit TVtSpacer(TComponent* owner);
    QM_CLASS_INFO
    bool Grooved() const { return grooved_; }
    void SetGrooved(bool g);

protected:
    void Paint() override;

private:
    bool grooved_ = false;
};

// A sunken text pane of a status bar.
class TVtStatusPane : public TGraphicControl {
public:
    explicit TVtStatusPane(TComponent* owner);
    QM_CLASS_INFO
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;
};

// Registers every class a form resource may name (standard controls, menus, dialogs and the stand-ins),
// with their streamed properties ("Items.Strings", the check states) and nesting; once.
void RegisterFormClasses();
