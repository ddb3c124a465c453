// The window-less text pane of status bars: a filled, framed rectangle with one line of text that can blink
// and size itself to the text.
#pragma once

#include <string>

#include "platform/ui/Controls.h"
#include "widgets/VtCommon.h"

class TVtCustomStatusPane : public TGraphicControl, public IVtFrameSettingsSink {
public:
    explicit TVtCustomStatusPane(TComponent* owner);
    ~TVtCustomStatusPane() override;
    QM_CLASS_INFO

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) { Change(alignment_, a); }
    int CaptionOffset() const { return captionOffset_; }
    void SetCaptionOffset(int o);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool a);
    int DefaultWidth() const { return defaultWidth_; }
    void SetDefaultWidth(int w);
    bool AutoHint() const { return autoHint_; }
    void SetAutoHint(bool a) { autoHint_ = a; }
    bool Blinking() const { return blinking_; }
    void SetBlinking(bool b);
    TColor BlinkColor() const { return blinkColor_; }
    void SetBlinkColor(TColor c) { Change(blinkColor_, c); }
    // Shared by every blinking control.
    uint16_t BlinkIntervalOn() const;
    void SetBlinkIntervalOn(uint16_t ms);
    uint16_t BlinkIntervalOff() const;
    void SetBlinkIntervalOff(uint16_t ms);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w) { Change(borderWidth_, w); }
    TColor FillColor() const { return fillColor_; }
    // Clears ParentFillColor.
    void SetFillColor(TColor c);
    bool ParentFillColor() const { return parentFillColor_; }
    void SetParentFillColor(bool p);
    TColor FlatColor() const { return flatColor_; }
    void SetFlatColor(TColor c) { Change(flatColor_, c); }
    int FlatColorAdjustment() const { return flatColorAdjustment_; }
    void SetFlatColorAdjustment(int a) { Change(flatColorAdjustment_, a); }
    TFrameStyle FrameStyle() const { return frameStyle_; }
    void SetFrameStyle(TFrameStyle s) { Change(frameStyle_, s); }
    TVtFrameController* FrameController() const { return frameController_; }
    void SetFrameController(TVtFrameController* c) { LinkFrameController(this, frameController_, c); }
    // The colour the text is drawn in now (the font's, or the blink colour while blinking on).
    TColor TextColor() const { return textColor_; }
    // With AutoHint: the application's current hint becomes the caption (true: taken).
    bool TakeHint(const std::string& hint);
    // The right-most pane of its status bar, reaching its client edge.
    bool IsRightMostPane() const;
    // Whether a hit at a client point belongs to the bar's size grip.
    bool InSizeGrip(int x, int y) const;

    void ReloadFrameSettings() override;
    void Dispatch(TMessage& m) override;
    void Loaded() override;
    TNotifyEvent OnMouseEnter, OnMouseLeave;

protected:
    void Paint() override;
    void Notification(TComponent* c, TOperation op) override;
    virtual int MeasureText(const std::string& text);
    virtual TRect TextRect() const;
    virtual void DrawCaption(TCanvas* c, const std::string& text);
    virtual void DrawFrame(TCanvas* c);
    void AdjustSize();
    template <class T>
    void Change(T& field, T v) {
        if (field == v) return;
        field = v;
        Invalidate();
    }

private:
    TAlignment alignment_ = taLeftJustify;
    int captionOffset_ = 2, defaultWidth_ = 40, borderWidth_ = 1, flatColorAdjustment_ = 30;
    bool autoSize_ = false, autoHint_ = false, blinking_ = false, parentFillColor_ = true;
    TColor blinkColor_ = clHighlight, fillColor_ = clBtnFace, flatColor_ = clBtnShadow;
    TColor normalColor_, textColor_;
    TFrameStyle frameStyle_ = fsFlat;
    TVtFrameController* frameController_ = nullptr;
};

class TVtStatusPane : public TVtCustomStatusPane {
public:
    explicit TVtStatusPane(TComponent* owner) : TVtCustomStatusPane(owner) {}
    QM_CLASS_INFO
};

// Helpers of the window-less controls a TVtStatusBar holds (panes, progress bars).
// The parent is a status bar drawn in the system's theme.
bool OnThemedStatusBar(const TControl* c);
// Into dest at r (c's client coordinates), the status bar's themed background that lies under c there.
void CopyStatusBarBackground(TCanvas* dest, const TRect& r, const TControl* c);
// c reaches its status bar's client right edge and the client point (x, y) of c lies within the last 12 pixels
// before it, where the bar's size grip is.
bool InStatusBarSizeGrip(const TControl* c, int x, int y);
