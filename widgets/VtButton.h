// The library's buttons. The control button is the small windowless button inside other controls (the spin
// buttons, the button edit, drop-downs): an arrow, a drop-down arrow or a glyph on a classic or flat face,
// optionally clicking again and again while it is held.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ExtCtrls.h"

enum TVtControlButtonStyle : uint8_t { cbsNone, cbsLeft, cbsUp, cbsRight, cbsDown, cbsDropDown };
using TNumGlyphs = int;  // 1..4

class TVtControlButton : public TGraphicControl {
public:
    explicit TVtControlButton(TComponent* owner);
    ~TVtControlButton() override;
    QM_CLASS_INFO

    bool Flat() const { return flat_; }
    virtual void SetFlat(bool f);
    // Copied; an empty bitmap clears the glyph.
    TBitmap* Glyph() const { return glyph_.get(); }
    virtual void SetGlyph(const TBitmap* b);
    TNumGlyphs NumGlyphs() const { return numGlyphs_; }
    virtual void SetNumGlyphs(TNumGlyphs n);
    bool RepeatClicks() const { return repeatClicks_; }
    void SetRepeatClicks(bool r) { repeatClicks_ = r; }
    uint16_t InitialDelay() const { return initialDelay_; }
    void SetInitialDelay(uint16_t ms) { initialDelay_ = ms; }
    uint16_t Delay() const { return delay_; }
    void SetDelay(uint16_t ms) { delay_ = ms; }
    TVtControlButtonStyle Style() const { return style_; }
    virtual void SetStyle(TVtControlButtonStyle s);
    bool Pressed() const { return pressed_; }
    bool MouseOver() const { return mouseOver_; }
    // nullptr until the first repeating press.
    TTimer* RepeatTimer() const { return timer_; }
    TSize GetGlyphSize() const;
    bool GlyphEmpty() const { return !glyph_ || glyph_->Width() == 0 || glyph_->Height() == 0; }
    // From an OnMouseDown handler: the press does not happen (no pressed look, no click, no repeat).
    void AbortPress() { abortPress_ = true; }
    void Dispatch(TMessage& m) override;

    TNotifyEvent OnMouseEnter, OnMouseLeave;
    // Fired after the glyph changed (the spin buttons choose their arrow styles from it).
    TNotifyEvent OnGlyphChange;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual void DrawButtonFace(TCanvas* c, TRect r);
    virtual void DrawArrowButton(TCanvas* c, TRect r);
    virtual void DrawDropDownButton(TCanvas* c, TRect r);
    virtual void DrawGlyph(TCanvas* c, TRect r);
    virtual void MouseEnter();
    virtual void MouseLeave();

private:
    void TimerTick();
    bool Themed() const;
    bool Designing() const { return ComponentState() & csDesigning; }
    // The classic and flat face borders and fill; returns the rectangle inside.
    TRect ClassicFace(TCanvas* c, TRect r);
    void DrawThemedPart(TCanvas* c, TRect r, int part);

    bool abortPress_ = false, pressed_ = false, tracking_ = false, flat_ = false, mouseOver_ = false, repeatClicks_ = false;
    std::unique_ptr<TBitmap> glyph_;
    TNumGlyphs numGlyphs_ = 1;
    TTimer* timer_ = nullptr;
    uint16_t initialDelay_ = 400, delay_ = 100;
    TVtControlButtonStyle style_ = cbsNone;
};

// A windowed holder of two control buttons (the spin buttons, the button edit's pair): they share its
// colour, enabled state and flat look, and a left press first moves the focus to FocusControl (or to the
// holder when it is a tab stop); when the focus cannot be taken the press does not happen.
class TVtButtonHolder : public TWinControl {
public:
    explicit TVtButtonHolder(TComponent* owner);
    QM_CLASS_INFO
    bool Flat() const { return first_->Flat(); }
    void SetFlat(bool f);
    void SetButtonColor(TColor c);
    void SetEnabled(bool e) override;
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* c);

protected:
    void Notification(TComponent* c, TOperation op) override;
    TVtControlButton *first_, *second_;

private:
    void Pressing(TVtControlButton* b, TMouseButton mb);
    TWinControl* focusControl_ = nullptr;
};
