// Spin buttons (a pair of small control buttons, up/right and down/left) and the spin edit: a framed edit
// with the pair inside its right edge, whose value has a fixed number of decimals and is stepped by the
// buttons, the arrow and Page keys and the wheel, within Min..Max.
#pragma once

#include <functional>
#include <string>

#include "widgets/VtButton.h"
#include "widgets/VtEdit.h"

// ---- text rules of the spin edit, without a window ----
// Fixed-point text with `decimals` decimals and the locale's separator; never "-0".
std::string SpinValueToText(double v, int decimals);
// The locale's conversion of the whole text; false for anything else (beyond double's range included).
bool SpinTextToValue(const std::string& text, double& v);

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
    double Value();
    double GetValue() { return Value(); }
    // Shows the value with Decimals decimals, clamped to Min..Max unless Min = Max and CheckRange is off.
    void SetValue(double v);
    int GetIntValue() { return RoundToInt32(Value()); }
    void SetIntValue(int v) { SetValue(v); }
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
    double CheckValue(double v) const;
    bool IsValidChar(char key) const;
    void IncValue(double amount);
    void DecValue(double amount);
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
    void Step(double amount, TSpinButtonType button);
    void Reset() {
        if (!IsLoading()) SetValue(Value());
    }
    void FollowState();
    TVtSpinButtons* buttons_ = nullptr;
    double min_ = 0, max_ = 100, increment_ = 1, pageSize_ = 10, blankValue_ = 0;
    int decimals_ = 0, buttonWidth_ = 17;
    bool integersOnly_ = true, checkRange_ = false, allowKeyEdit_ = false, allowBlank_ = false;
};
