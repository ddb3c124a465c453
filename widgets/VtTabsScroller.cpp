#include "widgets/VtTabs.h"

#include "widgets/VtGrafx.h"

QM_CLASS_RECORD(TVtTabScroller, TVtTabButton)

void TVtTabScroller::SetOrientation(TOrientation o) {
    if (orientation_ == o) return;
    orientation_ = o;
    Invalidate();
}

void TVtTabScroller::PressAt(int x, int y) {
    half_ = orientation_ == orHorizontal ? (x >= Width() / 2 ? 1 : 0) : (y <= Height() / 2 ? 1 : 0);
}

bool TVtTabScroller::InPressedPart(int x, int y) const {
    if (!TVtTabButton::InPressedPart(x, y)) return false;
    if (orientation_ == orHorizontal) return (x >= Width() / 2) == (half_ == 1);
    return (y <= Height() / 2) == (half_ == 1);
}

void TVtTabScroller::Activated() {
    TNotifyEvent& e = half_ == 1 ? OnUpRightClick : OnDownLeftClick;
    if (e) e(this);
}

void TVtTabScroller::Paint() {
    TCanvas* c = Canvas();
    bool horz = orientation_ == orHorizontal;
    int w = Width(), h = Height();
    for (int half = 0; half < 2; ++half) {
        TRect r = horz ? (half == 0 ? TRect(0, 0, w / 2 + 1, h) : TRect(w / 2, 0, w, h))
                       : (half == 0 ? TRect(0, h / 2, w, h) : TRect(0, 0, w, h / 2 + 1));
        bool forward = tabs_ && (half == 1) == tabs_->UpRightScrollsForward();
        bool enabled = tabs_ && tabs_->CanScroll(forward);
        TArrowDirection dir = horz ? (half == 0 ? adLeft : adRight) : (half == 0 ? adDown : adUp);
        if (ThemesActive()) {
            DrawThemedScrollArrow(c, r, dir, inside_ && half_ == half, enabled);
            continue;
        }
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(r);
        DrawArrow(c, r, 0, dir, inside_ && half_ == half, enabled);
        c->Brush()->SetStyle(bsClear);
        c->Pen()->SetColor(frameColor_);
        c->Rectangle(r);
        c->Brush()->SetStyle(bsSolid);
    }
}
