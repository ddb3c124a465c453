#include "widgets/VtButton.h"

#include "platform/ui/Forms.h"
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
