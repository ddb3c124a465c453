#include "platform/ui/Buttons.h"

const TClassInfo& TSpeedButton::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TSpeedButton", &TGraphicControl::StaticClass(), Creator<TSpeedButton>(), {}, {}};
        c.props = {BoolProp<TSpeedButton>("Down", &TSpeedButton::Down, &TSpeedButton::SetDown, 0),
                   OrdProp<TSpeedButton, int>("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex, 0),
                   BoolProp<TSpeedButton>("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp, 0),
                   BoolProp<TSpeedButton>("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat, 0)};
        return c;
    }();
    return ci;
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 23, 22);
    SetControlStyle(ControlStyle() & ~uint32_t(csDoubleClicks));
}

void TSpeedButton::SetDown(bool d) {
    if (groupIndex_ == 0) d = false;
    if (d == down_) return;
    if (!d && !allowAllUp_ && !IsLoading()) {
        // The last button down of a group stays down.
        bool other = false;
        if (Parent())
            for (int i = 0; i < Parent()->ControlCount(); ++i)
                if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
                    b && b != this && b->groupIndex_ == groupIndex_ && b->down_)
                    other = true;
        if (!other) return;
    }
    down_ = d;
    if (d && Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
                b && b != this && b->groupIndex_ == groupIndex_ && b->down_) {
                b->down_ = false;
                b->Invalidate();
            }
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int g) {
    groupIndex_ = g;
    if (g == 0) SetDown(false);
}

void TSpeedButton::SetFlat(bool f) {
    flat_ = f;
    Invalidate();
}

void TSpeedButton::Click() {
    if (groupIndex_ != 0) {
        if (!down_) SetDown(true);
        else if (allowAllUp_) SetDown(false);
    }
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft && Enabled()) {
        pressed_ = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(b, s, x, y);
}

void TSpeedButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft && pressed_) {
        pressed_ = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(b, s, x, y);
}

void TSpeedButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        hot_ = m.Msg == CM_MOUSEENTER;
        if (flat_) Invalidate();
        break;
    default: break;
    }
    TGraphicControl::Dispatch(m);
}

void TSpeedButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(down_ && !pressed_ ? cl3DLight : clBtnFace);
    c->FillRect(r);
    bool sunk = pressed_ || down_;
    if (!flat_ || hot_ || sunk) {
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetColor(sunk ? clBtnShadow : clBtnHighlight);
        c->MoveTo(r.Left, r.Bottom - 1);
        c->LineTo(r.Left, r.Top);
        c->LineTo(r.Right - 1, r.Top);
        c->Pen()->SetColor(sunk ? clBtnHighlight : clBtnShadow);
        c->LineTo(r.Right - 1, r.Bottom - 1);
        c->LineTo(r.Left - 1, r.Bottom - 1);
    }
    c->SetFont(*Font());
    if (!Enabled()) c->Font()->SetColor(clGrayText);
    c->Brush()->SetStyle(bsClear);
    TRect t = r;
    if (sunk) OffsetRect(t, 1, 1);
    PaintContent(c, t);
    c->Brush()->SetStyle(bsSolid);
}

void TSpeedButton::PaintContent(TCanvas* c, const TRect& face) {
    TRect t = face;
    c->DrawText(Caption(), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
