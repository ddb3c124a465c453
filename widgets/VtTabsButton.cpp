#include "widgets/VtTabs.h"

// ---------------------------------------------------------------- strip buttons
QM_CLASS_RECORD(TVtTabButton, TCustomControl)

TVtTabButton::TVtTabButton(TComponent* owner)
    : TCustomControl(owner), tabs_(dynamic_cast<TVtCustomTabControl*>(owner)) {
    SetControlStyle(ControlStyle() | csOpaque);
    SetBounds(-20, -20, 14, 14);
}

void TVtTabButton::SetFrameColor(TColor c) {
    if (frameColor_ == c) return;
    frameColor_ = c;
    Invalidate();
}

void TVtTabButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    PressAt(x, y);
    pressed_ = inside_ = true;
    Invalidate();
    SetMouseCapture(true);
    TCustomControl::MouseDown(b, s, x, y);
}

void TVtTabButton::MouseMove(TShiftState s, int x, int y) {
    if (pressed_ && InPressedPart(x, y) != inside_) {
        inside_ = !inside_;
        Invalidate();
    }
    TCustomControl::MouseMove(s, x, y);
}

void TVtTabButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    SetMouseCapture(false);
    bool fire = pressed_ && InPressedPart(x, y);
    pressed_ = inside_ = false;
    Invalidate();
    TCustomControl::MouseUp(b, s, x, y);
    if (fire) Activated();  // last: closing a tab may free a page, never this button
}
