#include "widgets/VtButton.h"

#include <algorithm>

#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"

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
