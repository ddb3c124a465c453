#include "widgets/VtPanel.h"

#include <algorithm>

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Themes.h"
#include "widgets/VtGrafx.h"
#include "widgets/VtStatus.h"

namespace {
const TEnumInfo GridStyleIdents{{"gsDots", "gsDottedLines", "gsSolidLines"}};
const TEnumInfo GroupBoxStyleIdents{{"gsStandard", "gsCustom", "gsTopLine", "gsFlat"}};
const TEnumInfo OrientationIdents{{"orHorizontal", "orVertical"}};

void HLine(TCanvas* c, int x1, int x2, int y, TColor col) {
    c->Pen()->SetColor(col);
    c->MoveTo(x1, y);
    c->LineTo(x2, y);
}
void VLine(TCanvas* c, int x, int y1, int y2, TColor col) {
    c->Pen()->SetColor(col);
    c->MoveTo(x, y1);
    c->LineTo(x, y2);
}
}  // namespace

// ---------------------------------------------------------------- TVtCustomPanel

const TClassInfo& TVtCustomPanel::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomPanel;
        TClassInfo c{"TVtCustomPanel", &TCustomPanel::StaticClass(), {}, {}, {}};
        c.props = {
            OrdProp<C, TAlignmentVertical>("AlignmentVertical", &C::AlignmentVertical, &C::SetAlignmentVertical,
                                           avCenter, &AlignmentVerticalIdents),
            OrdProp<C, TFrameStyleEx>("BorderOuter", &C::BorderOuter, &C::SetBorderOuter, fsRaised, &FrameStyleIdents),
            OrdProp<C, TFrameStyleEx>("BorderInner", &C::BorderInner, &C::SetBorderInner, fsNone, &FrameStyleIdents),
            SetProp<C, TSides>("BorderSides", &C::BorderSides, &C::SetBorderSides, &SidesIdents, sdAllSides),
            OrdProp<C, TColor>("BorderColor", &C::BorderColor, &C::SetBorderColor, clBtnFace),
            OrdProp<C, TColor>("BorderHighlight", &C::BorderHighlight, &C::SetBorderHighlight, clBtnHighlight),
            OrdProp<C, TColor>("BorderShadow", &C::BorderShadow, &C::SetBorderShadow, clBtnShadow),
            OrdProp<C, TColor>("FlatColor", &C::FlatColor, &C::SetFlatColor, clBtnShadow),
            OrdProp<C, int>("FlatColorAdjustment", &C::FlatColorAdjustment, &C::SetFlatColorAdjustment, 30),
            RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController),
            OrdProp<C, TColor>("GridColor", &C::GridColor, &C::SetGridColor, clBtnShadow),
            OrdProp<C, TVtGridStyle>("GridStyle", &C::GridStyle, &C::SetGridStyle, gsDots, &GridStyleIdents),
            OrdProp<C, uint16_t>("GridXSize", &C::GridXSize, &C::SetGridXSize, 8),
            OrdProp<C, uint16_t>("GridYSize", &C::GridYSize, &C::SetGridYSize, 8),
            BoolProp<C>("ShowGrid", &C::ShowGrid, &C::SetShowGrid, 0),
            BoolProp<C>("ShowDockClientCaptions", &C::ShowDockClientCaptions, &C::SetShowDockClientCaptions, 1),
            BoolProp<C>("Transparent", &C::Transparent, &C::SetTransparent, 0),
            BoolProp<C>("ThemeAware", &C::ThemeAware, &C::SetThemeAware, 1),
            BoolProp<C>("FullRepaint", &C::FullRepaint, &C::SetFullRepaint, 1),
            EventProp("OnPaint", &C::OnPaint),
            EventProp("OnMouseEnter", &C::OnMouseEnter),
            EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

TVtCustomPanel::TVtCustomPanel(TComponent* owner) : TCustomPanel(owner) {
    SetBevelOuter(bvNone);
    SetControlStyle((ControlStyle() | csAcceptsControls | csOpaque) & ~uint32_t(csSetCaption));
}

TVtCustomPanel::~TVtCustomPanel() {
    if (frameController_) frameController_->RemoveControl(this);
}

void TVtCustomPanel::Notification(TComponent* c, TOperation op) {
    TCustomPanel::Notification(c, op);
    if (op != opRemove) return;
    if (c == frameController_) frameController_ = nullptr;
    for (auto it = childStates_.begin(); it != childStates_.end();)
        it = it->first == c ? childStates_.erase(it) : it + 1;
}

int TVtCustomPanel::BorderLevelWidth(TFrameStyleEx s) const {
    switch (s) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return BevelWidth();
    default: return 2;
    }
}

TRect TVtCustomPanel::AdjustBorderRect(TRect r, bool includeBorderWidth) const {
    int w = BorderLevelWidth(border_.outer) + BorderLevelWidth(border_.inner) +
            (includeBorderWidth ? BorderWidth() : 0);
    if (HasSide(border_.sides, sdLeft)) r.Left += w;
    if (HasSide(border_.sides, sdTop)) r.Top += w;
    if (HasSide(border_.sides, sdRight)) r.Right -= w;
    if (HasSide(border_.sides, sdBottom)) r.Bottom -= w;
    return r;
}

void TVtCustomPanel::AdjustClientRect(TRect& r) {
    // The platform keeps BorderWidth outside the client area already.
    r = AdjustBorderRect(r, false);
}

void TVtCustomPanel::ReloadFrameSettings() {
    if (!TakeControllerFrame(this, frameController_, border_)) return;
    Realign();
    Invalidate();
}

