#include "widgets/VtStatus.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Themes.h"
#include "widgets/VtPanel.h"

const TClassInfo& TVtCustomStatusPane::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomStatusPane;
        TClassInfo c{"TVtCustomStatusPane", &TGraphicControl::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<C, TAlignment>("Alignment", &C::Alignment, &C::SetAlignment, taLeftJustify, &AlignmentIdents),
                   OrdProp<C, int>("CaptionOffset", &C::CaptionOffset, &C::SetCaptionOffset, 2),
                   BoolProp<C>("AutoSize", &C::AutoSize, &C::SetAutoSize, 0),
                   OrdProp<C, int>("DefaultWidth", &C::DefaultWidth, &C::SetDefaultWidth, 40),
                   BoolProp<C>("AutoHint", &C::AutoHint, &C::SetAutoHint, 0),
                   BoolProp<C>("Blinking", &C::Blinking, &C::SetBlinking, 0),
                   OrdProp<C, TColor>("BlinkColor", &C::BlinkColor, &C::SetBlinkColor, clHighlight),
                   OrdProp<C, uint16_t>("BlinkIntervalOn", &C::BlinkIntervalOn, &C::SetBlinkIntervalOn, 500),
                   OrdProp<C, uint16_t>("BlinkIntervalOff", &C::BlinkIntervalOff, &C::SetBlinkIntervalOff, 500),
                   OrdProp<C, int>("BorderWidth", &C::BorderWidth, &C::SetBorderWidth, 1),
                   OrdProp<C, TColor>("FillColor", &C::FillColor, &C::SetFillColor, clBtnFace),
                   BoolProp<C>("ParentFillColor", &C::ParentFillColor, &C::SetParentFillColor, 1),
                   OrdProp<C, TColor>("FlatColor", &C::FlatColor, &C::SetFlatColor, clBtnShadow),
                   OrdProp<C, int>("FlatColorAdjustment", &C::FlatColorAdjustment, &C::SetFlatColorAdjustment, 30),
                   OrdProp<C, TFrameStyle>("FrameStyle", &C::FrameStyle, &C::SetFrameStyle, fsFlat, &FrameStyleIdents),
                   RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController),
                   EventProp("OnMouseEnter", &C::OnMouseEnter),
                   EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

TVtCustomStatusPane::TVtCustomStatusPane(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csOpaque);
    SetBounds(Left(), Top(), 100, 20);
    SetParentColor(true);
    normalColor_ = textColor_ = Font()->Color();
    TVtBlinkingControlsList::Instance()->Add(this);
}

TVtCustomStatusPane::~TVtCustomStatusPane() {
    if (frameController_) frameController_->RemoveControl(this);
    if (auto* list = TVtBlinkingControlsList::Current()) list->Remove(this);
}

void TVtCustomStatusPane::Notification(TComponent* c, TOperation op) {
    TGraphicControl::Notification(c, op);
    if (op == opRemove && c == frameController_) frameController_ = nullptr;
}

void TVtCustomStatusPane::SetCaptionOffset(int o) {
    if (o == captionOffset_) return;
    captionOffset_ = o;
    AdjustSize();
    Invalidate();
}

void TVtCustomStatusPane::SetAutoSize(bool a) {
    if (a == autoSize_) return;
    autoSize_ = a;
    AdjustSize();
}

void TVtCustomStatusPane::SetDefaultWidth(int w) {
    if (w == defaultWidth_) return;
    defaultWidth_ = w;
    AdjustSize();
}

void TVtCustomStatusPane::SetBlinking(bool b) {
    if (b == blinking_) return;
    blinking_ = b;
    if (!b) textColor_ = normalColor_;
    Invalidate();
}

