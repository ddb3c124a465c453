#include "platform/ui/Buttons.h"

#include <algorithm>

const TEnumInfo ButtonLayoutIdents{{"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}};

const TClassInfo& TSpeedButton::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TSpeedButton", &TGraphicControl::StaticClass(), Creator<TSpeedButton>(), {}, {}};
        c.props = {BoolProp<TSpeedButton>("Down", &TSpeedButton::Down, &TSpeedButton::SetDown, 0),
                   OrdProp<TSpeedButton, int>("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex, 0),
                   BoolProp<TSpeedButton>("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp, 0),
                   BoolProp<TSpeedButton>("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat, 0),
                   OrdProp<TSpeedButton, int>("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs, 1),
                   OrdProp<TSpeedButton, TButtonLayout>("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout,
                                                        blGlyphLeft, &ButtonLayoutIdents),
                   OrdProp<TSpeedButton, int>("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin, -1),
                   OrdProp<TSpeedButton, int>("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing, 4)};
        return c;
    }();
    return ci;
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 23, 22);
    SetControlStyle(ControlStyle() & ~uint32_t(csDoubleClicks));
}

TSpeedButton::~TSpeedButton() = default;

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
    if (d && Parent()) {
        TMessage m{CM_BUTTONPRESSED, WPARAM(groupIndex_), reinterpret_cast<LPARAM>(this), 0};
        Parent()->Broadcast(m);
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

void TSpeedButton::SetGlyph(const TBitmap* b) {
    if (!b || b->Empty()) {
        glyph_.reset();
    } else {
        if (!glyph_) glyph_ = std::make_unique<TBitmap>();
        glyph_->Assign(*b);
        int w = glyph_->Width(), h = glyph_->Height();
        if (w % h == 0 && w / h >= 2 && w / h <= 4) numGlyphs_ = w / h;
    }
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs n) {
    numGlyphs_ = std::clamp(n, 1, 4);
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout l) {
    layout_ = l;
    Invalidate();
}

void TSpeedButton::SetMargin(int m) {
    margin_ = std::max(m, -1);
    Invalidate();
}

void TSpeedButton::SetSpacing(int s) {
    spacing_ = std::max(s, -1);
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
    case CM_BUTTONPRESSED:
        if (int(m.WParam) == groupIndex_ && reinterpret_cast<TSpeedButton*>(m.LParam) != this && down_) {
            down_ = false;
            Invalidate();
        }
        break;
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

void TSpeedButton::LayoutIn(TCanvas* c, const TRect& face, TRect& glyph, TRect& caption) {
    TSize g{0, 0}, t{0, 0};
    if (glyph_) g = TSize{glyph_->Width() / numGlyphs_, glyph_->Height()};
    if (!Caption().empty()) t = c->TextExtent(Caption());
    bool across = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    int room = across ? face.Width() : face.Height();
    int gl = across ? g.cx : g.cy, tl = across ? t.cx : t.cy;
    int margin = margin_, spacing = gl == 0 || tl == 0 ? 0 : spacing_;
    if (margin == -1 && spacing == -1) {
        margin = spacing = (room - gl - tl) / 3;
    } else if (margin == -1) {
        margin = (room - gl - spacing - tl + 1) / 2;
    } else if (spacing == -1) {
        spacing = (room - margin - gl - tl) / 2;
    }
    // Along the layout axis: glyph first for left and top, caption first for right and bottom.
    bool glyphFirst = layout_ == blGlyphLeft || layout_ == blGlyphTop;
    int start = across ? face.Left : face.Top, end = across ? face.Right : face.Bottom;
    int gPos = glyphFirst ? start + margin : end - margin - gl;
    int tPos = glyphFirst ? gPos + gl + spacing : gPos - spacing - tl;
    auto place = [&](TSize sz, int pos) {
        if (across) {
            int top = face.Top + (face.Height() - sz.cy + 1) / 2;
            return TRect(pos, top, pos + sz.cx, top + sz.cy);
        }
        int left = face.Left + (face.Width() - sz.cx + 1) / 2;
        return TRect(left, pos, left + sz.cx, pos + sz.cy);
    };
    glyph = place(g, gPos);
    // Without a glyph a centred caption takes the whole face, as it always did.
    caption = gl == 0 && margin_ == -1 ? face : place(t, tPos);
}

void TSpeedButton::ContentRects(TRect& glyph, TRect& caption) {
    Canvas()->SetFont(*Font());
    LayoutIn(Canvas(), ClientRect(), glyph, caption);
}

void TSpeedButton::PaintContent(TCanvas* c, const TRect& face) {
    TRect g, t;
    LayoutIn(c, face, g, t);
    if (glyph_ && !g.IsEmpty()) {
        int cell = !Enabled() ? 1 : pressed_ ? 2 : down_ ? 3 : 0;
        if (cell >= numGlyphs_) cell = 0;
        TBitmap part(g.Width(), g.Height());
        part.Canvas()->CopyRect(TRect(0, 0, g.Width(), g.Height()), glyph_->Canvas(),
                                TRect(cell * g.Width(), 0, (cell + 1) * g.Width(), g.Height()));
        part.SetTransparent(true);
        c->Draw(g.Left, g.Top, &part);
    }
    if (!Caption().empty()) c->DrawText(Caption(), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