void TVtCustomPanel::DrawGrid(TCanvas* c, TRect r) {
    // A spacing of 0 draws no grid rather than dividing by it.
    if (gridXSize_ == 0 || gridYSize_ == 0) return;
    int n = r.Width() / gridXSize_, m = r.Height() / gridYSize_;
    int x0 = r.Left - 1, y0 = r.Top - 1;
    if (gridStyle_ == gsDots) {
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= m; ++j) c->SetPixel(x0 + gridXSize_ * i, y0 + gridYSize_ * j, gridColor_);
        return;
    }
    if (gridStyle_ == gsSolidLines) {
        c->Pen()->SetStyle(psSolid);
        for (int i = 1; i <= n; ++i) VLine(c, x0 + gridXSize_ * i, r.Top, r.Bottom, gridColor_);
        for (int j = 1; j <= m; ++j) HLine(c, r.Left, r.Right, y0 + gridYSize_ * j, gridColor_);
        return;
    }
    for (int i = 1; i <= n; ++i)
        for (int y = r.Top; y < r.Bottom; y += 2) c->SetPixel(x0 + gridXSize_ * i, y, gridColor_);
    for (int j = 1; j <= m; ++j)
        for (int x = r.Left; x < r.Right; x += 2) c->SetPixel(x, y0 + gridYSize_ * j, gridColor_);
}

void TVtCustomPanel::DrawCaption(TCanvas* c, TRect r) {
    std::string text = Caption();
    if (text.empty()) return;
    r.Left += 1;
    c->SetFont(*Font());
    UINT flags = DT_EXPANDTABS | DT_WORDBREAK |
                 (Alignment() == taLeftJustify ? DT_LEFT : Alignment() == taRightJustify ? DT_RIGHT : DT_CENTER);
    TRect calc = r;
    c->DrawText(text, calc, flags | DT_CALCRECT);
    int h = calc.Height();
    r = AlignCaptionVertically(r, h, alignmentVertical_);
    if (!Enabled()) {
        TRect e = r;
        OffsetRect(e, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        c->DrawText(text, e, flags);
        c->Font()->SetColor(clBtnShadow);
    }
    c->DrawText(text, r, flags);
}

void TVtCustomPanel::PaintPanel(TCanvas* c) {
    TRect full = ClientRect();
    TFrameParams p = border_;
    p.bevelWidth = BevelWidth();
    p.controlColor = Color();
    p.parentColor = ParentColorValue();
    p.transparent = transparent_;
    TRect in = DrawFrame(c, full, p);
    c->Brush()->SetStyle(bsSolid);
    if (!transparent_) {
        c->Brush()->SetColor(Color());
        c->FillRect(in);
    }
    if (showGrid_) DrawGrid(c, in);
    c->Brush()->SetStyle(bsClear);
    DrawCaption(c, in);
    c->Brush()->SetStyle(bsSolid);
    if (OnPaint) OnPaint(this);
}

void TVtCustomPanel::Paint() { PaintPanel(Canvas()); }

TDockManager* TVtCustomPanel::CreateDockManager() { return new TVtPanelDockManager(this); }

// ---------------------------------------------------------------- TVtPanelDockManager

void TVtPanelDockManager::PaintDockFrame(TCanvas* c, TControl* control, const TRect& g) {
    bool active = false;
    for (TControl* f = Screen->ActiveControl(); f && !active; f = f->Parent()) active = f == control;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(active ? clActiveCaption : clInactiveCaption);
    c->FillRect(g);
    const TRect close = CloseButtonRect(control);
    const bool onTop = GrabbersOnTop();
    if (panel_->ShowDockClientCaptions() && !control->Caption().empty()) {
        c->Font()->SetName("Verdana");
        c->Font()->SetSize(8);
        c->Font()->SetStyle(0);
        c->Font()->SetColor(clCaptionText);
        c->Brush()->SetStyle(bsClear);
        const int th = c->TextHeight(control->Caption());
        c->SaveDC();
        if (onTop) {
            TRect area(g.Left + 2, g.Top, close.Left - 2, g.Bottom);
            c->Font()->SetEscapement(0);
            c->IntersectClipRect(area.Left, area.Top, area.Right, area.Bottom);
            c->TextOut(area.Left, g.Top + (g.Height() - th) / 2, control->Caption());
        } else {
            // Read from the bottom up along a grabber at the left.
            TRect area(g.Left, close.Bottom + 2, g.Right, g.Bottom - 2);
            c->Font()->SetEscapement(900);
            c->IntersectClipRect(area.Left, area.Top, area.Right, area.Bottom);
            c->TextOut(g.Left + (g.Width() - th) / 2, area.Bottom, control->Caption());
        }
        c->RestoreDC(-1);
        c->Font()->SetEscapement(0);
        c->Brush()->SetStyle(bsSolid);
    }
    // The close glyph: a cross two pixels thick, as the symbol font draws it at 8 points.
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(clCaptionText);
    const int l = close.Left + 2, t = close.Top + 2, r = close.Right - 2, b = close.Bottom - 2;
    for (int d = 0; d < 2; ++d) {
        c->MoveTo(l + d, t);
        c->LineTo(r + d, b);
        c->MoveTo(r - 1 - d, t);
        c->LineTo(l - 1 - d, b);
    }
}

void TVtCustomPanel::BoundsChanged(bool moved, bool sized) {
    TCustomPanel::BoundsChanged(moved, sized);
    if (!sized) return;
    TSize now{Width(), Height()};
    if (!fullRepaint_ && Caption().empty() && lastSize_.cx >= 0) {
        TRect inner = AdjustBorderRect(TRect(0, 0, now.cx, now.cy), false);
        if (now.cx != lastSize_.cx) {
            TRect strip(IntMin(inner.Right, lastSize_.cx) - 2, 0, now.cx, now.cy);
            InvalidateClient(&strip, true);
        }
        if (now.cy != lastSize_.cy) {
            TRect strip(0, IntMin(inner.Bottom, lastSize_.cy) - 2, now.cx, now.cy);
            InvalidateClient(&strip, true);
        }
    } else {
        Invalidate();
    }
    lastSize_ = now;
}

void TVtCustomPanel::EnabledChanged() {
    if (!Enabled()) {
        childStates_.clear();
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* child = Controls(i);
            childStates_.emplace_back(child, child->Enabled());
            child->FreeNotification(this);
        }
        for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(false);
    } else {
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* child = Controls(i);
            bool enable = true;
            for (auto& [c, was] : childStates_)
                if (c == child) enable = was;
            if (enable) child->SetEnabled(true);
        }
    }
}

