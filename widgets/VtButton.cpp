#include "widgets/VtButton.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/ui/ActnList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Windows.h"
#include "widgets/VtPanel.h"

#include "platform/ui/Themes.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"

static const TEnumInfo ControlButtonStyleIdents{{"cbsNone", "cbsLeft", "cbsUp", "cbsRight", "cbsDown", "cbsDropDown"}};

const TClassInfo& TVtControlButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtControlButton;
        TClassInfo c{"TVtControlButton", &TGraphicControl::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("Flat", &C::Flat, &C::SetFlat, 0),
                   OrdProp<C, TNumGlyphs>("NumGlyphs", &C::NumGlyphs, &C::SetNumGlyphs, 1),
                   BoolProp<C>("RepeatClicks", &C::RepeatClicks, &C::SetRepeatClicks, 0),
                   OrdProp<C, uint16_t>("InitialDelay", &C::InitialDelay, &C::SetInitialDelay, 400),
                   OrdProp<C, uint16_t>("Delay", &C::Delay, &C::SetDelay, 100),
                   OrdProp<C, TVtControlButtonStyle>("Style", &C::Style, &C::SetStyle, cbsNone,
                                                     &ControlButtonStyleIdents),
                   EventProp("OnMouseEnter", &C::OnMouseEnter),
                   EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

TVtControlButton::TVtControlButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
    // The click is the button's own: on release inside, and from the repeat timer.
    SetControlStyle((ControlStyle() | csCaptureMouse) & ~uint32_t(csClickEvents));
    SetBounds(Left(), Top(), 17, 21);
    SetParentColor(false);
    SetColor(clBtnFace);
}

TVtControlButton::~TVtControlButton() { delete timer_; }

bool TVtControlButton::Themed() const { return ThemeServices()->ThemesEnabled(); }

void TVtControlButton::SetFlat(bool f) {
    if (f == flat_) return;
    flat_ = f;
    Invalidate();
}

void TVtControlButton::SetGlyph(const TBitmap* b) {
    if (b && b->Width() > 0 && b->Height() > 0)
        glyph_->Assign(*b);
    else
        glyph_ = std::make_unique<TBitmap>();
    int w = glyph_->Width(), h = glyph_->Height();
    if (h != 0 && w % h == 0) {
        int n = w / h;
        numGlyphs_ = n > 4 || n < 1 ? 1 : n;
    }
    Invalidate();
    if (OnGlyphChange) OnGlyphChange(this);
}

void TVtControlButton::SetNumGlyphs(TNumGlyphs n) {
    n = n < 1 ? 1 : n > 4 ? 4 : n;
    if (n == numGlyphs_) return;
    numGlyphs_ = n;
    Invalidate();
}

void TVtControlButton::SetStyle(TVtControlButtonStyle s) {
    if (s == style_) return;
    style_ = s;
    Invalidate();
}

TSize TVtControlButton::GetGlyphSize() const {
    if (GlyphEmpty()) return TSize{0, 0};
    return TSize{glyph_->Width() / numGlyphs_, glyph_->Height()};
}

// ---- press and repeat ----

void TVtControlButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (abortPress_) {
        abortPress_ = false;
        SetMouseCapture(false);
        return;
    }
    if (button == mbLeft && Enabled()) {
        if (!pressed_) {
            pressed_ = true;
            Invalidate();
        }
        tracking_ = true;
    }
    if (repeatClicks_) {
        if (!timer_) {
            timer_ = new TTimer(nullptr);
            timer_->OnTimer = [this](TObject*) { TimerTick(); };
        }
        timer_->SetInterval(initialDelay_);
        timer_->SetEnabled(true);
    }
}

void TVtControlButton::TimerTick() {
    timer_->SetInterval(delay_);
    if (pressed_ && MouseCapture()) Click();
}

void TVtControlButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (tracking_) {
        tracking_ = false;
        bool inside = x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
        pressed_ = false;
        mouseOver_ = false;
        Invalidate();
        if (inside) Click();
        // The pointer may have stayed on the button: its hover look comes back at once.
        if ((flat_ || Themed()) && Enabled() && ControlAlive(this)) {
            if (inside)
                Perform(CM_MOUSEENTER);
            else
                Perform(CM_MOUSELEAVE);
        }
    }
    if (timer_) timer_->SetEnabled(false);
}

void TVtControlButton::MouseEnter() {
    if (Designing()) return;
    mouseOver_ = true;
    if (OnMouseEnter) OnMouseEnter(this);
    if (flat_ || Themed()) Invalidate();
}

void TVtControlButton::MouseLeave() {
    mouseOver_ = false;
    if (OnMouseLeave) OnMouseLeave(this);
    if (flat_ || Themed()) Invalidate();
}

void TVtControlButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_MOUSEENTER: MouseEnter(); break;
    case CM_MOUSELEAVE: MouseLeave(); break;
    default: break;
    }
    TGraphicControl::Dispatch(m);
}

// ---- painting ----

void TVtControlButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    switch (style_) {
    case cbsNone: {
        DrawButtonFace(c, r);
        if (GlyphEmpty()) break;
        InflateRect(r, -1, -1);
        TSize g = GetGlyphSize();
        TRect gr = CenterRect(r, g.cx, g.cy);
        if (pressed_) OffsetRect(gr, 1, Themed() ? 0 : 1);
        DrawGlyph(c, gr);
        break;
    }
    case cbsDropDown: DrawDropDownButton(c, r); break;
    default: DrawArrowButton(c, r); break;
    }
}

TRect TVtControlButton::ClassicFace(TCanvas* c, TRect r) {
    bool hotLook = (mouseOver_ && Enabled()) || Designing();
    if (flat_) {
        if (pressed_)
            r = DrawBorder(c, r, fsStatus);
        else if (hotLook)
            r = DrawBorder(c, r, fsPopup);
        c->Brush()->SetColor(Color());
    } else {
        r = pressed_ ? DrawBevel(c, r, clBtnShadow, clBtnShadow, 1, sdAllSides) : DrawBorder(c, r, fsButtonUp);
        c->Brush()->SetColor(clBtnFace);
    }
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    return r;
}

// part: -1 the push-button face, else the arrow part of the style.
void TVtControlButton::DrawThemedPart(TCanvas* c, TRect r, int part) {
    bool hot = mouseOver_ && Enabled();
    if (flat_ && Designing()) hot = true;
    TThemedState st = pressed_ ? tsPressed : hot ? tsHot : Enabled() ? tsNormal : tsDisabled;
    TThemedPart p = part < 0 ? tpPushButton : TThemedPart(part);
    ThemeServices()->DrawElement(c, ThemeServices()->GetElementDetails(p, st), r);
}

void TVtControlButton::DrawButtonFace(TCanvas* c, TRect r) {
    if (Themed()) {
        if (flat_ && !pressed_ && !mouseOver_ && !Designing()) {
            c->Brush()->SetColor(Color());
            c->FillRect(r);
            return;
        }
        // The themed face is drawn larger, so its own border falls outside the small button.
        TBitmap b(r.Width(), r.Height());
        TRect big(-1, -2, r.Width() + 2, r.Height() + 2);
        DrawThemedPart(b.Canvas(), big, -1);
        c->Draw(r.Left, r.Top, &b);
        return;
    }
    ClassicFace(c, r);
}

static TArrowDirection DirectionOf(TVtControlButtonStyle s) {
    switch (s) {
    case cbsUp: return adUp;
    case cbsDown: return adDown;
    case cbsLeft: return adLeft;
    default: return adRight;
    }
}

void TVtControlButton::DrawArrowButton(TCanvas* c, TRect r) {
    bool flatRest = flat_ && !pressed_ && !mouseOver_ && !Designing();
    if (Themed() && !flatRest) {
        static const TThemedPart parts[] = {tpSpinLeft, tpSpinUp, tpSpinRight, tpSpinDown};
        DrawThemedPart(c, r, parts[style_ - cbsLeft]);
        return;
    }
    if (Themed()) {
        c->Brush()->SetColor(Color());
        c->FillRect(r);
        DrawArrow(c, r, 1, DirectionOf(style_), false, Enabled());
        return;
    }
    r = ClassicFace(c, r);
    DrawArrow(c, r, 0, DirectionOf(style_), pressed_, Enabled());
}

