#include "widgets/VtTabs.h"

#include "widgets/VtGrafx.h"

// ---------------------------------------------------------------- close button
QM_CLASS_RECORD(TVtTabCloseButton, TVtTabButton)

void TVtTabCloseButton::Activated() {
    if (OnClose) OnClose(this);
}

void TVtTabCloseButton::Paint() {
    TCanvas* c = Canvas();
    TRect r(0, 0, Width(), Height());
    bool active = tabs_ && tabs_->TabIndex() >= 0;
    if (ThemesActive()) {
        DrawThemedCloseButton(c, r, inside_, active);
        return;
    }
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(inside_ ? clBtnShadow : clBtnFace);
    c->FillRect(r);
    c->Pen()->SetColor(active ? clBtnText : clBtnShadow);
    int d = inside_ ? 1 : 0, m = std::max(3, Width() / 4);
    for (int k = 0; k < 2; ++k) {  // two pixels thick
        c->MoveTo(m + d + k, m + d);
        c->LineTo(Width() - m + d + k, Height() - m + d);
        c->MoveTo(Width() - m - 1 + d - k, m + d);
        c->LineTo(m - 1 + d - k, Height() - m + d);
    }
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(frameColor_);
    c->Rectangle(r);
    c->Brush()->SetStyle(bsSolid);
}