void TVtCustomPanel::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_ENABLEDCHANGED:
        EnabledChanged();
        Invalidate();
        break;
    case CM_TEXTCHANGED: Invalidate(); break;
    case CM_MOUSEENTER:
        if (!IsDesigning() && OnMouseEnter) OnMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        break;
    case WM_ERASEBKGND:
        if (transparent_ && m.WParam) DrawParentBackground(this, reinterpret_cast<HDC>(m.WParam));
        m.Result = 1;
        return;
    default: break;
    }
    TCustomPanel::Dispatch(m);
}

QM_CLASS_RECORD(TVtPanel, TVtCustomPanel)

// ---------------------------------------------------------------- TVtCustomGroupBox

const TClassInfo& TVtCustomGroupBox::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomGroupBox;
        TClassInfo c{"TVtCustomGroupBox", &TVtCustomPanel::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<C, TVtGroupBoxStyle>("GroupStyle", &C::GroupStyle, &C::SetGroupStyle, gsFlat,
                                                &GroupBoxStyleIdents),
                   OrdProp<C, TFrameStyleEx>("BorderOuter", &C::BorderOuter, &C::SetBorderOuter, fsNone,
                                             &FrameStyleIdents),
                   OrdProp<C, TAlignment>("Alignment", &C::Alignment, &C::SetAlignment, taLeftJustify, &AlignmentIdents),
                   OrdProp<C, TAlignmentVertical>("AlignmentVertical", &C::AlignmentVertical,
                                                  &C::SetAlignmentVertical, avTop, &AlignmentVerticalIdents)};
        return c;
    }();
    return ci;
}

TVtCustomGroupBox::TVtCustomGroupBox(TComponent* owner) : TVtCustomPanel(owner) {
    SetBorderOuter(fsNone);
    SetBorderInner(fsNone);
    SetAlignment(taLeftJustify);
    SetAlignmentVertical(avTop);
    SetHeight(105);
}

void TVtCustomGroupBox::SetGroupStyle(TVtGroupBoxStyle s) {
    if (s == gsCustom || s == gsTopLine) SetThemeAware(false);
    if (s == groupStyle_) return;
    groupStyle_ = s;
    Realign();
    Invalidate();
}

int TVtCustomGroupBox::TextHeightOf(const char* sample) {
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*Font());
    return probe.Canvas()->TextHeight(sample);
}

void TVtCustomGroupBox::AdjustClientRect(TRect& r) {
    int th = TextHeightOf("Yy");
    if (groupStyle_ == gsCustom) {
        r.Top += th;
        InflateRect(r, -2, -2);
        return;
    }
    int h = th / 2 - 1;
    r.Top += h >= BorderWidth() ? th - BorderWidth() : h;
    int inset = groupStyle_ == gsStandard ? 2 : 1;
    InflateRect(r, -inset, -inset);
}

TRect TVtCustomGroupBox::CaptionRect() {
    std::string text = Caption();
    if (text.empty() || groupStyle_ == gsCustom) return TRect();
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*Font());
    TSize ext = probe.Canvas()->TextExtent(text);
    int x = groupStyle_ == gsTopLine ? 0 : 8;
    if (UseRightToLeftAlignment()) x = Width() - x - ext.cx;
    return Bounds(x, 0, ext.cx, ext.cy);
}

void TVtCustomGroupBox::ReloadFrameSettings() {
    if (groupStyle_ == gsCustom) TVtCustomPanel::ReloadFrameSettings();
}

