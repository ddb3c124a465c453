// Simple controls under the widget library's class names, built from the standard controls. Each offers what
// the windows call on it and the properties their form resources set, so the windows can be built before the
// library; the library's own classes later take over the same names.
#pragma once

#include <vector>

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

class TVtEdit : public TEdit {
public:
    explicit TVtEdit(TComponent* owner) : TEdit(owner) {}
    QM_CLASS_INFO
};

// A number through a display format; unparsable text reads as Min.
class TVtNumericEdit : public TCustomEdit {
public:
    explicit TVtNumericEdit(TComponent* owner);
    QM_CLASS_INFO
    double Value();
    double GetValue() { return Value(); }
    // Shown through the display format, without a range check.
    void SetValue(double v);
    double Min() const { return min_; }
    void SetMin(double v);
    double Max() const { return max_; }
    void SetMax(double v);
    bool CheckRange() const { return checkRange_; }
    void SetCheckRange(bool c) { checkRange_ = c; }
    bool IntegersOnly() const { return integersOnly_; }
    void SetIntegersOnly(bool i);
    bool AllowBlank() const { return allowBlank_; }
    void SetAllowBlank(bool a) { allowBlank_ = a; }
    double BlankValue() const { return blankValue_; }
    void SetBlankValue(double v) { blankValue_ = v; }
    std::string DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const std::string& f);
    std::string FormatValue(double v) const;
    // Minus when the text holds "-" or "("; only digits and the decimal separator count. Raises on failure.
    double ValueFromText() const;
    void Loaded() override;

protected:
    void KeyPress(char& key) override;
    void DoExit() override;

private:
    double min_ = 0, max_ = 0, blankValue_ = 0;
    bool checkRange_ = false, integersOnly_ = true, allowBlank_ = false;
    std::string displayFormat_ = ",0;(,0)";
};

// A value with a fixed number of decimals, stepped by the arrow keys, the wheel and two small buttons.
class TVtSpinEdit : public TCustomEdit {
public:
    explicit TVtSpinEdit(TComponent* owner);
    QM_CLASS_INFO
    double Value();
    double GetValue() { return Value(); }
    // Shows the value with Decimals decimals, clamped to Min..Max unless Min = Max and CheckRange is off.
    void SetValue(double v);
    double Min() const { return min_; }
    void SetMin(double v);
    double Max() const { return max_; }
    void SetMax(double v);
    double Increment() const { return increment_; }
    void SetIncrement(double v) { increment_ = v; }
    double PageSize() const { return pageSize_; }
    void SetPageSize(double v) { pageSize_ = v; }
    int Decimals() const { return decimals_; }
    void SetDecimals(int d);
    bool IntegersOnly() const { return integersOnly_; }
    void SetIntegersOnly(bool i);
    bool CheckRange() const { return checkRange_; }
    void SetCheckRange(bool c);
    bool AllowKeyEdit() const { return allowKeyEdit_; }
    void SetAllowKeyEdit(bool a) { allowKeyEdit_ = a; }
    bool AllowBlank() const { return allowBlank_; }
    void SetAllowBlank(bool a) { allowBlank_ = a; }
    double BlankValue() const { return blankValue_; }
    void SetBlankValue(double v) { blankValue_ = v; }
    void IncValue(double a);
    void DecValue(double a) { IncValue(-a); }
    double CheckValue(double v) const;
    // The two buttons inside the right edge of the client area.
    int ButtonWidth() const { return 12; }
    void Loaded() override;
    void Dispatch(TMessage& m) override;

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void DoExit() override;
    void PaintWindow(HDC dc) override;
    int EditRightMargin() const override { return ButtonWidth(); }

private:
    void Reset() {
        if (!IsLoading()) SetValue(Value());
    }
    double min_ = 0, max_ = 100, increment_ = 1, pageSize_ = 10, blankValue_ = 0;
    int decimals_ = 0;
    bool integersOnly_ = true, checkRange_ = false, allowKeyEdit_ = false, allowBlank_ = false;
};

class TVtComboBox : public TComboBox {
public:
    explicit TVtComboBox(TComponent* owner);
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

class TVtToolbarButton : public TSpeedButton {
public:
    explicit TVtToolbarButton(TComponent* owner);
    QM_CLASS_INFO
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

class TVtPanel : public TPanel {
public:
    explicit TVtPanel(TComponent* owner) : TPanel(owner) {}
    QM_CLASS_INFO
};

class TVtToolbar : public TPanel {
public:
    explicit TVtToolbar(TComponent* owner);
    QM_CLASS_INFO
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

class TVtSpacer : public TGraphicControl {
public:
    explicit TVtSpacer(TComponent* owner);
    QM_CLASS_INFO
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