uint16_t TVtCustomStatusPane::BlinkIntervalOn() const { return TVtBlinkingControlsList::Instance()->BlinkIntervalOn(); }
void TVtCustomStatusPane::SetBlinkIntervalOn(uint16_t ms) { TVtBlinkingControlsList::Instance()->SetBlinkIntervalOn(ms); }
uint16_t TVtCustomStatusPane::BlinkIntervalOff() const {
    return TVtBlinkingControlsList::Instance()->BlinkIntervalOff();
}
void TVtCustomStatusPane::SetBlinkIntervalOff(uint16_t ms) {
    TVtBlinkingControlsList::Instance()->SetBlinkIntervalOff(ms);
}

void TVtCustomStatusPane::SetFillColor(TColor c) {
    parentFillColor_ = false;
    Change(fillColor_, c);
}

void TVtCustomStatusPane::SetParentFillColor(bool p) {
    if (p == parentFillColor_) return;
    parentFillColor_ = p;
    if (p) fillColor_ = Color();
    Invalidate();
}

int TVtCustomStatusPane::MeasureText(const std::string& text) {
    HDC dc = GetDC(nullptr);
    dc->SetFont(*Font());
    TRect r(0, 0, 0, 0);
    dc->DrawText(text, r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    ReleaseDC(nullptr, dc);
    return r.Width();
}

void TVtCustomStatusPane::AdjustSize() {
    if (!autoSize_ || IsLoading()) return;
    std::string text = Caption();
    int w = text.empty() ? defaultWidth_ : 2 * borderWidth_ + MeasureText(text) + captionOffset_ + 6;
    SetBounds(Left(), Top(), w, Height());
}

void TVtCustomStatusPane::Loaded() {
    TGraphicControl::Loaded();
    AdjustSize();
}

TRect TVtCustomStatusPane::TextRect() const {
    int inset = borderWidth_;
    switch (frameStyle_) {
    case fsNone: break;
    case fsFlat:
    case fsStatus:
    case fsPopup: inset += 1; break;
    default: inset += 2; break;
    }
    TRect r = ClientRect();
    InflateRect(r, -inset, -inset);
    return r;
}

bool OnThemedStatusBar(const TControl* c) {
    auto* bar = dynamic_cast<TVtStatusBar*>(c->Parent());
    return bar && bar->ThemeAware() && ThemeServices()->ThemesEnabled();
}

void CopyStatusBarBackground(TCanvas* dest, const TRect& r, const TControl* c) {
    auto* bar = dynamic_cast<TVtStatusBar*>(c->Parent());
    if (!bar || r.IsEmpty()) return;
    TBitmap back;
    back.SetSize(bar->ClientWidth(), bar->ClientHeight());
    ThemeServices()->DrawElement(back.Canvas(), ThemeServices()->GetElementDetails(tpStatusBar), bar->ClientRect());
    TRect source = r;
    OffsetRect(source, c->Left(), c->Top());
    dest->CopyRect(r, back.Canvas(), source);
}

bool InStatusBarSizeGrip(const TControl* c, int x, int y) {
    auto* bar = dynamic_cast<TVtStatusBar*>(c->Parent());
    if (!bar) return false;
    TPoint right = c->ClientToScreen(TPoint(c->Width(), 0));
    TPoint barRight = bar->ClientToScreen(TPoint(bar->ClientWidth(), 0));
    if (right.X < barRight.X) return false;
    TPoint p = bar->ScreenToClient(c->ClientToScreen(TPoint(x, y)));
    return p.X >= bar->ClientWidth() - 12 && p.X < bar->ClientWidth();
}

void TVtCustomStatusPane::DrawFrame(TCanvas* c) {
    TRect r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    InflateRect(r, -borderWidth_, -borderWidth_);
    if (frameStyle_ == fsFlat) {
        DrawCornerlessFrame(c, r, AdjustColor(flatColor_, flatColorAdjustment_));  // the corners keep the fill
    } else if (frameStyle_ != fsNone) {
        DrawBorder(c, r, frameStyle_);
    }
}

void TVtCustomStatusPane::DrawCaption(TCanvas* c, const std::string& text) {
    TRect r = TextRect();
    if (r.IsEmpty()) return;
    if (OnThemedStatusBar(this)) {
        // The fill colour is the classic look; a themed bar shows its own background behind the text.
        CopyStatusBarBackground(c, r, this);
    } else {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(fillColor_);
        c->FillRect(r);
    }
    c->SetFont(*Font());
    UINT align = alignment_ == taLeftJustify ? TA_LEFT : alignment_ == taRightJustify ? TA_RIGHT : TA_CENTER;
    int x = alignment_ == taLeftJustify    ? r.Left + captionOffset_ + 1
            : alignment_ == taRightJustify ? r.Right - captionOffset_ - 1
                                           : r.Left + (r.Right - r.Left) / 2;
    int y = r.Top + (r.Height() - c->TextHeight("Pp")) / 2;
    c->SetTextAlign(align);
    c->Brush()->SetStyle(bsClear);
    if (!Enabled()) {
        c->Font()->SetColor(clBtnHighlight);
        c->TextRect(r, x + 1, y + 1, text);
        c->Font()->SetColor(clBtnShadow);
    } else {
        c->Font()->SetColor(textColor_);
    }
    c->TextRect(r, x, y, text);
    c->SetTextAlign(TA_LEFT);
    c->Brush()->SetStyle(bsSolid);
}

void TVtCustomStatusPane::Paint() {
    TCanvas* c = Canvas();
    if (OnThemedStatusBar(this))
        ThemeServices()->DrawElement(c, ThemeServices()->GetElementDetails(tpStatusPane), ClientRect());
    else
        DrawFrame(c);
    DrawCaption(c, Caption());
}

void TVtCustomStatusPane::ReloadFrameSettings() {
    if (!frameController_ || !frameController_->FrameVisible()) return;
    frameStyle_ = frameController_->FrameStyle();
    flatColor_ = frameController_->FrameColor();
    flatColorAdjustment_ = 0;
    SetColor(frameController_->Color());
    SetParentColor(frameController_->ParentColor());
    Invalidate();
}

bool TVtCustomStatusPane::TakeHint(const std::string& hint) {
    if (!autoHint_) return false;
    SetCaption(hint);
    return true;
}

bool TVtCustomStatusPane::IsRightMostPane() const {
    auto* bar = dynamic_cast<TVtStatusBar*>(Parent());
    if (!bar) return false;
    TPoint right = ClientToScreen(TPoint(Width(), 0));
    TPoint barRight = bar->ClientToScreen(TPoint(bar->ClientWidth(), 0));
    return right.X >= barRight.X;
}

bool TVtCustomStatusPane::InSizeGrip(int x, int y) const { return InStatusBarSizeGrip(this, x, y); }

void TVtCustomStatusPane::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_QUERYBLINKING: m.Result = blinking_ ? 1 : 0; return;
    case CM_HINTACTION:
        if (!IsDesigning() && TakeHint(*reinterpret_cast<const std::string*>(m.LParam))) m.Result = 1;
        return;
    case CM_BLINKSTATE:
        if (blinking_) {
            textColor_ = m.WParam == 1 ? blinkColor_ : normalColor_;
            Invalidate();
        }
        return;
    case CM_TEXTCHANGED:
        AdjustSize();
        Invalidate();
        break;
    case CM_FONTCHANGED:
        normalColor_ = Font()->Color();
        if (!blinking_) textColor_ = normalColor_;
        AdjustSize();
        break;
    case CM_COLORCHANGED:
    case CM_PARENTCOLORCHANGED:
        TGraphicControl::Dispatch(m);
        if (parentFillColor_) {
            fillColor_ = Color();
            Invalidate();
        }
        return;
    case CM_MOUSEENTER:
        if (!IsDesigning() && OnMouseEnter) OnMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        break;
    case CM_HITTEST:
        // The bar's size grip lies under the right-most pane's last pixels.
        if (InSizeGrip(int16_t(LOWORD(m.LParam)), int16_t(HIWORD(m.LParam)))) {
            m.Result = HTNOWHERE;
            return;
        }
        break;
    default: break;
    }
    TGraphicControl::Dispatch(m);
}

QM_CLASS_RECORD(TVtStatusPane, TVtCustomStatusPane)
