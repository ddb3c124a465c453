// Spin buttons (a pair of small control buttons, up/right and down/left) and the spin edit: a framed edit
// with the pair inside its right edge, whose value has a fixed number of decimals and is stepped by the
// buttons, the arrow and Page keys and the wheel, within Min..Max.
#pragma once

#include <functional>
#include <string>

#include "widgets/VtButton.h"
#include "widgets/VtEdit.h"

// ---- text rules of the spin edit, without a window ----
// Values are extended precision (long double). Callers work in double, so texts beyond double's range are
// refused all the same.
// Fixed-point text with `decimals` decimals and the locale's separator, of at most 18 significant digits (the
// places after them are zeros); never "-0".
std::string SpinValueToText(long double v, int decimals);
// The locale's conversion of the whole text; false for anything else (beyond double's range included).
bool SpinTextToValue(const std::string& text, long double& v);

enum TSpinDirection : uint8_t { sdUpDown, sdLeftRight };
enum TSpinButtonType : uint8_t { sbUp, sbDown };

class TVtSpinButtons : public TVtButtonHolder {
public:
    explicit TVtSpinButtons(TComponent* owner);
    QM_CLASS_INFO

    TSpinDirection Direction() const { return direction_; }
    void SetDirection(TSpinDirection d);
    TOrientation Orientation() const { return orientation_; }
    void SetOrientation(TOrientation o);
    TBitmap* GlyphUpRight() const { return first_->Glyph(); }
    void SetGlyphUpRight(const TBitmap* b) { first_->SetGlyph(b); }
    TBitmap* GlyphDownLeft() const { return second_->Glyph(); }
    void SetGlyphDownLeft(const TBitmap* b) { second_->SetGlyph(b); }
    TNumGlyphs NumGlyphsUpRight() const { return first_->NumGlyphs(); }
    void SetNumGlyphsUpRight(TNumGlyphs n) { first_->SetNumGlyphs(n); }
    TNumGlyphs NumGlyphsDownLeft() const { return second_->NumGlyphs(); }
    void SetNumGlyphsDownLeft(TNumGlyphs n) { second_->SetNumGlyphs(n); }
    // first_ is the up/right button, second_ the down/left one.
    TVtControlButton* UpRightButton() const { return first_; }
    TVtControlButton* DownLeftButton() const { return second_; }
    void Dispatch(TMessage& m) override;
    void Loaded() override;

    TNotifyEvent OnUpRightClick, OnDownLeftClick;

protected:
    void KeyDown(WORD& key, TShiftState shift) override;

private:
    void Layout();
    void ChooseArrows();
    TSpinDirection direction_ = sdUpDown;
    TOrientation orientation_ = orVertical;
    bool customUp_ = false, customDown_ = false;
};

using TSpinChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;
using TSpinButtonEvent = std::function<void(TObject* sender, TSpinButtonType button)>;

class TVtSpinEdit : public TVtCustomEdit {
public:
    explicit TVtSpinEdit(TComponent* owner);
    QM_CLASS_INFO

    // The text converted; empty text reads as BlankValue (AllowBlank) or shows Min; a failure reads as Min.
    long double Value();
    long double GetValue() { return Value(); }
    // Shows the value with Decimals decimals, clamped to Min..Max unless Min = Max and CheckRange is off.
    void SetValue(long double v);
    int GetIntValue() { return RoundToInt32(Value()); }
    void SetIntValue(int v) { SetValue(v); }
    long double Min() const { return min_; }
    void SetMin(long double v);
    long double Max() const { return max_; }
    void SetMax(long double v);
    long double Increment() const { return increment_; }
    void SetIncrement(long double v) { increment_ = v; }
    long double PageSize() const { return pageSize_; }
    void SetPageSize(long double v) { pageSize_ = v; }
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
    long double BlankValue() const { return blankValue_; }
    void SetBlankValue(long double v) { blankValue_ = v; }
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int w);
    TSpinDirection Direction() const { return buttons_->Direction(); }
    void SetDirection(TSpinDirection d) { buttons_->SetDirection(d); }
    TBitmap* ButtonUpGlyph() const { return buttons_->GlyphUpRight(); }
    void SetButtonUpGlyph(const TBitmap* b) { buttons_->SetGlyphUpRight(b); }
    TBitmap* ButtonDownGlyph() const { return buttons_->GlyphDownLeft(); }
    void SetButtonDownGlyph(const TBitmap* b) { buttons_->SetGlyphDownLeft(b); }
    TNumGlyphs ButtonUpNumGlyphs() const { return buttons_->NumGlyphsUpRight(); }
    void SetButtonUpNumGlyphs(TNumGlyphs n) { buttons_->SetNumGlyphsUpRight(n); }
    TNumGlyphs ButtonDownNumGlyphs() const { return buttons_->NumGlyphsDownLeft(); }
    void SetButtonDownNumGlyphs(TNumGlyphs n) { buttons_->SetNumGlyphsDownLeft(n); }
    TOrientation Orientation() const { return buttons_->Orientation(); }
    void SetOrientation(TOrientation o);
    void SetFlatButtons(bool f) override;
    void SetFlatButtonColor(TColor c) override;
    TVtSpinButtons* SpinButtons() const { return buttons_; }
    TVtControlButton* GetButton(TSpinButtonType b) const;
    long double CheckValue(long double v) const;
    bool IsValidChar(char key) const;
    void IncValue(long double amount);
    void DecValue(long double amount);
    void UpClick(TObject* sender);
    void DownClick(TObject* sender);
    void AdjustButtons();
    void Loaded() override;
    void Dispatch(TMessage& m) override;

    TSpinChangingEvent OnChanging;
    TSpinButtonEvent OnButtonClick;

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void DoEnter() override;
    void SetHotState(int kind, bool on) override;
    void FrameChanged() override;
    void BoundsChanged(bool moved, bool sized) override;

private:
    void Step(long double amount, TSpinButtonType button);
    void Reset() {
        if (!IsLoading()) SetValue(Value());
    }
    void FollowState();
    TVtSpinButtons* buttons_ = nullptr;
    long double min_ = 0, max_ = 100, increment_ = 1, pageSize_ = 10, blankValue_ = 0;
    int decimals_ = 0, buttonWidth_ = 17;
    bool integersOnly_ = true, checkRange_ = false, allowKeyEdit_ = false, allowBlank_ = false;
};
