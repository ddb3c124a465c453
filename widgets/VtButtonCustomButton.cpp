#include "widgets/VtButton.h"

#include <cctype>
#include <string>

#include "platform/ui/Forms.h"
#include "platform/ui/Themes.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"

// ---------------------------------------------------------------- TVtCustomButton

// The label's text styles, by value (see the declaration in VtButton.h).
static constexpr TTextStyle TextRaised = TTextStyle(1), TextRecessed = TTextStyle(2), TextShadow = TTextStyle(3);
static const TEnumInfo ButtonTextStyleIdents{{"tsNormal", "tsRaised", "tsRecessed", "tsShadow"}};
const TEnumInfo AlignmentVerticalIdents{{"avTop", "avCenter", "avBottom"}};
const TEnumInfo HotTrackColorTypeIdents{{"htctComplement", "htctActual"}};

const TClassInfo& TVtCustomButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomButton;
        TClassInfo c{"TVtCustomButton", &TCustomControl::StaticClass(), {}, {}, {}};
        c.props = {
            OrdProp<C, TAlignmentVertical>("AlignmentVertical", &C::AlignmentVertical, &C::SetAlignmentVertical,
                                           avCenter, &AlignmentVerticalIdents),
            OrdProp<C, TColor>("HotTrackColor", &C::HotTrackColor, &C::SetHotTrackColor, clHighlight),
            OrdProp<C, TVtHotTrackColorType>("HotTrackColorType", &C::HotTrackColorType, &C::SetHotTrackColorType,
                                             htctComplement, &HotTrackColorTypeIdents),
            OrdProp<C, TColor>("HighlightColor", &C::HighlightColor, &C::SetHighlightColor, clHighlight),
            BoolProp<C>("LightTextStyle", &C::LightTextStyle, &C::SetLightTextStyle, 0),
            OrdProp<C, TTextStyle>("TextStyle", &C::TextStyle, &C::SetTextStyle, TTextStyle(0), &ButtonTextStyleIdents),
            OrdProp<C, TColor>("TextHighlightColor", &C::TextHighlightColor, &C::SetTextHighlightColor, clBtnHighlight),
            OrdProp<C, TColor>("TextShadowColor", &C::TextShadowColor, &C::SetTextShadowColor, clBtnShadow),
            OrdProp<C, int>("TextShadowDepth", &C::TextShadowDepth, &C::SetTextShadowDepth, 2),
            BoolProp<C>("HotTrack", &C::HotTrack, &C::SetHotTrack, 0),
            BoolProp<C>("ThemeAware", &C::ThemeAware, &C::SetThemeAware, 1),
            EventProp("OnMouseEnter", &C::OnMouseEnter),
            EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

TVtCustomButton::TVtCustomButton(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(csCaptureMouse | csSetCaption | csDoubleClicks);
    SetBounds(Left(), Top(), 115, 17);
    SetTabStop(true);
}

template <class T>
void TVtCustomButton::Change(T& field, T v) {
    if (field == v) return;
    field = v;
    Invalidate();
}

void TVtCustomButton::SetAlignmentVertical(TAlignmentVertical a) { Change(alignmentVertical_, a); }
void TVtCustomButton::SetHotTrackColor(TColor c) { Change(hotTrackColor_, c); }
void TVtCustomButton::SetHotTrackColorType(TVtHotTrackColorType t) { Change(hotTrackColorType_, t); }
void TVtCustomButton::SetHighlightColor(TColor c) { Change(highlightColor_, c); }
void TVtCustomButton::SetLightTextStyle(bool l) { Change(lightTextStyle_, l); }
void TVtCustomButton::SetTextStyle(TTextStyle s) { Change(textStyle_, s); }
void TVtCustomButton::SetTextHighlightColor(TColor c) { Change(textHighlightColor_, c); }
void TVtCustomButton::SetTextShadowColor(TColor c) { Change(textShadowColor_, c); }
void TVtCustomButton::SetTextShadowDepth(int d) { Change(textShadowDepth_, d); }
void TVtCustomButton::SetHotTrack(bool h) { Change(hotTrack_, h); }
void TVtCustomButton::SetTransparent(bool t) { Change(transparent_, t); }
void TVtCustomButton::SetThemeAware(bool t) { Change(themeAware_, t); }

bool TVtCustomButton::UsingTheme() const { return themeAware_ && ThemeServices()->ThemesEnabled(); }

void TVtCustomButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (CanFocus() && !Focused()) SetFocus();
    if (!Focused()) return;
    pressed_ = true;
    RepaintButton();
    tracking_ = true;
}

