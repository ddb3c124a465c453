#include "widgets/VtButton.h"

#include <algorithm>

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Themes.h"
#include "platform/ui/Windows.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"

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
