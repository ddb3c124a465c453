#include "widgets/VtButton.h"

#include <algorithm>

#include "platform/ui/ActnList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Themes.h"
#include "widgets/VtButtonInternal.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"
#include "widgets/VtPanel.h"

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

TControlActionLink* TVtToolButton::CreateActionLink() { return new TDownActionLink<TVtToolButton>(this); }

void TVtToolButton::ActionChange(TObject* sender, bool checkDefaults) {
    TGraphicControl::ActionChange(sender, checkDefaults);
    auto* a = dynamic_cast<TAction*>(sender);
    if (!a) return;
    if (!(checkDefaults && down_)) SetDown(a->Checked());
    if (!(checkDefaults && imageIndex_ != -1)) SetImageIndex(a->ImageIndex());
}