void TVtCustomButton::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    if (!tracking_) return;
    // The bottom row counts as inside while moving, not on release.
    bool inside = x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
    if (inside != pressed_) {
        pressed_ = inside;
        RepaintButton();
    }
}

void TVtCustomButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !tracking_) return;
    tracking_ = false;
    pressed_ = false;
    if (x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight()) ClickButton();
    if (ControlAlive(this)) RepaintButton();
}

void TVtCustomButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
        bool enter = m.Msg == CM_MOUSEENTER;
        if (enter && IsDesigning()) break;
        mouseOver_ = enter;
        if (!IsDesigning()) {
            if (enter && OnMouseEnter) OnMouseEnter(this);
            if (!enter && OnMouseLeave) OnMouseLeave(this);
        }
        if (hotTrack_ || UsingTheme()) {
            TRect r = GetHotTrackRect();
            InvalidateClient(&r, false);
        }
        break;
    }
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED: Invalidate(); break;
    case WM_CANCELMODE:
        // A menu took the mouse: the press ends here, without a click, and the button is up again.
        if (tracking_ || pressed_) {
            tracking_ = false;
            pressed_ = false;
            RepaintButton();
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TCustomControl::Dispatch(m);
        UpdateFocus();
        return;
    case WM_ERASEBKGND:
        if (transparent_) {
            if (m.WParam) DrawParentBackground(this, reinterpret_cast<HDC>(m.WParam));
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TCustomControl::Dispatch(m);
}

TRect AlignCaptionVertically(TRect r, int height, TAlignmentVertical a) {
    if (a == avCenter) {
        r.Top = (r.Top + r.Bottom - height) / 2;
        r.Bottom = r.Top + height;
    } else if (a == avBottom) {
        r.Top = r.Bottom - height - 1;
    }
    return r;
}

void TVtCustomButton::DrawCaption(TCanvas* c, TRect r, UINT flags) {
    const std::string text = Caption();
    c->Brush()->SetStyle(bsClear);
    c->SetFont(*Font());
    TRect calc = r;
    c->DrawText(text, calc, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER | DT_VCENTER);
    int h = calc.Height();
    r = AlignCaptionVertically(r, h, alignmentVertical_);
    if (UseRightToLeftAlignment()) flags |= DT_RIGHT | DT_RTLREADING;
    auto at = [&](int dx, int dy, TColor color) {
        TRect t = r;
        OffsetRect(t, dx, dy);
        c->Font()->SetColor(color);
        c->DrawText(text, t, flags);
    };
    if (Enabled()) {
        bool rightAligned = flags & DT_RIGHT;
        if (textStyle_ == TextRaised || textStyle_ == TextRecessed) {
            TColor dark = textStyle_ == TextRaised ? textShadowColor_ : textHighlightColor_;
            TColor light = textStyle_ == TextRaised ? textHighlightColor_ : textShadowColor_;
            if (!(lightTextStyle_ && textStyle_ == TextRaised)) at(1, 1, dark);
            if (!(lightTextStyle_ && textStyle_ == TextRecessed)) at(-1, -1, light);
        } else if (textStyle_ == TextShadow) {
            at(rightAligned ? 0 : textShadowDepth_, textShadowDepth_, textShadowColor_);
        }
        at(rightAligned && textStyle_ == TextShadow ? -textShadowDepth_ : 0, 0, Font()->Color());
    } else {
        at(1, 1, clBtnHighlight);
        at(0, 0, clBtnShadow);
    }
    c->Brush()->SetStyle(bsSolid);
}

void HotTrackColors(TColor hotTrackColor, TVtHotTrackColorType type, TColor& light, TColor& dark) {
    if (type == htctActual) {
        light = LighterColor(hotTrackColor, 30);
        dark = DarkerColor(hotTrackColor, 30);
        return;
    }
    int hue = GetHue(hotTrackColor);
    hue = hue >= 120 ? hue - 120 : hue + 120;
    light = HLSToColor(BYTE(hue), 220, 180);
    dark = DarkerColor(light, 30);
}

bool IsAccel(char ch, const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        unsigned char a = static_cast<unsigned char>(caption[i + 1]), b = static_cast<unsigned char>(ch);
        return a < 0x80 && b < 0x80 && std::tolower(a) == std::tolower(b);
    }
    return false;
}

void RegisterHotTrackReader(const TClassInfo& cls, const std::string& name) {
    RegisterPropertyReader(cls, name, [name](TObject* o, const TFormValue& v) {
        if (!v.IsBoolean()) throw EFormResourceError(name + ": a Boolean expected");
        static_cast<TVtCustomButton*>(o)->SetHotTrack(v.IsTrue());
    });
}