void TVtControlButton::DrawDropDownButton(TCanvas* c, TRect r) {
    bool flatRest = flat_ && !pressed_ && !mouseOver_ && !Designing();
    if (Themed() && !flatRest) {
        DrawThemedPart(c, r, tpComboDropDown);
        return;
    }
    if (Themed()) {
        c->Brush()->SetColor(Color());
        c->FillRect(r);
        DrawDropDownArrow(c, r, 1, false, Enabled());
        return;
    }
    r = ClassicFace(c, r);
    DrawDropDownArrow(c, r, 0, pressed_, Enabled());
}

void TVtControlButton::DrawGlyph(TCanvas* c, TRect r) {
    TSize g = GetGlyphSize();
    int cell = numGlyphs_ > 1 && !Enabled() ? 1 : 0;
    TRect src(cell * g.cx, 0, (cell + 1) * g.cx, g.cy);
    TColor transparent = glyph_->Canvas()->Pixel(0, glyph_->Height() - 1);
    StretchBitmapTransparent(c, r, glyph_.get(), src, transparent);
}

// ---- TVtButtonHolder ----

QM_ABSTRACT_CLASS_RECORD(TVtButtonHolder, TWinControl)

TVtButtonHolder::TVtButtonHolder(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csAcceptsControls | csSetCaption));
    SetParentColor(false);
    SetColor(clBtnFace);
    first_ = new TVtControlButton(this);
    second_ = new TVtControlButton(this);
    for (TVtControlButton* b : {first_, second_}) {
        b->SetParent(this);
        b->OnMouseDown = [this, b](TObject*, TMouseButton mb, TShiftState, int, int) { Pressing(b, mb); };
    }
}

void TVtButtonHolder::SetFlat(bool f) {
    first_->SetFlat(f);
    second_->SetFlat(f);
}

void TVtButtonHolder::SetButtonColor(TColor c) {
    SetColor(c);
    first_->SetColor(c);
    second_->SetColor(c);
}

void TVtButtonHolder::SetEnabled(bool e) {
    TWinControl::SetEnabled(e);
    first_->SetEnabled(e);
    second_->SetEnabled(e);
}

void TVtButtonHolder::SetFocusControl(TWinControl* c) {
    if (c == focusControl_) return;
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = c;
    if (c) c->FreeNotification(this);
}

void TVtButtonHolder::Notification(TComponent* c, TOperation op) {
    TWinControl::Notification(c, op);
    if (op == opRemove && c == focusControl_) focusControl_ = nullptr;
}

void TVtButtonHolder::Pressing(TVtControlButton* b, TMouseButton mb) {
    if (mb != mbLeft) return;
    bool taken = true;
    if (focusControl_ && focusControl_->TabStop() && focusControl_->CanFocus()) {
        if (!focusControl_->Focused()) focusControl_->SetFocus();
        taken = focusControl_->Focused();
    } else if (TabStop() && CanFocus() && !Focused()) {
        SetFocus();
        taken = Focused();
    }
    if (!taken) b->AbortPress();
}

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

// ---------------------------------------------------------------- TVtButton

const TClassInfo& TVtButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtButton;
        TClassInfo c{"TVtButton", &TVtCustomButton::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, TAlignment>("Alignment", &C::Alignment, &C::SetAlignment, taCenter, &AlignmentIdents),
                   BoolProp<C>("Default", &C::Default, &C::SetDefault, 0),
                   BoolProp<C>("Cancel", &C::Cancel, &C::SetCancel, 0),
                   OrdProp<C, int>("ModalResult", &C::ModalResult, &C::SetModalResult, 0),
                   BoolProp<C>("AllowAllUp", &C::AllowAllUp, &C::SetAllowAllUp, 0),
                   OrdProp<C, int>("GroupIndex", &C::GroupIndex, &C::SetGroupIndex, 0),
                   BoolProp<C>("Down", &C::Down, &C::SetDown, 0),
                   BoolProp<C>("ShowDownPattern", &C::ShowDownPattern, &C::SetShowDownPattern, 1),
                   BoolProp<C>("ShowFocusRect", &C::ShowFocusRect, &C::SetShowFocusRect, 1),
                   BoolProp<C>("DropDownOnEnter", &C::DropDownOnEnter, &C::SetDropDownOnEnter, 1)};
        return c;
    }();
    return ci;
}

TVtButton::TVtButton(TComponent* owner) : TVtCustomButton(owner) {
    SetBounds(Left(), Top(), 75, 25);
    SetParentColor(false);
    SetColor(clBtnFace);
}

void TVtButton::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TVtButton::SetShowDownPattern(bool s) {
    if (s == showDownPattern_) return;
    showDownPattern_ = s;
    Invalidate();
}

void TVtButton::SetShowFocusRect(bool s) {
    if (s == showFocusRect_) return;
    showFocusRect_ = s;
    Invalidate();
}

void TVtButton::SetHotTrack(bool h) {
    TVtCustomButton::SetHotTrack(h);
    SetTransparent(h);
}

void TVtButton::SetActive(bool a) {
    if (a == active_) return;
    active_ = a;
    UpdateFocus();
}

void TVtButton::CreateWnd() {
    TVtCustomButton::CreateWnd();
    active_ = default_;
}

void TVtButton::SetDefault(bool d) {
    default_ = d;
    if (!HandleAllocated()) return;
    if (TCustomForm* f = GetParentForm(this))
        f->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(f->ActiveControl()));
}

// ---- groups of down buttons, shared by the push and tool buttons ----

bool ApplyGroupDown(bool& down, bool d, int groupIndex, bool allowAllUp) {
    if (groupIndex == 0) d = false;
    if (d == down) return false;
    // The one down button of a group that must keep one down stays down.
    if (down && groupIndex != 0 && !allowAllUp) return false;
    down = d;
    return true;
}

bool ReceiveGroupMessage(bool& down, bool& allowAllUp, bool senderDown, bool senderAllowAllUp) {
    allowAllUp = senderAllowAllUp;
    if (!(senderDown && down)) return false;
    down = false;
    return true;
}

void BroadcastGroupMessage(TControl* sender, int groupIndex) {
    if (groupIndex == 0 || !sender->Parent()) return;
    TMessage m{TVtButton::CM_BUTTONPRESSED, WPARAM(groupIndex), reinterpret_cast<LPARAM>(sender), 0};
    sender->Parent()->Broadcast(m);
}

void TVtButton::BroadcastGroup() { BroadcastGroupMessage(this, groupIndex_); }

void TVtButton::SetDown(bool d) {
    if (!ApplyGroupDown(down_, d, groupIndex_, allowAllUp_)) return;
    state_ = down_ ? 3 : 0;
    Invalidate();
    if (down_) BroadcastGroup();
}

void TVtButton::SetAllowAllUp(bool a) {
    allowAllUp_ = a;
    BroadcastGroup();
}

void TVtButton::SetGroupIndex(int g) {
    groupIndex_ = g;
    if (g == 0 && down_) {
        // Only a grouped button can be down.
        down_ = false;
        state_ = 0;
        Invalidate();
    }
    BroadcastGroup();
}

void TVtButton::ClickButton() {
    if (groupIndex_ != 0)
        SetDown(!down_);
    else
        RepaintButton();
    clicking_ = true;
    Click();
    if (ControlAlive(this)) clicking_ = false;
}

void TVtButton::Click() {
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(modalResult_);
    TVtCustomButton::Click();
}

void TVtButton::KeyDown(WORD& key, TShiftState shift) {
    TVtCustomButton::KeyDown(key, shift);
    if (key == VK_SPACE && !(shift & ssAlt)) {
        spaceDown_ = true;
        SetPressed(true);
        RepaintButton();
    }
}

void TVtButton::KeyUp(WORD& key, TShiftState shift) {
    TVtCustomButton::KeyUp(key, shift);
    if (key != VK_SPACE) return;
    SetPressed(false);
    if (spaceDown_) {
        spaceDown_ = false;
        ClickButton();
    }
    if (ControlAlive(this)) RepaintButton();
}

void TVtButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_DIALOGKEY: {
        bool noShift = !(KeyDataToShiftState(m.LParam) & (ssShift | ssCtrl | ssAlt));
        if (noShift && ((m.WParam == VK_RETURN && active_) || (m.WParam == VK_ESCAPE && cancel_)) && CanFocus()) {
            enterClick_ = !dropDownOnEnter_;
            Click();
            if (ControlAlive(this)) enterClick_ = false;
            m.Result = 1;
            return;
        }
        break;
    }
    case CM_DIALOGCHAR:
        if (IsAccel(char(m.WParam), Caption()) && CanFocus()) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    case CM_FOCUSCHANGED: {
        auto* focused = reinterpret_cast<TWinControl*>(m.LParam);
        if (dynamic_cast<TVtButton*>(focused))
            SetActive(focused == this);
        else
            SetActive(default_);
        break;  // the other controls hear it too
    }
    case CM_BUTTONPRESSED: {
        auto* sender = dynamic_cast<TVtButton*>(reinterpret_cast<TControl*>(m.LParam));
        if (int(m.WParam) == groupIndex_ && sender && sender != this &&
            ReceiveGroupMessage(down_, allowAllUp_, sender->Down(), sender->AllowAllUp())) {
            state_ = 0;
            Invalidate();
        }
        return;
    }
    default: break;
    }
    TVtCustomButton::Dispatch(m);
}

TRect TVtButton::GetCaptionRect(TRect r) {
    InflateRect(r, -5, -5);
    if (!HotTrack() && !UsingTheme() && (Pressed() || (groupIndex_ != 0 && (state_ == 2 || state_ == 3))))
        OffsetRect(r, 1, 1);
    return r;
}

void TVtButton::DrawButtonCaption(TCanvas* c) {
    UINT align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawCaption(c, GetCaptionRect(ClientRect()), align | DT_EXPANDTABS | DT_WORDBREAK);
}

void TVtButton::MakeDownPattern(TBitmap* b) {
    b->SetSize(8, 8);
    TColor ink = ColorToRGB(Color()) == clSilver ? clGray : clSilver;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) b->Canvas()->SetPixel(x, y, (x & 1) == (y & 1) ? ink : Color());
}

namespace {
void Line(TCanvas* c, int x1, int y1, int x2, int y2, TColor color) {
    c->Pen()->SetColor(color);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
}
}  // namespace

void TVtButton::PaintHotTrack(TCanvas* c, TRect r) {
    TColor face = Color();
    if (!Enabled()) {
        InflateRect(r, -1, -1);
        r = DrawCornerlessFrame(c, r, face == clBtnFace ? LighterColor(clBtnShadow, 30) : DarkerColor(face, 80));
        c->Brush()->SetColor(face);
        c->FillRect(r);
        return;
    }
    TColor c1 = DarkerColor(clBtnFace, 20), c2 = LighterColor(clBtnFace, 20);
    int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    Line(c, L, T + 2, L, B - 2, c1);
    Line(c, L + 2, T, R - 2, T, c1);
    Line(c, R - 1, T + 2, R - 1, B - 2, c2);
    Line(c, L + 2, B - 1, R - 2, B - 1, c2);
    c->SetPixel(L + 1, T + 1, c1);
    c->SetPixel(R - 2, T + 1, c1);
    c->SetPixel(L + 1, B - 2, c1);
    c->SetPixel(R - 2, B - 2, c2);
    InflateRect(r, -1, -1);
    r = DrawCornerlessFrame(c, r, face == clBtnFace ? cl3DDkShadow : DarkerColor(face, 150));
    auto bevels = [&](TColor light, TColor dark) {
        TRect in = DrawBevel(c, r, light, dark, 1, sdAllSides);
        in = DrawBevel(c, in, DarkerColor(light, 10), LighterColor(dark, 10), 1, sdAllSides);
        c->Brush()->SetColor(face);
        c->FillRect(in);
    };
    if (Pressed() || state_ == 2 || state_ == 3) {
        c->Brush()->SetColor(DarkerColor(face, 10));
        c->FillRect(r);
    } else if (MouseOver()) {
        TColor light, dark;
        HotTrackColors(HotTrackColor(), HotTrackColorType(), light, dark);
        bevels(light, dark);
    } else if (groupIndex_ == 0 && (active_ || Focused())) {
        TColor light = HLSToColor(GetHue(HighlightColor()), 220, 220);
        bevels(light, DarkerColor(light, 30));
    } else {
        L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
        Line(c, L, T, R, T, LighterColor(face, 20));
        Line(c, L, T + 1, R, T + 1, LighterColor(face, 15));
        Line(c, L, T + 2, R, T + 2, LighterColor(face, 10));
        c->Pen()->SetColor(DarkerColor(face, 10));
        c->MoveTo(L, B - 3);
        c->LineTo(R - 2, B - 3);
        c->LineTo(R - 2, T + 2);
        c->Pen()->SetColor(DarkerColor(face, 20));
        c->MoveTo(L, B - 2);
        c->LineTo(R - 1, B - 2);
        c->LineTo(R - 1, T + 2);
        Line(c, L, B - 1, R, B - 1, DarkerColor(face, 30));
        c->Brush()->SetColor(face);
        c->FillRect(TRect(L, T + 3, R - 2, B - 3));
    }
}

void TVtButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    bool themed = UsingTheme();
    bool downLook = state_ == 2 || state_ == 3;
    TRect f = r;
    InflateRect(f, HotTrack() || themed ? -3 : -4, HotTrack() || themed ? -3 : -4);
    if (groupIndex_ != 0 && (downLook || Pressed())) OffsetRect(f, 1, 1);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Brush()->SetStyle(bsSolid);
    if (themed) {
        TThemedState st = !Enabled()                                                  ? tsDisabled
                          : downLook || Pressed()                                     ? tsPressed
                          : MouseOver()                                               ? tsHot
                          : groupIndex_ == 0 && (active_ || Focused()) && !Pressed() ? tsDefaulted
                                                                                      : tsNormal;
        DrawParentBackground(this, c);
        ThemeServices()->DrawElement(c, ThemeServices()->GetElementDetails(tpPushButton, st), r);
    } else if (HotTrack()) {
        PaintHotTrack(c, r);
    } else {
        if (groupIndex_ == 0 && (((active_ || Focused()) && !Pressed()) || clicking_)) {
            c->Brush()->SetColor(clWindowFrame);
            c->FrameRect(r);
            InflateRect(r, -1, -1);
        }
        bool grouped = groupIndex_ != 0;
        if (Color() == clBtnFace) {
            if (grouped)
                r = DrawBorder(c, r, downLook || Pressed() ? fsLowered : fsButtonUp);
            else
                r = DrawButtonBorder(c, r, Pressed());
        } else if (grouped && (downLook || Pressed())) {
            r = DrawColorBorder(c, r, Color(), fsLowered);
        } else {
            r = DrawColorButtonBorder(c, r, Color(), !grouped && Pressed());
        }
        c->Brush()->SetColor(Color());
        c->FillRect(r);
    }
    if (groupIndex_ != 0 && state_ == 3 && showDownPattern_) {
        TBitmap pattern;
        MakeDownPattern(&pattern);
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) c->SetPixel(x, y, pattern.Canvas()->Pixel(x & 7, y & 7));
    }
    c->SetFont(*Font());
    c->Brush()->SetColor(Color());
    DrawButtonCaption(c);
    if (Focused() && showFocusRect_) DrawFocusBorder(c, f);
}

// ---------------------------------------------------------------- stock glyphs of the kinds