void TVtCustomGroupBox::Paint() {
    TCanvas* c = Canvas();
    if (groupStyle_ == gsCustom) {
        PaintPanel(c);
        return;
    }
    int th = TextHeightOf("Pp");
    TRect cap = CaptionRect();
    bool hasCaption = !cap.IsEmpty();
    int w = Width(), h = Height();
    c->Brush()->SetStyle(bsSolid);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    TRect f(0, th / 2 - 1, w, h);
    TColor fc = AdjustColor(FlatColor(), FlatColorAdjustment());
    bool themed = ThemeAware() && ThemeServices()->ThemesEnabled();
    if (Transparent() || themed) {
        if (!Transparent() && themed) DrawParentBackground(this, c);
        if (hasCaption) c->ExcludeClipRect(cap.Left, cap.Top, cap.Right, cap.Bottom);
    } else {
        c->Brush()->SetColor(Color());
        c->FillRect(TRect(0, 0, w, h));
    }
    if (themed) {
        // The platform has no group-box part: the etched frame stands in for it.
        DrawBorder(c, f, fsGroove, sdAllSides);
    } else if (groupStyle_ == gsStandard) {
        switch (BorderOuter()) {
        case fsNone: DrawBorder(c, f, fsGroove, sdAllSides); break;
        case fsFlat: DrawBevel(c, f, fc, fc, 1, sdAllSides); break;
        case fsFlatBold: DrawBevel(c, f, fc, fc, 2, sdAllSides); break;
        default: DrawBorder(c, f, BorderOuter(), sdAllSides); break;
        }
    } else if (groupStyle_ == gsTopLine) {
        switch (BorderOuter()) {
        case fsNone: DrawBorder(c, f, fsGroove, 1 << sdTop); break;
        case fsFlat: HLine(c, f.Left, f.Right - 1, f.Top, fc); break;
        case fsFlatBold:
            HLine(c, f.Left, f.Right - 1, f.Top, fc);
            HLine(c, f.Left, f.Right - 1, f.Top + 1, fc);
            break;
        default: DrawBorder(c, f, BorderOuter(), 1 << sdTop); break;
        }
    } else {  // gsFlat: a rounded ring
        DrawRoundedFlatBorder(c, f, fc, sdAllSides);
    }
    if (Transparent() || themed) c->SelectClipRgn(nullptr);
    if (!hasCaption) return;
    c->SetFont(*Font());
    if (!Transparent()) {
        c->Brush()->SetColor(Color());
        c->FillRect(cap);
    }
    c->Brush()->SetStyle(bsClear);
    UINT flags = DT_SINGLELINE | DT_LEFT | DT_NOCLIP;
    if (!Enabled()) {
        TRect e = cap;
        OffsetRect(e, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        c->DrawText(Caption(), e, flags);
        c->Font()->SetColor(clBtnShadow);
    }
    TRect t = cap;
    c->DrawText(Caption(), t, flags);
    c->Brush()->SetStyle(bsSolid);
    if (OnPaint) OnPaint(this);
}

void TVtCustomGroupBox::Dispatch(TMessage& m) {
    if (m.Msg == CM_DIALOGCHAR && IsAccel(char(m.WParam), Caption()) && CanFocus()) {
        // The accelerator of a group box goes to its first control.
        std::vector<TWinControl*> order;
        GetTabOrderList(order);
        for (TWinControl* w : order)
            if (w->CanFocus()) {
                w->SetFocus();
                m.Result = 1;
                return;
            }
    }
    if (m.Msg == CM_FONTCHANGED) {
        Realign();
        Invalidate();
    }
    TVtCustomPanel::Dispatch(m);
}

QM_CLASS_RECORD(TVtGroupBox, TVtCustomGroupBox)

// ---------------------------------------------------------------- TVtSpacer

const TClassInfo& TVtSpacer::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtSpacer;
        TClassInfo c{"TVtSpacer", &TGraphicControl::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("Grooved", &C::Grooved, &C::SetGrooved, 0),
                   OrdProp<C, TOrientation>("Orientation", &C::Orientation, &C::SetOrientation, orHorizontal,
                                            &OrientationIdents)};
        return c;
    }();
    return ci;
}

TVtSpacer::TVtSpacer(TComponent* owner) : TGraphicControl(owner) { SetBounds(Left(), Top(), 8, 25); }

void TVtSpacer::SetGrooved(bool g) {
    if (g == grooved_) return;
    grooved_ = g;
    Invalidate();
}

void TVtSpacer::SetOrientation(TOrientation o) {
    if (o == orientation_) return;
    orientation_ = o;
    if (!IsLoading()) SetBounds(Left(), Top(), Height(), Width());
    Invalidate();
}

void TVtSpacer::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    if (!grooved_) {
        if (IsDesigning()) {
            c->Pen()->SetStyle(psDot);
            c->Pen()->SetColor(clBlack);
            c->Brush()->SetStyle(bsClear);
            c->Rectangle(r);
            c->Brush()->SetStyle(bsSolid);
        }
        return;
    }
    // Without a separator part in the platform's theme, the groove serves both looks.
    if (r.Width() <= r.Height()) {
        int x = r.Width() / 2 + r.Left - 1;
        VLine(c, x, r.Top + 1, r.Bottom, clBtnShadow);
        VLine(c, x + 1, r.Top + 1, r.Bottom, clBtnHighlight);
    } else {
        int y = r.Height() / 2 + r.Top - 1;
        HLine(c, r.Left + 1, r.Right, y, clBtnShadow);
        HLine(c, r.Left + 1, r.Right, y + 1, clBtnHighlight);
    }
}

void RegisterPanelReaders(const TClassInfo& cls) {
    // Older resources name the sides "FrameSides".
    RegisterPropertyReader(cls, "FrameSides", [](TObject* o, const TFormValue& v) {
        if (v.kind != TFormValue::Set) throw EFormResourceError("Invalid property value");
        TSides s = 0;
        for (const TFormValue& item : v.items) {
            int bit = SidesIdents.ValueOf(item.s);
            if (bit < 0) throw EFormResourceError("Invalid property value");
            s |= TSides(1 << bit);
        }
        static_cast<TVtCustomPanel*>(o)->SetBorderSides(s);
    });
}

// ---------------------------------------------------------------- TVtStatusBar

