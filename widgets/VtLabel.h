// The library's label: a two-level frame, 3-D text, text rotated flat or along an arc, a caption condensed
// with an ellipsis, a colour while the mouse is over it, and blinking on the shared blink timer.
#pragma once

#include <cstdint>

#include "platform/ui/StdCtrls.h"
#include "widgets/VtCommon.h"

enum TRotation : uint8_t { roNone, roFlat, roCurve };
enum TCenterPoint : uint8_t {
    cpUpperLeft, cpUpperCenter, cpUpperRight, cpLeftCenter, cpCenter, cpRightCenter, cpLowerLeft, cpLowerCenter,
    cpLowerRight
};
enum TTextStyle : uint8_t { tsNormal, tsRaised, tsRecessed, tsShadow };
enum TVtCondenseCaption : uint8_t { ccNone, ccAtEnd, ccWithinPath };

// A logical font like `font` turned by `angle` degrees; the caller owns the handle.
HFONT CreateRotatedFont(TFont* font, int angle);
bool IsTrueTypeFont(TFont* font);
// The label's rule: negative v becomes 360 - |v|, others v mod 360 (so -400 stays -40). In 64 bits: the
// magnitude of the most negative integer does not fit an int.
int NormalizeLabelAngle(int v);

class TVtLabel : public TLabel, public IVtFrameSettingsSink {
public:
    explicit TVtLabel(TComponent* owner);
    ~TVtLabel() override;
    QM_CLASS_INFO

    void ReloadFrameSettings() override;
    void Dispatch(TMessage& m) override;
    void Loaded() override;

    int Angle() const { return angle_; }
    void SetAngle(int a);
    TRotation Rotation() const { return rotation_; }
    void SetRotation(TRotation r);
    TCenterPoint CenterPoint() const { return centerPoint_; }
    void SetCenterPoint(TCenterPoint c);
    TTextStyle TextStyle() const { return textStyle_; }
    void SetTextStyle(TTextStyle s);
    bool LightTextStyle() const { return lightTextStyle_; }
    void SetLightTextStyle(bool l);
    TColor HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(TColor c);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor c);
    int ShadowDepth() const { return shadowDepth_; }
    void SetShadowDepth(int d);
    TFrameStyleEx BorderOuter() const { return border_.outer; }
    void SetBorderOuter(TFrameStyleEx s);
    TFrameStyleEx BorderInner() const { return border_.inner; }
    void SetBorderInner(TFrameStyleEx s);
    TSides BorderSides() const { return border_.sides; }
    void SetBorderSides(TSides s);
    int BorderWidth() const { return border_.borderWidth; }
    void SetBorderWidth(int w);
    int BevelWidth() const { return border_.bevelWidth; }
    void SetBevelWidth(int w);
    TColor BorderColor() const { return border_.borderColor; }
    void SetBorderColor(TColor c);
    TColor BorderHighlight() const { return border_.borderHighlight; }
    void SetBorderHighlight(TColor c);
    TColor BorderShadow() const { return border_.borderShadow; }
    void SetBorderShadow(TColor c);
    TColor FlatColor() const { return border_.flatColor; }
    void SetFlatColor(TColor c);
    int FlatColorAdjustment() const { return border_.flatColorAdjustment; }
    void SetFlatColorAdjustment(int a);
    // Anything but ccNone turns AutoSize off.
    TVtCondenseCaption CondenseCaption() const { return condense_; }
    void SetCondenseCaption(TVtCondenseCaption c);
    bool Blinking() const { return blinking_; }
    void SetBlinking(bool b);
    TColor BlinkColor() const { return blinkColor_; }
    void SetBlinkColor(TColor c);
    // One setting for every blinking control of the program.
    uint16_t BlinkIntervalOn() const;
    void SetBlinkIntervalOn(uint16_t ms);
    uint16_t BlinkIntervalOff() const;
    void SetBlinkIntervalOff(uint16_t ms);
    bool FlyByEnabled() const { return flyByEnabled_; }
    void SetFlyByEnabled(bool f) { flyByEnabled_ = f; }
    TColor FlyByColor() const { return flyByColor_; }
    void SetFlyByColor(TColor c) { flyByColor_ = c; }
    TVtFrameController* FrameController() const { return frameController_; }
    void SetFrameController(TVtFrameController* c);
    // The colour the text is drawn in now (the font's, or the blink colour).
    TColor TextColor() const { return textColor_; }

    TNotifyEvent OnMouseEnter, OnMouseLeave;

protected:
    void Paint() override;
    void AdjustBounds() override;
    void Notification(TComponent* c, TOperation op) override;

private:
    template <class T>
    void Set(T& field, T value);
    UINT TextFlags() const;
    // The frame's width on each side: left, top, right, bottom.
    TRect FrameInsets() const;
    TPoint CenterOf() const;
    void DrawStyledText(TCanvas* c, const std::function<void(int dx, int dy)>& draw);
    void DrawStraight(TCanvas* c, TRect r);
    void DrawFlat(TCanvas* c);
    void DrawCurved(TCanvas* c);
    void SwitchToTrueType();

    int angle_ = 0;
    TRotation rotation_ = roNone;
    TCenterPoint centerPoint_ = cpCenter;
    TTextStyle textStyle_ = tsNormal;
    bool lightTextStyle_ = false, blinking_ = false, flyByEnabled_ = false, flying_ = false;
    TColor highlightColor_ = clBtnHighlight, shadowColor_ = clBtnShadow;
    int shadowDepth_ = 2;
    // The frame's own settings; the colours it lies on are filled in when it is painted.
    TFrameParams border_{.flatColorAdjustment = 30};
    TVtCondenseCaption condense_ = ccNone;
    TColor blinkColor_ = clHighlight, flyByColor_ = clHighlight;
    TColor normalColor_ = clWindowText, textColor_ = clWindowText, savedColor_ = clWindowText;
    TVtFrameController* frameController_ = nullptr;
};
