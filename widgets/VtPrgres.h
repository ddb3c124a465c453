// The progress bar: a two-level frame around a solid bar with its percentage, or a row of LED segments.
// Progress is counted in parts; the bar turns them into a whole percentage and repaints only when it changes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/ui/Controls.h"
#include "widgets/VtCommon.h"

class TBitmap;

using TVtProgressChangeEvent = std::function<void(TObject* sender, int percent)>;

class TVtCustomProgressBar : public TGraphicControl, public IVtFrameSettingsSink {
public:
    explicit TVtCustomProgressBar(TComponent* owner);
    ~TVtCustomProgressBar() override;
    QM_CLASS_INFO

    void ReloadFrameSettings() override;

    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor c);
    // Also the font's colour.
    TColor BarColor() const { return barColor_; }
    void SetBarColor(TColor c);
    // bsLED turns the percentage text off and leaves a 1-pixel gap; bsTraditional the other way round.
    TBarStyle BarStyle() const { return barStyle_; }
    void SetBarStyle(TBarStyle s);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor c);
    TFrameStyleEx BorderInner() const { return borderInner_; }
    void SetBorderInner(TFrameStyleEx s);
    TFrameStyleEx BorderOuter() const { return borderOuter_; }
    void SetBorderOuter(TFrameStyleEx s);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    TColor FlatColor() const { return flatColor_; }
    void SetFlatColor(TColor c);
    int FlatColorAdjustment() const { return flatColorAdjustment_; }
    void SetFlatColorAdjustment(int a);
    TVtFrameController* FrameController() const { return frameController_; }
    void SetFrameController(TVtFrameController* c);
    uint8_t InteriorOffset() const { return interiorOffset_; }
    void SetInteriorOffset(uint8_t o);
    // 1..100.
    int NumSegments() const { return numSegments_; }
    void SetNumSegments(int n);
    TOrientation Orientation() const { return orientation_; }
    void SetOrientation(TOrientation o);
    bool ShowPercent() const { return showPercent_; }
    void SetShowPercent(bool s);
    bool ThemeAware() const { return themeAware_; }
    void SetThemeAware(bool t);

    // A new total (0..2147483647) resets the progress, except while the form is read.
    uint32_t TotalParts() const { return totalParts_; }
    void SetTotalParts(uint32_t n);
    // Never beyond TotalParts; the percentage is rounded exactly, halves to even.
    uint32_t PartsComplete() const { return partsComplete_; }
    void SetPartsComplete(uint32_t n);
    void IncParts(uint32_t n);
    void IncPartsByOne() { IncParts(1); }
    // Leaves the part counts alone.
    uint16_t Percent() const { return percent_; }
    void SetPercent(uint16_t p);

    // Orientation follows the shape: taller than wide is vertical.
    void SetBounds(int l, int t, int w, int h) override;
    void Dispatch(TMessage& m) override;

    TVtProgressChangeEvent OnChange;

protected:
    void Paint() override;
    void Notification(TComponent* c, TOperation op) override;

private:
    void Changed() override { Repaint(); }
    // Into b, the classic frame and the ground of the body; returns the body's rectangle. The picture is kept with
    // what it was painted from, so that a new percentage paints the body alone.
    TRect PaintClassicGround(TBitmap& b);
    struct Ground;
    std::unique_ptr<Ground> ground_;

    TColor backColor_ = clWhite, barColor_ = clHighlight, borderColor_ = clBtnFace, flatColor_ = clBtnShadow;
    TBarStyle barStyle_ = bsTraditional;
    int bevelWidth_ = 1, borderWidth_ = 0, flatColorAdjustment_ = 30, numSegments_ = 20;
    TFrameStyleEx borderInner_ = fsNone, borderOuter_ = fsLowered;
    TVtFrameController* frameController_ = nullptr;
    uint8_t interiorOffset_ = 0;
    TOrientation orientation_ = orHorizontal;
    bool showPercent_ = true, themeAware_ = true;
    uint32_t totalParts_ = 0, partsComplete_ = 0;
    uint16_t percent_ = 0;
    // Parts counts in [steadyFrom_, steadyTo_) of steadyTotal_ all round to steadyPercent_: an export
    // counts each of a million parts, and within that run a step needs no division.
    uint32_t steadyTotal_ = 0, steadyFrom_ = 0;
    uint64_t steadyTo_ = 0;
    uint16_t steadyPercent_ = 0;
};

class TVtProgressBar : public TVtCustomProgressBar {
public:
    explicit TVtProgressBar(TComponent* owner) : TVtCustomProgressBar(owner) {}
    QM_CLASS_INFO
};

// parts x 100 / total, rounded to the nearest whole number, halves to even; 0 for a total of 0.
uint16_t PartsPercent(uint32_t parts, uint32_t total);