const TClassInfo& TVtStatusBar::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtStatusBar;
        TClassInfo c{"TVtStatusBar", &TVtCustomPanel::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("AutoStyle", &C::AutoStyle, &C::SetAutoStyle, 1),
                   BoolProp<C>("AutoScalePanes", &C::AutoScalePanes, &C::SetAutoScalePanes, 0),
                   BoolProp<C>("ShowSizeGrip", &C::ShowSizeGrip, &C::SetShowSizeGrip, 1),
                   BoolProp<C>("SimpleStatus", &C::SimpleStatus, &C::SetSimpleStatus, 0),
                   StrProp<C>("SimpleCaption", &C::SimpleCaption, &C::SetSimpleCaption),
                   OrdProp<C, TFrameStyle>("SimpleFrameStyle", &C::SimpleFrameStyle, &C::SetSimpleFrameStyle, fsFlat,
                                           &FrameStyleIdents)};
        return c;
    }();
    return ci;
}

TVtStatusBar::TVtStatusBar(TComponent* owner) : TVtCustomPanel(owner) {
    SetAlign(alBottom);
    ApplyAutoStyle();
}

void TVtStatusBar::ApplyAutoStyle() {
    if (!autoStyle_) return;
    SetBorderInner(fsNone);
    SetBorderOuter(fsNone);
    SetBorderSides(sdAllSides);
    SetHeight(19);
    SetBorderWidth(0);
}

void TVtStatusBar::SetAutoStyle(bool a) {
    if (a == autoStyle_) return;
    autoStyle_ = a;
    ApplyAutoStyle();
}

void TVtStatusBar::Loaded() {
    TVtCustomPanel::Loaded();
    ApplyAutoStyle();
}

void TVtStatusBar::SetAutoScalePanes(bool a) {
    if (a == autoScalePanes_) return;
    autoScalePanes_ = a;
    scaleBase_ = 0;
    paneBases_.clear();
}

void TVtStatusBar::SetSimpleStatus(bool s) {
    if (s == simpleStatus_) return;
    simpleStatus_ = s;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TVtCustomStatusPane*>(Controls(i))) Controls(i)->SetVisible(!s);
    Invalidate();
}

bool TVtStatusBar::GripActive() const {
    auto* form = dynamic_cast<TCustomForm*>(Parent());
    if (!form) return false;
    TBorderStyle b = form->FormBorderStyle();
    return (b == bsSizeable || b == bsSizeToolWin) && form->WindowState() != wsMaximized;
}

void TVtStatusBar::ScalePanes() {
    // Every pane is scaled from its width when the bar was first laid out, so rounding never accumulates and a
    // pane rounded down to nothing grows back; a bar not laid out yet (0 wide) is no base.
    int w = Width();
    if (w <= 0) return;
    if (scaleBase_ == 0) {
        scaleBase_ = w;
        paneBases_.clear();
        for (int i = 0; i < ControlCount(); ++i)
            if (dynamic_cast<TVtCustomStatusPane*>(Controls(i))) paneBases_.emplace_back(Controls(i), Controls(i)->Width());
        return;
    }
    for (auto& [pane, base] : paneBases_) {
        for (int i = 0; i < ControlCount(); ++i)
            if (Controls(i) == pane) {
                int nw = int((int64_t(base) * w * 2 + scaleBase_) / (int64_t(scaleBase_) * 2));
                pane->SetBounds(pane->Left(), pane->Top(), nw, pane->Height());
            }
    }
}

void TVtStatusBar::BoundsChanged(bool moved, bool sized) {
    TVtCustomPanel::BoundsChanged(moved, sized);
    if (sized && autoScalePanes_) ScalePanes();
}

void TVtStatusBar::DrawGrip(TCanvas* c) {
    TRect g = GripRect();
    int r = g.Right, b = g.Bottom;
    static const int corners[6][2] = {{5, 12}, {5, 8}, {5, 4}, {9, 8}, {9, 4}, {13, 4}};
    c->Brush()->SetStyle(bsSolid);
    for (int pass = 0; pass < 2; ++pass) {
        c->Brush()->SetColor(pass == 0 ? clBtnHighlight : clBtnShadow);
        for (auto& k : corners) {
            int x = r - k[0] - pass, y = b - k[1] - pass;
            c->FillRect(TRect(x, y, x + 2, y + 2));
        }
    }
}

void TVtStatusBar::Paint() {
    TCanvas* c = Canvas();
    bool themed = ThemeAware() && ThemeServices()->ThemesEnabled();
    if (themed) {
        ThemeServices()->DrawElement(c, ThemeServices()->GetElementDetails(tpStatusBar), ClientRect());
        if (simpleStatus_) {
            TRect r = ClientRect();
            c->SetFont(*Font());
            c->Brush()->SetStyle(bsClear);
            c->DrawText(simpleCaption_, r, DT_SINGLELINE | DT_VCENTER);
            c->Brush()->SetStyle(bsSolid);
        }
    } else {
        PaintPanel(c);
        TRect r = ClientRect();
        r.Bottom -= 1;
        if (simpleStatus_) {
            if (simpleFrameStyle_ == fsFlat) {
                DrawCornerlessFrame(c, r, AdjustColor(FlatColor(), FlatColorAdjustment()));
            } else {
                DrawBorder(c, r, simpleFrameStyle_);
            }
            InflateRect(r, -1, -1);
            c->SetFont(*Font());
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(Color());
            c->TextRect(r, r.Left + 2, r.Top + (r.Height() - c->TextHeight("Pp")) / 2, simpleCaption_);
        }
    }
    if (showSizeGrip_ && GripActive()) DrawGrip(c);
}

void TVtStatusBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TVtCustomPanel::MouseDown(button, shift, x, y);
    if (button != mbLeft || !showSizeGrip_ || !GripActive() || !GripRect().Contains(TPoint(x, y))) return;
    // The platform offers no system size command, so the bar sizes the form from the drag itself.
    sizing_ = true;
    sizeStart_ = ClientToScreen(TPoint(x, y));
    TControl* form = Parent();
    formStart_ = Bounds(form->Left(), form->Top(), form->Width(), form->Height());
}

void TVtStatusBar::MouseMove(TShiftState shift, int x, int y) {
    TVtCustomPanel::MouseMove(shift, x, y);
    bool overGrip = showSizeGrip_ && GripActive() && GripRect().Contains(TPoint(x, y));
    SetCursor(overGrip || sizing_ ? crSizeNWSE : crDefault);
    if (!sizing_) return;
    TPoint p = ClientToScreen(TPoint(x, y));
    Parent()->SetBounds(formStart_.Left, formStart_.Top, IntMax(formStart_.Width() + p.X - sizeStart_.X, 1),
                        IntMax(formStart_.Height() + p.Y - sizeStart_.Y, 1));
}

void TVtStatusBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) sizing_ = false;
    TVtCustomPanel::MouseUp(button, shift, x, y);
}

void TVtStatusBar::Dispatch(TMessage& m) {
    if (m.Msg == CM_CONTROLCHANGE && autoScalePanes_) {
        scaleBase_ = 0;
        paneBases_.clear();
    }
    TVtCustomPanel::Dispatch(m);
}

// ---------------------------------------------------------------- TVtToolbar

namespace {
const TEnumInfo TextOptionsIdents{{"ttoNoTextLabels", "ttoShowTextLabels", "ttoSelectiveTextOnRight", "ttoCustom"}};
}  // namespace

TVtCustomizeCaptions::TVtCustomizeCaptions()
    : captions_{"Customize Toolbar", "Uncheck to hide control", "Close", "Move Up", "Move Down", "Text Options",
                "No text labels", "Show text labels", "Selective text on right"} {}

void TVtCustomizeCaptions::SetCaption(TVtCustomizeCaption i, const std::string& s) {
    if (captions_.at(i) == s) return;
    captions_[i] = s;
    changed_[i] = true;
}

void TVtCustomizeCaptions::Assign(const TVtCustomizeCaptions& other) {
    captions_ = other.captions_;
    changed_ = other.changed_;
}

const TClassInfo& TVtCustomizeCaptions::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomizeCaptions;
        TClassInfo c{"TVtCustomizeCaptions", &TPersistent::StaticClass(), {}, {}, {}};
        c.props = {StrProp<C>("Title", &C::Get<ccTitle>, &C::Set<ccTitle>),
                   StrProp<C>("Hint", &C::Get<ccHint>, &C::Set<ccHint>),
                   StrProp<C>("Close", &C::Get<ccClose>, &C::Set<ccClose>),
                   StrProp<C>("MoveUp", &C::Get<ccMoveUp>, &C::Set<ccMoveUp>),
                   StrProp<C>("MoveDown", &C::Get<ccMoveDown>, &C::Set<ccMoveDown>),
                   StrProp<C>("TextOptions", &C::Get<ccTextOptions>, &C::Set<ccTextOptions>),
                   StrProp<C>("NoTextLabels", &C::Get<ccNoTextLabels>, &C::Set<ccNoTextLabels>),
                   StrProp<C>("ShowTextLabels", &C::Get<ccShowTextLabels>, &C::Set<ccShowTextLabels>),
                   StrProp<C>("SelectiveTextOnRight", &C::Get<ccSelectiveTextOnRight>,
                              &C::Set<ccSelectiveTextOnRight>)};
        return c;
    }();
    return ci;
}

const TClassInfo& TVtToolbar::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtToolbar;
        TClassInfo c{"TVtToolbar", &TVtCustomPanel::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("AutoResize", &C::AutoResize, &C::SetAutoResize, 1),
                   BoolProp<C>("AutoStyle", &C::AutoStyle, &C::SetAutoStyle, 1),
                   OrdProp<C, int>("Margin", &C::Margin, &C::SetMargin, 4),
                   OrdProp<C, int>("TopMargin", &C::TopMargin, &C::SetTopMargin, 2),
                   OrdProp<C, TOrientation>("Orientation", &C::Orientation, &C::SetOrientation, orHorizontal,
                                            &OrientationIdents),
                   OrdProp<C, int>("RowHeight", &C::RowHeight, &C::SetRowHeight, 25),
                   OrdProp<C, TButtonLayout>("ButtonLayout", &C::ButtonLayout, &C::SetButtonLayout, blGlyphLeft,
                                             &ButtonLayoutIdents),
                   OrdProp<C, int>("ButtonWidth", &C::ButtonWidth, &C::SetButtonWidth, 25),
                   OrdProp<C, int>("ButtonHeight", &C::ButtonHeight, &C::SetButtonHeight, 25),
                   BoolProp<C>("ShowButtonCaptions", &C::ShowButtonCaptions, &C::SetShowButtonCaptions, 0),
                   BoolProp<C>("ShowDivider", &C::ShowDivider, &C::SetShowDivider, 1),
                   OrdProp<C, TVtToolbarTextOptions>("TextOptions", &C::TextOptions, &C::SetTextOptions,
                                                     ttoNoTextLabels, &TextOptionsIdents),
                   BoolProp<C>("WrapControls", &C::WrapControls, &C::SetWrapControls, 1),
                   RefProp<C, TVtRegIniFile>("RegIniFile", &C::RegIniFile, &C::SetRegIniFile),
                   RefProp<C, TCustomImageList>("Images", &C::Images, &C::SetImages),
                   NestedProp<C, TVtCustomizeCaptions>("CustomizeCaptions", &C::CustomizeCaptions),
                   EventProp("OnVisibleChanged", &C::OnVisibleChanged)};
        return c;
    }();
    return ci;
}

