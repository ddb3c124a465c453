// The library's single-line edit: a self-drawn flat frame in the non-client area, colours for the focused
// and the disabled state, a hot frame while the mouse is over it or it has the focus, Tab on Enter, and a
// drop-down button for descendants. The numeric edit filters keys to a number and shows it through a
// display format.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtButton.h"
#include "widgets/VtCommon.h"

// ---- text rules of the number edits, without a window ----
// Minus when the text holds "-" or "("; only the digits and the decimal separator count. Empty text, or
// nothing left, gives 0. Raises EConvertError when the rest is no number (two separators) or lies beyond
// the range of double.
double NumericTextToValue(const std::string& text);
// The nearest whole number (halves to even), limited to the 32-bit range; NaN gives 0.
int RoundToInt32(double v);

class TVtCustomEdit : public TCustomMaskEdit, public TVtFrameSettings {
public:
    explicit TVtCustomEdit(TComponent* owner);
    ~TVtCustomEdit() override;
    QM_CLASS_INFO

    void Dispatch(TMessage& m) override;
    void Loaded() override;

    TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(TColor c);
    TColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(TColor c);
    TVtFrameController* FrameController() const { return frameController_; }
    void SetFrameController(TVtFrameController* c);
    bool TabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool t) { tabOnEnter_ = t; }
    // Flat drop-down or embedded buttons, in FlatButtonColor while the control is hot or focused.
    bool FlatButtons() const { return flatButtons_; }
    virtual void SetFlatButtons(bool f);
    TColor FlatButtonColor() const { return flatButtonColor_; }
    virtual void SetFlatButtonColor(TColor c);
    // The colour neither focused nor disabled.
    TColor NormalColor() const { return normalColor_; }
    bool MouseOver() const { return mouseOver_; }
    bool UseThemes() const;
    // Colour by state: disabled, focused, normal.
    virtual void UpdateColors();
    void RepaintFrame();

    TNotifyEvent OnMouseEnter, OnMouseLeave;
    // The validation hook of the masked edit: a non-empty message beeps and raises EDBEditError with it;
    // without one the masked edit's own error follows.
    std::function<void(TObject* sender, std::string& message)> OnValidateError;
    void ValidateError() override;

protected:
    // kind 0: focus, 1: mouse over.
    virtual void SetHotState(int kind, bool on);
    void KeyPress(char& key) override;
    void Notification(TComponent* c, TOperation op) override;
    void FrameChanged() override { RepaintFrame(); }
    void FrameVisibleChanged() override;
    bool FrameLoading() const override { return IsLoading(); }
    bool Hot() const { return focused_ || mouseOver_; }
    // Embedded buttons follow the edit: enabled with it; flat ones in FlatButtonColor while it is hot or
    // focused, else in its colour (with a theme: flat only while it is neither).
    void ColorEmbeddedButtons(TVtButtonHolder* buttons);

    // The drop-down button of descendants, in the non-client area at the right.
    bool ShowButton() const { return showButton_; }
    void SetShowButton(bool s);
    int ButtonState() const { return buttonState_; }
    void SetButtonState(int s);
    bool MouseOverButton() const { return mouseOverButton_; }
    virtual void PaintButton(TCanvas* c, TRect r);
    // How far the frame's right edge stands in from the window's, for what sits beside the text.
    virtual int FrameRightInset() const { return 0; }
    TRect ButtonRect() const;
    void DropDown();
    TNotifyEvent OnDropDown, OnCloseUp;

private:
    void PaintFrame();
    int ButtonWidth() const;

    TColor normalColor_ = clWindow, focusColor_ = clWindow, disabledColor_ = clBtnFace;
    TColor flatButtonColor_ = clBtnFace;
    bool tabOnEnter_ = false;
    TVtFrameController* frameController_ = nullptr;
    bool updatingColors_ = false, focused_ = false, mouseOver_ = false;
    bool showButton_ = false, flatButtons_ = false, mouseOverButton_ = false, dropping_ = false;
    int buttonState_ = 0;
};

class TVtEdit : public TVtCustomEdit {
public:
    explicit TVtEdit(TComponent* owner) : TVtCustomEdit(owner) {}
    QM_CLASS_INFO
};

using TVtRangeErrorEvent =
    std::function<void(TObject* sender, double enteredValue, double adjustedValue, bool& autoCorrect)>;

class TVtNumericEdit : public TVtEdit {
public:
    explicit TVtNumericEdit(TComponent* owner);
    QM_CLASS_INFO

    // The parsed text; empty text reads as BlankValue (AllowBlank) or shows Min; a failure reads as Min.
    double Value();
    double GetValue() { return Value(); }
    // Shown through the display format, without a range check.
    void SetValue(double v);
    int GetIntValue() { return RoundToInt32(Value()); }
    void SetIntValue(int v) { SetValue(v); }
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
    TVtRangeErrorEvent OnRangeError;

    std::string FormatValue(double v) const;
    double ValueFromText() const { return NumericTextToValue(Text()); }
    // The range rule: the value, corrected to the nearest bound unless the handler refuses (rejected).
    double CheckValue(double v, bool& rejected);
    bool IsValidChar(char key) const;
    void Loaded() override;
    void Dispatch(TMessage& m) override;

protected:
    void KeyPress(char& key) override;
    void DoEnter() override;
    void Change() override;

private:
    double min_ = 0, max_ = 0, blankValue_ = 0, lastValue_ = 0;
    bool checkRange_ = false, integersOnly_ = true, allowBlank_ = false;
    bool valueChanged_ = false, loadingValue_ = false;
    std::string displayFormat_ = ",0;(,0)";
};

// The published Value of the number edits, read through the edit's Value (which may rewrite a blank text).
template <class C>
TPropInfo NumberValueProp() {
    TPropInfo value;
    value.name = "Value";
    value.kind = tkFloat;
    value.getFloat = [](const TObject* o) { return const_cast<C*>(static_cast<const C*>(o))->Value(); };
    value.setFloat = [](TObject* o, double v) { static_cast<C*>(o)->SetValue(v); };
    return value;
}

// The published flat-button properties of the edits with embedded buttons.
template <class C>
std::vector<TPropInfo> FlatButtonProps() {
    return {BoolProp<C>("FlatButtons", &C::FlatButtons, &C::SetFlatButtons, 0),
            OrdProp<C, TColor>("FlatButtonColor", &C::FlatButtonColor, &C::SetFlatButtonColor, clBtnFace)};
}

// The number-key rule shared by the numeric and the spin edit: digits, signs, the separator (unless integers
// only) and control characters but Enter; the separator once; signs only in front. signSelectionRule: a
// selection from 0 that holds a sign may be replaced by a sign (numeric edit).
bool IsNumberKey(const TCustomEdit* e, char key, bool integersOnly, bool signSelectionRule);