namespace {
using Art = std::vector<std::string>;
const Art CheckArt{"................", "................", "............##..", "...........###..",
                   "..........###...", ".........###....", "..##....###.....", "..###..###......",
                   "...######.......", "....####........", ".....##.........", "................",
                   "................", "................", "................", "................"};
const Art CrossArt{"................", "................", "...##......##...", "...###....###...",
                   "....###..###....", ".....######.....", "......####......", "......####......",
                   ".....######.....", "....###..###....", "...###....###...", "...##......##...",
                   "................", "................", "................", "................"};
const Art QuestionArt{"................", "......####......", ".....##..##.....", ".....##..##.....",
                      ".........##.....", "........##......", ".......##.......", ".......##.......",
                      ".......##.......", "................", ".......##.......", ".......##.......",
                      "................", "................", "................", "................"};
const Art RetryArt{"................", "......####......", "....##....##....", "...##......#....",
                   "...#.......###..", "..##........#...", "..#.............", "..#.............",
                   "..##........##..", "...#.......##...", "...##.....##....", "....##...##.....",
                   "......####......", "................", "................", "................"};
const Art DashArt{"................", "................", "................", "................",
                  "................", "................", "..############..", "..############..",
                  "................", "................", "................", "................",
                  "................", "................", "................", "................"};

struct KindRow {
    const char* caption;
    int modalResult;
    const char* resource;
    const Art* art;
    char ink;
};
const KindRow Kinds[] = {{"", 0, "", nullptr, 0},
                         {"OK", 1, "VTCOMMON_OK", &CheckArt, 'g'},
                         {"Cancel", 2, "VTCOMMON_CANCEL", &CrossArt, 'r'},
                         {"&Help", 0, "VTCOMMON_HELP", &QuestionArt, 'b'},
                         {"&Yes", 6, "VTCOMMON_YES", &CheckArt, 'g'},
                         {"&No", 7, "VTCOMMON_NO", &CrossArt, 'r'},
                         {"&Close", 0, "VTCOMMON_CLOSE", &CrossArt, 'k'},
                         {"Abort", 3, "VTCOMMON_ABORT", &CrossArt, 'r'},
                         {"&Retry", 4, "VTCOMMON_RETRY", &RetryArt, 'g'},
                         {"&Ignore", 5, "VTCOMMON_IGNORE", &DashArt, 'b'},
                         {"&All", 8, "VTCOMMON_ALL", &CheckArt, 'b'}};
const std::map<char, TColor> KindPalette{{'.', RGB(0, 128, 128)}, {'g', RGB(0, 128, 0)},   {'r', RGB(192, 0, 0)},
                                         {'b', RGB(0, 0, 160)},    {'k', RGB(0, 0, 0)},     {'s', RGB(128, 128, 128)},
                                         {'h', RGB(255, 255, 255)}};

// The normal cell in its ink, then the disabled one: shadow ink over a highlight one pixel down and right.
Art KindCells(const Art& art, char ink) {
    Art rows(art.size());
    for (size_t y = 0; y < art.size(); ++y) {
        std::string normal = art[y], dis(art[y].size(), '.');
        for (size_t x = 0; x < normal.size(); ++x) {
            if (normal[x] == '#') {
                normal[x] = ink;
                dis[x] = 's';
            } else if (x > 0 && y > 0 && art[y - 1][x - 1] == '#') {
                dis[x] = 'h';
            }
        }
        rows[y] = normal + dis;
    }
    return rows;
}
}  // namespace

TBitmap* StockKindGlyph(TBitBtnKind k) {
    if (k == bkCustom || k > bkAll) return nullptr;
    static std::unique_ptr<TBitmap> cache[bkAll + 1];
    if (!cache[k]) {
        static const bool registered = [] {
            for (int i = bkOK; i <= bkAll; ++i)
                RegisterBitmapResource(Kinds[i].resource, KindCells(*Kinds[i].art, Kinds[i].ink), KindPalette);
            return true;
        }();
        (void)registered;
        auto b = std::make_unique<TBitmap>();
        if (!LoadBitmapResource(*b, Kinds[k].resource)) return nullptr;
        cache[k] = std::move(b);
    }
    return cache[k].get();
}

// ---------------------------------------------------------------- TVtBitBtn

static const TEnumInfo KindIdents{{"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort",
                                   "bkRetry", "bkIgnore", "bkAll"}};

const TClassInfo& TVtBitBtn::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtBitBtn;
        TClassInfo c{"TVtBitBtn", &TVtButton::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, TBitBtnKind>("Kind", &C::Kind, &C::SetKind, bkCustom, &KindIdents),
                   OrdProp<C, TButtonLayout>("Layout", &C::Layout, &C::SetLayout, blGlyphLeft, &ButtonLayoutIdents),
                   OrdProp<C, int>("Margin", &C::Margin, &C::SetMargin, 2),
                   OrdProp<C, TNumGlyphs>("NumGlyphs", &C::NumGlyphs, &C::SetNumGlyphs, 1),
                   OrdProp<C, int>("Spacing", &C::Spacing, &C::SetSpacing, 4),
                   OrdProp<C, int>("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1),
                   OrdProp<C, int>("DisabledIndex", &C::DisabledIndex, &C::SetDisabledIndex, -1),
                   RefProp<C, TCustomImageList>("Images", &C::Images, &C::SetImages)};
        return c;
    }();
    return ci;
}

TVtBitBtn::TVtBitBtn(TComponent* owner) : TVtButton(owner), glyph_(std::make_unique<TBitmap>()) {}

TVtBitBtn::~TVtBitBtn() = default;

const char* TVtBitBtn::StockCaption(TBitBtnKind k) { return k <= bkAll ? Kinds[k].caption : ""; }

void TVtBitBtn::GlyphChanged() {
    int w = glyph_->Width(), h = glyph_->Height();
    if (h != 0 && w % h == 0) {
        int n = w / h;
        numGlyphs_ = n > 4 ? 1 : n;
    }
    Invalidate();
}

void TVtBitBtn::SetGlyph(const TBitmap* b) {
    if (b && b->Width() > 0 && b->Height() > 0)
        glyph_->Assign(*b);
    else
        glyph_ = std::make_unique<TBitmap>();
    customGlyph_ = true;
    GlyphChanged();
}

TBitBtnKind TVtBitBtn::Kind() const {
    if (kind_ != bkCustom) {
        const KindRow& k = Kinds[kind_];
        bool def = kind_ == bkOK || kind_ == bkYes, cancel = kind_ == bkCancel || kind_ == bkNo;
        if (Default() != def || Cancel() != cancel || ModalResult() != k.modalResult || customGlyph_) kind_ = bkCustom;
    }
    return kind_;
}

void TVtBitBtn::SetKind(TBitBtnKind k) {
    if (k > bkAll || k == kind_) return;
    if (k != bkCustom) {
        SetDefault(k == bkOK || k == bkYes);
        SetCancel(k == bkCancel || k == bkNo);
        if (!IsLoading() || Caption().empty()) SetCaption(Kinds[k].caption);
        SetModalResult(Kinds[k].modalResult);
        if (TBitmap* stock = StockKindGlyph(k))
            glyph_->Assign(*stock);
        numGlyphs_ = 2;
        customGlyph_ = false;
    }
    kind_ = k;
    Invalidate();
}

void TVtBitBtn::SetLayout(TButtonLayout l) {
    if (l == layout_) return;
    layout_ = l;
    Invalidate();
}

void TVtBitBtn::SetMargin(int m) {
    if (m < -1 || m == margin_) return;
    margin_ = m;
    Invalidate();
}

void TVtBitBtn::SetNumGlyphs(TNumGlyphs n) {
    n = n < 1 ? 1 : n > 4 ? 4 : n;
    if (n == numGlyphs_) return;
    numGlyphs_ = n;
    Invalidate();
}

void TVtBitBtn::SetSpacing(int s) {
    if (s == spacing_) return;
    spacing_ = s;
    Invalidate();
}

void TVtBitBtn::ChangeScale(int m, int d) {
    if (m <= 0 || d <= 0 || m == d) return;
    if (margin_ > 0) SetMargin(MulDiv(margin_, m, d));
    if (spacing_ > 0) SetSpacing(MulDiv(spacing_, m, d));
}

void TVtBitBtn::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    Invalidate();
}

void TVtBitBtn::SetDisabledIndex(int i) {
    if (i == disabledIndex_) return;
    disabledIndex_ = i;
    Invalidate();
}

void TVtBitBtn::SetImages(TCustomImageList* l) {
    if (images_) images_->RemoveFreeNotification(this);
    images_ = l;
    if (l) l->FreeNotification(this);
    Invalidate();
}

void TVtBitBtn::Notification(TComponent* c, TOperation op) {
    TVtButton::Notification(c, op);
    if (op == opRemove && c == images_) images_ = nullptr;
}

void TVtBitBtn::Click() {
    if (kind_ == bkClose)
        if (TCustomForm* f = GetParentForm(this)) f->Close();
    TVtButton::Click();
}