TVtToolbar::TVtToolbar(TComponent* owner) : TVtCustomPanel(owner), background_(std::make_unique<TBitmap>()) {
    SetShowDockClientCaptions(false);
    SetFullRepaint(false);
    SetBounds(Left(), Top(), 32, 32);
    SetAlign(alTop);
    ApplyAutoStyle();
}

void TVtToolbar::ApplyAutoStyle() {
    if (!autoStyle_) return;
    styledAlign_ = Align();
    TVtCustomPanel::SetBorderInner(fsNone);
    TVtCustomPanel::SetBorderOuter(showDivider_ ? fsGroove : fsNone);
    TSides side = Align() == alBottom ? 1 << sdBottom
                  : Align() == alLeft ? 1 << sdLeft
                  : Align() == alRight ? 1 << sdRight
                                       : 1 << sdTop;
    SetBorderSides(side);
}

void TVtToolbar::SetAutoStyle(bool a) {
    if (a == autoStyle_) return;
    autoStyle_ = a;
    ApplyAutoStyle();
}

void TVtToolbar::SetBorderOuter(TFrameStyleEx s) {
    autoStyle_ = false;
    TVtCustomPanel::SetBorderOuter(s);
}

void TVtToolbar::SetBorderInner(TFrameStyleEx s) {
    autoStyle_ = false;
    TVtCustomPanel::SetBorderInner(s);
}

void TVtToolbar::SetShowDivider(bool s) {
    if (s == showDivider_) return;
    showDivider_ = s;
    TVtCustomPanel::SetBorderOuter(s ? fsGroove : fsNone);
}

void TVtToolbar::SetBackground(const TBitmap* b) {
    if (b && b->Width() > 0)
        background_->Assign(*b);
    else
        background_ = std::make_unique<TBitmap>();
    Invalidate();
}

void TVtToolbar::SetRegIniFile(TVtRegIniFile* r) {
    if (regIniFile_) regIniFile_->RemoveFreeNotification(this);
    regIniFile_ = r;
    if (r) r->FreeNotification(this);
}

void TVtToolbar::SetImages(TCustomImageList* l) {
    if (l == images_) return;
    if (images_) images_->RemoveFreeNotification(this);
    images_ = l;
    if (l) l->FreeNotification(this);
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}

void TVtToolbar::Notification(TComponent* c, TOperation op) {
    TVtCustomPanel::Notification(c, op);
    if (op != opRemove) return;
    if (c == regIniFile_) regIniFile_ = nullptr;
    if (c == images_) images_ = nullptr;
}

void TVtToolbar::SetOrientation(TOrientation o) {
    if (o == orientation_) return;
    orientation_ = o;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* s = dynamic_cast<TVtSpacer*>(Controls(i))) s->SetOrientation(o);
    PositionControls();
}

void TVtToolbar::SendToChildren(UINT msg) {
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Perform(msg, 0, 0);
}

void TVtToolbar::ButtonSettingChanged(UINT msg) {
    SendToChildren(msg);
    if (!applyingPreset_) textOptions_ = ttoCustom;
}

void TVtToolbar::ResizeButtons() {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* b = dynamic_cast<TVtToolbarButton*>(Controls(i)))
            b->SetBounds(b->Left(), b->Top(), buttonWidth_, buttonHeight_);
}

void TVtToolbar::SetButtonLayout(TButtonLayout l) {
    if (l == buttonLayout_) return;
    buttonLayout_ = l;
    ButtonSettingChanged(CM_TOOLBARLAYOUT);
}

void TVtToolbar::SetButtonWidth(int w) {
    if (w == buttonWidth_) return;
    buttonWidth_ = w;
    ResizeButtons();
    ButtonSettingChanged(CM_TOOLBARSIZE);
    PositionControls();
}

void TVtToolbar::SetButtonHeight(int h) {
    if (h == buttonHeight_) return;
    buttonHeight_ = h;
    ResizeButtons();
    ButtonSettingChanged(CM_TOOLBARSIZE);
    PositionControls();
}

void TVtToolbar::SetShowButtonCaptions(bool s) {
    if (s == showButtonCaptions_) return;
    showButtonCaptions_ = s;
    ButtonSettingChanged(CM_TOOLBARCAPTIONS);
}

void TVtToolbar::SetTextOptions(TVtToolbarTextOptions t) {
    textOptions_ = t;
    if (t == ttoCustom) return;
    static const struct {
        TButtonLayout layout;
        int width, height;
        bool captions;
        int rowH, rowV;
    } presets[] = {{blGlyphLeft, 25, 25, false, 25, 25},
                   {blGlyphTop, 60, 40, true, 40, 60},
                   {blGlyphLeft, 60, 25, true, 25, 60}};
    const auto& p = presets[t];
    applyingPreset_ = true;
    SetButtonLayout(p.layout);
    SetButtonWidth(p.width);
    SetButtonHeight(p.height);
    SetShowButtonCaptions(p.captions);
    SetRowHeight(orientation_ == orHorizontal ? p.rowH : p.rowV);
    applyingPreset_ = false;
}