bool TVtBitBtn::HasGlyph() {
    return (images_ && imageIndex_ != -1) || (glyph_->Width() > 0 && glyph_->Height() > 0);
}

TSize TVtBitBtn::GetGlyphSize() {
    if (images_ && imageIndex_ != -1) return TSize{images_->Width(), images_->Height()};
    if (glyph_->Width() == 0) return TSize{0, 0};
    return TSize{glyph_->Width() / numGlyphs_, glyph_->Height()};
}

int TVtBitBtn::CaptionHeight() {
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*Font());
    TRect r = TVtButton::GetCaptionRect(ClientRect());
    probe.Canvas()->DrawText(Caption(), r, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER | DT_VCENTER);
    return r.Height();
}

TRect TVtBitBtn::GetCaptionRect(TRect r) {
    r = TVtButton::GetCaptionRect(r);
    r.Right -= ArrowRoom();
    if (!HasGlyph()) return r;
    TSize g = GetGlyphSize();
    int th = CaptionHeight(), h = Height();
    int t = (h - (g.cy + th + spacing_)) / 2;
    switch (layout_) {
    case blGlyphLeft: r.Left += (margin_ == -1 ? -1 : margin_) + g.cx + spacing_; break;
    case blGlyphRight: r.Right -= (margin_ == -1 ? -1 : margin_) + g.cx + spacing_; break;
    case blGlyphTop:
        if (margin_ == -1) {
            r.Top += t + g.cy;
            r.Bottom = r.Top + th;
        } else {
            r.Top += margin_ + g.cy + spacing_;
        }
        break;
    case blGlyphBottom:
        if (margin_ == -1) {
            r.Top += t;
            r.Bottom = r.Top + th;
        } else {
            r.Bottom -= margin_ + g.cy + spacing_;
        }
        break;
    }
    return r;
}

TRect TVtBitBtn::GetGlyphRect() {
    TRect r = TVtButton::GetCaptionRect(ClientRect());
    bool themed = UsingTheme();
    if (Pressed()) OffsetRect(r, -1, themed ? 0 : -1);
    TSize g = GetGlyphSize();
    int th = CaptionHeight(), h = Height();
    int t = (h - (g.cy + th + spacing_)) / 2;
    switch (layout_) {
    case blGlyphLeft:
        if (margin_ != -1) r.Left += margin_;
        break;
    case blGlyphRight: r.Left = r.Right - (margin_ == -1 ? 0 : margin_) - g.cx - ArrowRoom(); break;
    case blGlyphTop: r.Top = margin_ == -1 ? t : r.Top + margin_; break;
    case blGlyphBottom: r.Top = margin_ == -1 ? r.Top + th + t : r.Bottom - margin_ - g.cy; break;
    }
    if (layout_ == blGlyphTop || layout_ == blGlyphBottom) {
        r.Left += (r.Right - r.Left - g.cx + 1) / 2 - ArrowRoom() / 2;
    } else {
        r.Top += (r.Bottom - r.Top - g.cy + 1) / 2;
    }
    r.Right = r.Left + g.cx;
    r.Bottom = r.Top + g.cy;
    if (Pressed()) OffsetRect(r, themed ? 2 : 1, themed ? 0 : 1);
    return r;
}

void TVtBitBtn::DrawImage(TCanvas* c, TRect r) {
    if (disabledIndex_ == -1)
        images_->Draw(c, r.Left, r.Top, imageIndex_, Enabled());
    else
        images_->Draw(c, r.Left, r.Top, Enabled() ? imageIndex_ : disabledIndex_, true);
}

void TVtBitBtn::DrawGlyph(TCanvas* c, TRect r) {
    TSize g = GetGlyphSize();
    int cell = numGlyphs_ > 1 && !Enabled() ? 1 : 0;
    TBitmap b(r.Width(), r.Height());
    b.Canvas()->CopyRect(TRect(0, 0, r.Width(), r.Height()), c, r);
    TColor transparent = glyph_->Canvas()->Pixel(0, glyph_->Height() - 1);
    StretchBitmapTransparent(b.Canvas(), TRect(0, 0, r.Width(), r.Height()), glyph_.get(),
                             TRect(cell * g.cx, 0, (cell + 1) * g.cx, g.cy), transparent);
    c->Draw(r.Left, r.Top, &b);
}

void TVtBitBtn::DrawButtonCaption(TCanvas* c) {
    TVtButton::DrawButtonCaption(c);
    if (Kind() == bkCustom && images_ && imageIndex_ != -1)
        DrawImage(c, GetGlyphRect());
    else if (glyph_->Width() > 0 && glyph_->Height() > 0)
        DrawGlyph(c, GetGlyphRect());
}

// ---------------------------------------------------------------- TVtMenuButton

const TClassInfo& TVtMenuButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtMenuButton;
        TClassInfo c{"TVtMenuButton", &TVtBitBtn::StaticClass(), Creator<C>(), {}, {}};
        c.props = {RefProp<C, TPopupMenu>("DropDownMenu", &C::DropDownMenu, &C::SetDropDownMenu),
                   BoolProp<C>("ShowArrow", &C::ShowArrow, &C::SetShowArrow, 1),
                   EventProp("OnDropDown", &C::OnDropDown)};
        return c;
    }();
    return ci;
}

TVtMenuButton::TVtMenuButton(TComponent* owner) : TVtBitBtn(owner) {
    SetWidth(110);
    SetControlStyle(ControlStyle() & ~uint32_t(csDoubleClicks));
}

void TVtMenuButton::SetDropDownMenu(TPopupMenu* m) {
    if (menu_) menu_->RemoveFreeNotification(this);
    menu_ = m;
    if (m) m->FreeNotification(this);
}

void TVtMenuButton::SetShowArrow(bool s) {
    if (s == showArrow_) return;
    showArrow_ = s;
    Invalidate();
}

void TVtMenuButton::Notification(TComponent* c, TOperation op) {
    TVtBitBtn::Notification(c, op);
    if (op == opRemove && c == menu_) menu_ = nullptr;
}

TPoint MenuDropPoint(TControl* c, TPopupMenu* menu) {
    TPoint p = c->ClientToScreen(TPoint(0, c->ClientHeight()));
    int menuWidth = 0;
    TBitmap probe(1, 1);
    for (int i = 0; menu && i < menu->Items()->Count(); ++i)
        menuWidth = IntMax(menuWidth, probe.Canvas()->TextWidth(menu->Items()->Items(i)->Caption()));
    menuWidth += 56;
    HMONITOR monitor = MonitorFromPoint(p, MONITOR_DEFAULTTONULL);
    int limit = monitor ? GetMonitorWorkArea(monitor).Right : GetSystemMetrics(SM_CXSCREEN);
    if (p.X + menuWidth > limit) p.X -= menuWidth - c->Width();
    return p;
}

TPoint TVtMenuButton::DropDownPoint() { return MenuDropPoint(this, menu_); }

void TVtMenuButton::DropDown() {
    if (!menu_) return;
    if (OnDropDown) OnDropDown(menu_);
    TPoint p = DropDownPoint();
    menu_->SetPopupComponent(this);
    menu_->Popup(p.X, p.Y);
}

void TVtMenuButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TVtBitBtn::MouseDown(button, shift, x, y);
    if (button != mbLeft || !ControlAlive(this)) return;
    // Tick counts wrap, so the age is taken in unsigned arithmetic.
    if (closedAt_ != 0 && DWORD(GetTickCount() - closedAt_) < 100) {
        suppress_ = true;
        closedAt_ = 0;
        SetMouseCapture(false);
    } else {
        DropDown();
        if (!ControlAlive(this)) return;
        suppress_ = true;
        closedAt_ = GetTickCount();
        if (closedAt_ == 0) closedAt_ = 1;
    }
    TVtBitBtn::MouseUp(mbLeft, shift, x, y);
    // The closing menu may have ended the press already, and then there was no click to swallow.
    if (ControlAlive(this)) suppress_ = false;
}

void TVtMenuButton::Click() {
    if (suppress_) {
        suppress_ = false;
        return;
    }
    if (menu_ && !EnterClick()) {
        MouseDown(mbLeft, 0, 0, 0);
        return;
    }
    TVtBitBtn::Click();
}

void TVtMenuButton::KeyDown(WORD& key, TShiftState shift) {
    TVtBitBtn::KeyDown(key, shift);
    if (key == VK_F4) {
        DropDown();
        suppress_ = true;
    }
}

void TVtMenuButton::Paint() {
    TVtBitBtn::Paint();
    if (!showArrow_) return;
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    int x = r.Right - 12, y = r.Top + r.Height() / 2 + 2;
    if (Pressed()) ++x, ++y;
    TColor col = Enabled() ? clBtnText : clBtnShadow;
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(col);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(col);
    TPoint tri[3] = {TPoint(x, y), TPoint(x - 3, y - 3), TPoint(x + 3, y - 3)};
    c->Polygon(tri, 3);
}

void RegisterHotTrackReader(const TClassInfo& cls, const std::string& name) {
    RegisterPropertyReader(cls, name, [name](TObject* o, const TFormValue& v) {
        if (!v.IsBoolean()) throw EFormResourceError(name + ": a Boolean expected");
        static_cast<TVtCustomButton*>(o)->SetHotTrack(v.IsTrue());
    });
}

// ---------------------------------------------------------------- TVtToolButton

static const TEnumInfo ToolStyleIdents{{"tsButton", "tsDropDown"}};

const TClassInfo& TVtToolButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtToolButton;
        TClassInfo c{"TVtToolButton", &TGraphicControl::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("AllowAllUp", &C::AllowAllUp, &C::SetAllowAllUp, 0),
                   OrdProp<C, int>("GroupIndex", &C::GroupIndex, &C::SetGroupIndex, 0),
                   BoolProp<C>("Down", &C::Down, &C::SetDown, 0),
                   BoolProp<C>("Flat", &C::Flat, &C::SetFlat, 1),
                   RefProp<C, TCustomImageList>("Images", &C::Images, &C::SetImages),
                   OrdProp<C, int>("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1),
                   OrdProp<C, int>("DownIndex", &C::DownIndex, &C::SetDownIndex, -1),
                   OrdProp<C, int>("DisabledIndex", &C::DisabledIndex, &C::SetDisabledIndex, -1),
                   OrdProp<C, int>("HotIndex", &C::HotIndex, &C::SetHotIndex, -1),
                   OrdProp<C, TButtonLayout>("Layout", &C::Layout, &C::SetLayout, blGlyphLeft, &ButtonLayoutIdents),
                   BoolProp<C>("ShowCaption", &C::ShowCaption, &C::SetShowCaption, 0),
                   BoolProp<C>("Transparent", &C::Transparent, &C::SetTransparent, 1),
                   OrdProp<C, TVtToolStyle>("ToolStyle", &C::ToolStyle, &C::SetToolStyle, tsButton, &ToolStyleIdents),
                   RefProp<C, TPopupMenu>("DropDownMenu", &C::DropDownMenu, &C::SetDropDownMenu),
                   BoolProp<C>("UseToolbarButtonLayout", &C::UseToolbarButtonLayout, &C::SetUseToolbarButtonLayout, 1),
                   BoolProp<C>("UseToolbarButtonSize", &C::UseToolbarButtonSize, &C::SetUseToolbarButtonSize, 1),
                   BoolProp<C>("UseToolbarShowCaption", &C::UseToolbarShowCaption, &C::SetUseToolbarShowCaption, 1),
                   EventProp("OnDropDown", &C::OnDropDown),
                   EventProp("OnMouseEnter", &C::OnMouseEnter),
                   EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

TVtToolButton::TVtToolButton(TComponent* owner) : TGraphicControl(owner) {
    // The click is the button's own, on a release that changes something.
    SetControlStyle((ControlStyle() | csCaptureMouse) & ~uint32_t(csClickEvents));
    TGraphicControl::SetBounds(Left(), Top(), 25, 25);
    SetParentColor(false);
    SetColor(clBtnFace);
}

TVtToolButton::~TVtToolButton() = default;

bool TVtToolButton::Themed() const { return ThemeServices()->ThemesEnabled(); }

TCustomImageList* TVtToolButton::ActiveImages() const {
    if (images_) return images_;
    auto* bar = dynamic_cast<TVtToolbar*>(Parent());
    return bar ? bar->Images() : nullptr;
}

void TVtToolButton::SetImages(TCustomImageList* l) {
    if (images_) images_->RemoveFreeNotification(this);
    images_ = l;
    if (l) {
        l->FreeNotification(this);
        TGraphicControl::SetBounds(Left(), Top(), IntMax(Width(), l->Width()), IntMax(Height(), l->Height()));
    }
    Invalidate();
}

void TVtToolButton::SetDropDownMenu(TPopupMenu* m) {
    if (menu_) menu_->RemoveFreeNotification(this);
    menu_ = m;
    if (m) m->FreeNotification(this);
}

void TVtToolButton::Notification(TComponent* c, TOperation op) {
    TGraphicControl::Notification(c, op);
    if (op != opRemove) return;
    if (c == images_) images_ = nullptr;
    if (c == menu_) menu_ = nullptr;
}

void TVtToolButton::SetFlat(bool f) { Change(flat_, f); }

void TVtToolButton::BroadcastGroup() { BroadcastGroupMessage(this, groupIndex_); }

void TVtToolButton::SetDown(bool d) {
    if (!ApplyGroupDown(down_, d, groupIndex_, allowAllUp_)) return;
    state_ = down_ ? 3 : 0;
    Invalidate();
    if (down_) BroadcastGroup();
}

void TVtToolButton::SetAllowAllUp(bool a) {
    allowAllUp_ = a;
    BroadcastGroup();
}

void TVtToolButton::SetGroupIndex(int g) {
    if (toolStyle_ == tsDropDown) g = 0;  // a drop-down button is never grouped
    groupIndex_ = g;
    if (g == 0 && down_) {
        // Only a grouped button can be down.
        down_ = false;
        state_ = Enabled() ? 0 : 1;
        Invalidate();
    }
    BroadcastGroup();
}

void TVtToolButton::SetToolStyle(TVtToolStyle s) {
    if (s == toolStyle_) return;
    toolStyle_ = s;
    groupIndex_ = 0;
    if (!IsLoading())
        TGraphicControl::SetBounds(Left(), Top(), Width() + (s == tsDropDown ? DropDownWidth : -DropDownWidth), Height());
    Invalidate();
}

void TVtToolButton::SetShowCaption(bool s) {
    if (!IsLoading() && !sizing_) useCaption_ = false;
    if (s == showCaption_) return;
    showCaption_ = s;
    if (!sizing_) Perform(TVtToolbar::CM_TOOLBARSIZE, 0, 0);
    Invalidate();
}

void TVtToolButton::SetBounds(int l, int t, int w, int h) {
    if (!IsLoading() && !sizing_ && (w != Width() || h != Height())) useSize_ = false;
    TGraphicControl::SetBounds(l, t, w, h);
}

void TVtToolButton::SetUseToolbarButtonLayout(bool u) {
    useLayout_ = u;
    if (u && !IsLoading()) Perform(TVtToolbar::CM_TOOLBARLAYOUT, 0, 0);
}

void TVtToolButton::SetUseToolbarButtonSize(bool u) {
    useSize_ = u;
    if (u && !IsLoading()) Perform(TVtToolbar::CM_TOOLBARSIZE, 0, 0);
}

void TVtToolButton::SetUseToolbarShowCaption(bool u) {
    useCaption_ = u;
    if (u && !IsLoading()) Perform(TVtToolbar::CM_TOOLBARCAPTIONS, 0, 0);
}

void TVtToolButton::Refresh() {
    Perform(TVtToolbar::CM_TOOLBARCAPTIONS, 0, 0);
    Perform(TVtToolbar::CM_TOOLBARLAYOUT, 0, 0);
    Perform(TVtToolbar::CM_TOOLBARSIZE, 0, 0);
}

void TVtToolButton::SetParent(TWinControl* p) {
    TGraphicControl::SetParent(p);
    if (!IsLoading()) Refresh();
}

void TVtToolButton::Loaded() {
    TGraphicControl::Loaded();
    Refresh();
}

TRect TVtToolButton::ContentRect() const {
    TRect r = ClientRect();
    if (toolStyle_ == tsDropDown) r.Right -= DropDownWidth;
    InflateRect(r, -2, -2);
    return r;
}

void TVtToolButton::Dispatch(TMessage& m) {
    auto* bar = dynamic_cast<TVtToolbar*>(Parent());
    switch (m.Msg) {
    case TVtToolbar::CM_TOOLBARCAPTIONS:
        if (bar && useCaption_) {
            sizing_ = true;
            SetShowCaption(bar->ShowButtonCaptions());
            sizing_ = false;
        }
        return;
    case TVtToolbar::CM_TOOLBARLAYOUT:
        if (bar && useLayout_) SetLayout(bar->ButtonLayout());
        return;
    case TVtToolbar::CM_TOOLBARSIZE:
        if (bar && useSize_) {
            int w = bar->ButtonWidth();
            if (showCaption_) {
                TBitmap probe(1, 1);
                probe.Canvas()->SetFont(*Font());
                int tw = probe.Canvas()->TextWidth(Caption());
                TCustomImageList* il = ActiveImages();
                int iw = il && imageIndex_ != -1 ? il->Width() : 0;
                w = layout_ == blGlyphLeft || layout_ == blGlyphRight ? IntMax(w, iw + tw + 12) : IntMax(w, tw + 8);
            }
            if (toolStyle_ == tsDropDown) w += DropDownWidth;
            sizing_ = true;
            SetBounds(Left(), Top(), w, bar->ButtonHeight());
            sizing_ = false;
            bar->PositionControls();  // a new size moves the controls after it
        }
        return;
    case TVtButton::CM_BUTTONPRESSED: {
        auto* sender = dynamic_cast<TVtToolButton*>(reinterpret_cast<TControl*>(m.LParam));
        if (int(m.WParam) == groupIndex_ && sender && sender != this &&
            ReceiveGroupMessage(down_, allowAllUp_, sender->Down(), sender->AllowAllUp())) {
            state_ = Enabled() ? 0 : 1;
            Invalidate();
        }
        return;
    }
    case CM_TEXTCHANGED:
        TGraphicControl::Dispatch(m);
        if (!IsLoading()) Refresh();
        return;
    case CM_ENABLEDCHANGED:
        state_ = !Enabled() ? 1 : down_ && groupIndex_ != 0 ? 3 : 0;
        Invalidate();
        break;
    case CM_MOUSEENTER:
        if (IsDesigning()) break;
        mouseIn_ = true;
        if (OnMouseEnter) OnMouseEnter(this);
        Invalidate();
        break;
    case CM_MOUSELEAVE:
        mouseIn_ = false;
        if (OnMouseLeave) OnMouseLeave(this);
        Invalidate();
        break;
    default: break;
    }
    TGraphicControl::Dispatch(m);
}

void TVtToolButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (toolStyle_ == tsDropDown && x >= Width() - DropDownWidth) {
        SetMouseCapture(false);
        // A press that arrives just as the menu closed only closed it; tick counts wrap, hence unsigned.
        if (closedAt_ != 0 && DWORD(GetTickCount() - closedAt_) < 100) {
            closedAt_ = 0;
            return;
        }
        if (!menu_) return;
        state_ = 4;
        Repaint();
        if (OnDropDown) OnDropDown(menu_);
        TPoint p = MenuDropPoint(this, menu_);
        menu_->SetPopupComponent(this);
        menu_->Popup(p.X, p.Y);
        if (!ControlAlive(this)) return;
        closedAt_ = GetTickCount();
        if (closedAt_ == 0) closedAt_ = 1;
        state_ = down_ && groupIndex_ != 0 ? 3 : 0;
        Invalidate();
        return;
    }
    tracking_ = true;
    state_ = down_ ? 3 : 2;
    Invalidate();
}

void TVtToolButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!tracking_) return;
    bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
    int s = down_ ? 3 : inside ? 2 : 0;
    if (s != state_) {
        state_ = s;
        Invalidate();
    }
}

void TVtToolButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !tracking_) return;
    tracking_ = false;
    bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
    bool click = false;
    if (inside) {
        if (groupIndex_ == 0) {
            click = true;
        } else {
            bool was = down_;
            SetDown(!down_);
            click = down_ != was;
        }
    }
    state_ = down_ && groupIndex_ != 0 ? 3 : 0;
    Invalidate();
    if (click) Click();
}

void TVtToolButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    bool hot = (mouseIn_ && Enabled()) || IsDesigning();
    bool pressedLook = state_ == 2 || state_ == 3 || state_ == 4;
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Brush()->SetStyle(bsSolid);
    TRect body = r;
    if (toolStyle_ == tsDropDown) body.Right -= DropDownWidth;
    TRect in = body;
    if (!transparent_) {
        c->Brush()->SetColor(Color());
        c->FillRect(r);
    }
    if (Themed()) {
        TThemedState st = !Enabled() ? tsDisabled : pressedLook ? tsPressed : hot ? tsHot : tsNormal;
        if (!flat_ || hot || pressedLook)
            ThemeServices()->DrawElement(c, ThemeServices()->GetElementDetails(tpToolButton, st), body);
    } else if (flat_) {
        if (pressedLook)
            in = DrawBorder(c, body, fsStatus);
        else if (hot)
            in = DrawBorder(c, body, fsPopup);
    } else {
        in = DrawBorder(c, body, state_ == 2 || state_ == 3 ? fsLowered : fsButtonUp);
    }
    if (!Themed() && state_ == 3 && (!flat_ || !hot)) {
        TColor a = transparent_ ? clBtnFace : Color(), b = transparent_ ? clBtnHighlight : LighterColor(Color(), 20);
        for (int y = in.Top; y < in.Bottom; ++y)
            for (int x = in.Left; x < in.Right; ++x) c->SetPixel(x, y, (x & 1) == (y & 1) ? b : a);
    }
    if (toolStyle_ == tsDropDown) {
        TRect part(r.Right - DropDownWidth, r.Top, r.Right, r.Bottom);
        if (!flat_ || hot || pressedLook) DrawBorder(c, part, state_ == 4 ? fsStatus : flat_ ? fsPopup : fsButtonUp);
        int x = r.Right - 8, y = r.Top + r.Height() / 2 + 2;
        if (state_ == 2 || state_ == 4) ++x, ++y;
        TColor col = Enabled() ? clBtnText : clBtnShadow;
        c->Pen()->SetColor(col);
        c->Brush()->SetColor(col);
        TPoint tri[3] = {TPoint(x, y), TPoint(x - 2, y - 2), TPoint(x + 2, y - 2)};
        c->Polygon(tri, 3);
    }
    // Image and caption share the content rectangle by Layout.
    TRect content = ContentRect();
    if (state_ == 2 || state_ == 3) OffsetRect(content, 1, Themed() ? 0 : 1);
    TCustomImageList* il = ActiveImages();
    bool image = il && imageIndex_ != -1;
    TRect text = content;
    if (image) {
        int iw = il->Width(), ih = il->Height();
        bool captioned = showCaption_ && !Caption().empty();
        int ix = content.Left + (content.Width() - iw) / 2, iy = content.Top + (content.Height() - ih) / 2;
        if (captioned) {
            switch (layout_) {
            case blGlyphLeft: ix = content.Left; text.Left += iw + 2; break;
            case blGlyphRight: ix = content.Right - iw; text.Right -= iw + 2; break;
            case blGlyphTop: iy = content.Top; text.Top += ih + 2; break;
            case blGlyphBottom: iy = content.Bottom - ih; text.Bottom -= ih + 2; break;
            }
        }
        int index = imageIndex_;
        bool enabledLook = true;
        if ((state_ == 2 || state_ == 3) && down_ && downIndex_ != -1) {
            index = downIndex_;
        } else if (disabledIndex_ == -1) {
            if (hot && hotIndex_ != -1) index = hotIndex_;
            enabledLook = Enabled();
        } else {
            index = !Enabled() ? disabledIndex_ : hot && hotIndex_ != -1 ? hotIndex_ : imageIndex_;
        }
        il->Draw(c, ix, iy, index, enabledLook);
    }
    if (showCaption_ && !Caption().empty()) {
        c->SetFont(*Font());
        if (!Enabled()) c->Font()->SetColor(clGrayText);
        c->Brush()->SetStyle(bsClear);
        TRect calc = text;
        UINT flags = DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS | (UseRightToLeftAlignment() ? UINT(DT_RTLREADING) : 0u);
        c->DrawText(Caption(), calc, flags | DT_CALCRECT);
        text.Top += (text.Height() - calc.Height()) / 2;
        c->DrawText(Caption(), text, flags);
        c->Brush()->SetStyle(bsSolid);
    }
}