void TVtToolbar::PositionControls() {
    if (positioning_ || IsLoading()) return;
    positioning_ = true;
    bool horizontal = orientation_ == orHorizontal;
    int extent = horizontal ? Width() : Height();
    int pos = margin_, row = 1, longest = 0;
    bool first = true;
    for (TControl* c : order_) {
        if (!c->Visible() && !IsDesigning()) continue;
        int size = horizontal ? c->Width() : c->Height();
        if (wrapControls_ && !first && pos + size > extent - margin_) {
            ++row;
            pos = margin_;
        }
        int across = (row - 1) * rowHeight_ + topMargin_ + rowHeight_ / 2 - (horizontal ? c->Height() : c->Width()) / 2;
        if (horizontal) {
            int x = UseRightToLeftAlignment() ? Width() - c->Width() - pos : pos;
            c->SetBounds(x, across, c->Width(), c->Height());
        } else {
            c->SetBounds(across, pos, c->Width(), c->Height());
        }
        pos += size;
        longest = IntMax(longest, pos);
        first = false;
    }
    if (autoResize_) {
        int w = Width(), h = Height();
        bool acrossBars = Align() == alTop || Align() == alBottom;
        if (horizontal) {
            if (acrossBars)
                h = rowHeight_ * row + topMargin_ * 2;
            else if (Align() == alLeft || Align() == alRight)
                w = margin_ + longest;
        } else {
            if (Align() == alLeft || Align() == alRight)
                w = rowHeight_ * row + 2 + topMargin_;
            else if (acrossBars)
                h = margin_ + longest;
        }
        if (w != Width() || h != Height()) {
            SetBounds(Left(), Top(), w, h);
            if (auto* f = dynamic_cast<TCustomForm*>(Parent())) f->Realign();
        }
    }
    positioning_ = false;
}

void TVtToolbar::Loaded() {
    TVtCustomPanel::Loaded();
    ApplyAutoStyle();
    if (!storedNames_.empty()) {
        std::vector<TControl*> resolved;
        bool dropped = false;
        for (const std::string& name : storedNames_) {
            auto* c = Owner() ? dynamic_cast<TControl*>(Owner()->FindComponent(name)) : nullptr;
            if (c && c->Parent() == this && std::find(resolved.begin(), resolved.end(), c) == resolved.end())
                resolved.push_back(c);
            else
                dropped = true;
        }
        if (dropped)
            for (int i = 0; i < ControlCount(); ++i)
                if (std::find(resolved.begin(), resolved.end(), Controls(i)) == resolved.end())
                    resolved.push_back(Controls(i));
        order_ = resolved;
        storedNames_.clear();
    }
    PositionControls();
}

void TVtToolbar::BoundsChanged(bool moved, bool sized) {
    TVtCustomPanel::BoundsChanged(moved, sized);
    // A new alignment moves the bar; the divider goes to the side that now faces the client area.
    if (autoStyle_ && Align() != styledAlign_) ApplyAutoStyle();
    if (sized) PositionControls();
}

void TVtToolbar::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_CONTROLCHANGE: {
        auto* c = reinterpret_cast<TControl*>(m.WParam);
        if (m.LParam) {
            // While loading the children come in document order, which is the order unless one was stored.
            if (std::find(order_.begin(), order_.end(), c) == order_.end()) order_.push_back(c);
        } else {
            order_.erase(std::remove(order_.begin(), order_.end(), c), order_.end());
        }
        TVtCustomPanel::Dispatch(m);
        PositionControls();
        return;
    }
    case CM_VISIBLECHANGED:
        TVtCustomPanel::Dispatch(m);
        if (OnVisibleChanged) OnVisibleChanged(this);
        return;
    case CM_BIDIMODECHANGED:  // right-to-left alignment places the row from the right edge
        TVtCustomPanel::Dispatch(m);
        PositionControls();
        return;
    default: break;
    }
    TVtCustomPanel::Dispatch(m);
}

void TVtToolbar::Paint() {
    TVtCustomPanel::Paint();
    if (background_->Width() == 0 || background_->Height() == 0) return;
    TRect in = AdjustBorderRect(ClientRect(), false);
    TCanvas* c = Canvas();
    for (int y = in.Top; y < in.Bottom; y += background_->Height())
        for (int x = in.Left; x < in.Right; x += background_->Width()) {
            int w = IntMin(background_->Width(), in.Right - x), h = IntMin(background_->Height(), in.Bottom - y);
            c->CopyRect(TRect(x, y, x + w, y + h), background_->Canvas(), TRect(0, 0, w, h));
        }
}

void RegisterToolbarReaders(const TClassInfo& cls) {
    RegisterPropertyReader(cls, "ToolbarControls", [](TObject* o, const TFormValue& v) {
        if (v.kind != TFormValue::List) throw EFormResourceError("ToolbarControls: a list of names expected");
        std::vector<std::string> names;
        for (const TFormValue& item : v.items) {
            if (item.kind != TFormValue::Ident && item.kind != TFormValue::String)
                throw EFormResourceError("ToolbarControls: a list of names expected");
            names.push_back(item.s);
        }
        static_cast<TVtToolbar*>(o)->SetStoredOrder(names);
    });
}