// ---------------------------------------------------------------- TVtToolbarButton

const TClassInfo& TVtToolbarButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtToolbarButton;
        TClassInfo c{"TVtToolbarButton", &TSpeedButton::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, int>("HotNumGlyphs", &C::HotNumGlyphs, &C::SetHotNumGlyphs, 1),
                   BoolProp<C>("UseHotGlyph", &C::UseHotGlyph, &C::SetUseHotGlyph, 0),
                   BoolProp<C>("IgnoreActionCaption", &C::IgnoreActionCaption, &C::SetIgnoreActionCaption, 0),
                   BoolProp<C>("ShowCaption", &C::ShowCaption, &C::SetShowCaption, 1),
                   BoolProp<C>("Flat", &C::Flat, &C::SetFlat, 1),
                   EventProp("OnMouseEnter", &C::OnMouseEnter),
                   EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

TVtToolbarButton::TVtToolbarButton(TComponent* owner) : TSpeedButton(owner) { SetFlat(true); }

TVtToolbarButton::~TVtToolbarButton() = default;

void TVtToolbarButton::SetHotGlyph(const TBitmap* b) {
    bool given = b && !b->Empty();
    if (given) {
        if (!hotGlyph_) hotGlyph_ = std::make_unique<TBitmap>();
        hotGlyph_->Assign(*b);
        int w = hotGlyph_->Width(), h = hotGlyph_->Height();
        if (w % h == 0) hotNumGlyphs_ = w / h > 4 ? 1 : w / h;
    } else {
        hotGlyph_.reset();
    }
    useHotGlyph_ = given;
    if (hotShown_) ShowHot();
}

void TVtToolbarButton::SetHotNumGlyphs(TNumGlyphs n) {
    hotNumGlyphs_ = std::clamp(n, 1, 4);
    if (hotShown_) SetNumGlyphs(hotNumGlyphs_);
}

void TVtToolbarButton::ShowHot() {
    // The normal glyph is saved once, so a hot glyph already up is never taken for it.
    if (savedNumGlyphs_ == 0) {
        savedGlyph_.reset();
        if (Glyph()) {
            savedGlyph_ = std::make_unique<TBitmap>();
            savedGlyph_->Assign(*Glyph());
        }
        savedNumGlyphs_ = NumGlyphs();
    }
    SetGlyph(hotGlyph_.get());
    SetNumGlyphs(hotNumGlyphs_);
    hotShown_ = true;
}

void TVtToolbarButton::RestoreNormal() {
    if (savedNumGlyphs_ != 0) {
        SetGlyph(savedGlyph_.get());
        SetNumGlyphs(savedNumGlyphs_);
        savedGlyph_.reset();
        savedNumGlyphs_ = 0;
    }
    hotShown_ = false;
}

void TVtToolbarButton::SetShowCaption(bool s) {
    if (s == showCaption_) return;
    showCaption_ = s;
    if (!s) {
        // A form may give the kept caption before it hides the (empty) visible one.
        if (!(IsLoading() && Caption().empty())) savedCaption_ = Caption();
        SetCaption("");
    } else {
        SetCaption(savedCaption_);
        savedCaption_.clear();
    }
    Invalidate();
}

void TVtToolbarButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (useHotGlyph_ && savedNumGlyphs_ != 0) hotShown_ = true;
    TSpeedButton::MouseDown(b, s, x, y);
}

void TVtToolbarButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_MOUSEENTER:
        if (IsDesigning()) break;
        mouseIn_ = true;
        if (OnMouseEnter) OnMouseEnter(this);
        if (!ControlAlive(this)) return;
        if (useHotGlyph_ && Enabled()) {
            if (!hotShown_) ShowHot();
        } else {
            hotShown_ = false;
        }
        Invalidate();
        break;
    case CM_MOUSELEAVE:
        mouseIn_ = false;
        if (OnMouseLeave) OnMouseLeave(this);
        if (!ControlAlive(this)) return;
        if (useHotGlyph_ && Enabled()) {
            RestoreNormal();
            Invalidate();
        }
        break;
    case CM_DIALOGCHAR:
        if (IsAccel(char(m.WParam), Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TSpeedButton::Dispatch(m);
}

void RegisterToolbarButtonClass() {
    RegisterClass(TVtToolbarButton::StaticClass());
    RegisterPropertyReader(TVtToolbarButton::StaticClass(), "SaveCaption", [](TObject* o, const TFormValue& v) {
        if (v.kind != TFormValue::String && v.kind != TFormValue::Ident)
            throw EFormResourceError("SaveCaption: a string expected");
        static_cast<TVtToolbarButton*>(o)->SetSaveCaption(v.s);
    });
}

// ---------------------------------------------------------------- action links

void TVtBitBtn::ActionChange(TObject* sender, bool checkDefaults) {
    TVtButton::ActionChange(sender, checkDefaults);
    if (auto* a = dynamic_cast<TAction*>(sender); a && !(checkDefaults && imageIndex_ != -1))
        SetImageIndex(a->ImageIndex());
}

namespace {
// Down stands for the action's Checked; the tool button also shows the action's image index.
template <class B>
class TDownActionLink : public TControlActionLink {
public:
    explicit TDownActionLink(B* b) : TControlActionLink(b), button_(b) {}
    bool IsCheckedLinked() const override {
        return TControlActionLink::IsCheckedLinked() && button_->Down() == Act()->Checked();
    }
    void SetChecked(bool c) override {
        if (IsCheckedLinked()) button_->SetDown(c);
    }
    bool IsImageIndexLinked() const override {
        if constexpr (std::is_same_v<B, TVtToolButton>)
            return TControlActionLink::IsImageIndexLinked() && button_->ImageIndex() == Act()->ImageIndex();
        else
            return TControlActionLink::IsImageIndexLinked();
    }
    void SetImageIndex(int i) override {
        if constexpr (std::is_same_v<B, TVtToolButton>)
            if (IsImageIndexLinked()) button_->SetImageIndex(i);
    }
    bool IsCaptionLinked() const override {
        if constexpr (std::is_same_v<B, TVtToolbarButton>)
            if (button_->IgnoreActionCaption()) return false;
        return TControlActionLink::IsCaptionLinked();
    }

protected:
    B* button_;
};
}  // namespace

TControlActionLink* TVtToolButton::CreateActionLink() { return new TDownActionLink<TVtToolButton>(this); }

void TVtToolButton::ActionChange(TObject* sender, bool checkDefaults) {
    TGraphicControl::ActionChange(sender, checkDefaults);
    auto* a = dynamic_cast<TAction*>(sender);
    if (!a) return;
    if (!(checkDefaults && down_)) SetDown(a->Checked());
    if (!(checkDefaults && imageIndex_ != -1)) SetImageIndex(a->ImageIndex());
}

TControlActionLink* TVtToolbarButton::CreateActionLink() { return new TDownActionLink<TVtToolbarButton>(this); }

void TVtToolbarButton::ActionChange(TObject* sender, bool checkDefaults) {
    const std::string kept = Caption();
    TSpeedButton::ActionChange(sender, checkDefaults);
    auto* a = dynamic_cast<TAction*>(sender);
    if (!a) return;
    if (ignoreActionCaption_) SetCaption(kept);
    TCustomImageList* images = a->ActionList() ? a->ActionList()->Images() : nullptr;
    if (images && a->ImageIndex() >= 0 && a->ImageIndex() < images->Count()) {
        TBitmap g;
        g.SetWidth(images->Width());
        g.SetHeight(images->Height());
        g.Canvas()->Brush()->SetColor(TColor(0xFF00FF));
        g.Canvas()->FillRect(TRect(0, 0, g.Width(), g.Height()));
        images->Draw(g.Canvas(), 0, 0, a->ImageIndex());
        SetGlyph(&g);
    }
    if (!(checkDefaults && Down())) SetDown(a->Checked());
}
