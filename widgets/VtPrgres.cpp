#include "widgets/VtPrgres.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Themes.h"
#include "widgets/VtPanel.h"
#include "widgets/VtStatus.h"

static const TEnumInfo BarStyleIdents{{"bsTraditional", "bsLED"}};
static const TEnumInfo OrientationIdents{{"orHorizontal", "orVertical"}};

const TClassInfo& TVtCustomProgressBar::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomProgressBar;
        TClassInfo c{"TVtCustomProgressBar", &TGraphicControl::StaticClass(), {}, {}, {}};
        c.props = {
            OrdProp<C, TColor>("BackColor", &C::BackColor, &C::SetBackColor, clWhite),
            OrdProp<C, TColor>("BarColor", &C::BarColor, &C::SetBarColor, clHighlight),
            OrdProp<C, TBarStyle>("BarStyle", &C::BarStyle, &C::SetBarStyle, bsTraditional, &BarStyleIdents),
            OrdProp<C, int>("BevelWidth", &C::BevelWidth, &C::SetBevelWidth, 1),
            OrdProp<C, TColor>("BorderColor", &C::BorderColor, &C::SetBorderColor, clBtnFace),
            OrdProp<C, TFrameStyleEx>("BorderInner", &C::BorderInner, &C::SetBorderInner, fsNone, &FrameStyleIdents),
            OrdProp<C, TFrameStyleEx>("BorderOuter", &C::BorderOuter, &C::SetBorderOuter, fsLowered,
                                      &FrameStyleIdents),
            OrdProp<C, int>("BorderWidth", &C::BorderWidth, &C::SetBorderWidth, 0),
            OrdProp<C, TColor>("FlatColor", &C::FlatColor, &C::SetFlatColor, clBtnShadow),
            OrdProp<C, int>("FlatColorAdjustment", &C::FlatColorAdjustment, &C::SetFlatColorAdjustment, 30),
            RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController),
            OrdProp<C, uint8_t>("InteriorOffset", &C::InteriorOffset, &C::SetInteriorOffset, 0),
            OrdProp<C, int>("NumSegments", &C::NumSegments, &C::SetNumSegments, 20),
            OrdProp<C, TOrientation>("Orientation", &C::Orientation, &C::SetOrientation, orHorizontal,
                                     &OrientationIdents),
            OrdProp<C, uint32_t>("PartsComplete", &C::PartsComplete, &C::SetPartsComplete, 0),
            OrdProp<C, uint16_t>("Percent", &C::Percent, &C::SetPercent, 0),
            BoolProp<C>("ShowPercent", &C::ShowPercent, &C::SetShowPercent, 1),
            BoolProp<C>("ThemeAware", &C::ThemeAware, &C::SetThemeAware, 1),
            OrdProp<C, uint32_t>("TotalParts", &C::TotalParts, &C::SetTotalParts, 0),
            EventProp("OnChange", &C::OnChange)};
        return c;
    }();
    return ci;
}
QM_CLASS_RECORD(TVtProgressBar, TVtCustomProgressBar)

uint16_t PartsPercent(uint32_t parts, uint32_t total) {
    if (total == 0) return 0;
    // Exact in integers: a floating quotient misrounds true halves.
    uint64_t num = uint64_t(parts) * 100, q = num / total, r = num % total;
    if (2 * r > total || (2 * r == total && (q & 1))) ++q;
    return uint16_t(std::min<uint64_t>(q, UINT16_MAX));
}

TVtCustomProgressBar::TVtCustomProgressBar(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csOpaque);
    Font()->SetColor(barColor_);
    SetBounds(Left(), Top(), 200, 24);
}

TVtCustomProgressBar::~TVtCustomProgressBar() {
    if (frameController_) frameController_->RemoveControl(this);
}

void TVtCustomProgressBar::ReloadFrameSettings() {
    if (!frameController_ || !frameController_->FrameVisible()) return;
    borderOuter_ = frameController_->FrameStyle();
    flatColor_ = frameController_->FrameColor();
    flatColorAdjustment_ = 0;
    SetBackColor(frameController_->Color());
    SetParentColor(frameController_->ParentColor());
    Invalidate();
}

#define QM_SETTER(Name, Type, field) \
    void TVtCustomProgressBar::Set##Name(Type v) { \
        if (v == field) return;                    \
        field = v;                                 \
        Changed();                                 \
    }
QM_SETTER(BackColor, TColor, backColor_)
QM_SETTER(BevelWidth, int, bevelWidth_)
QM_SETTER(BorderColor, TColor, borderColor_)
QM_SETTER(BorderInner, TFrameStyleEx, borderInner_)
QM_SETTER(BorderOuter, TFrameStyleEx, borderOuter_)
QM_SETTER(BorderWidth, int, borderWidth_)
QM_SETTER(InteriorOffset, uint8_t, interiorOffset_)
QM_SETTER(Orientation, TOrientation, orientation_)
QM_SETTER(ShowPercent, bool, showPercent_)
#undef QM_SETTER


void TVtCustomProgressBar::SetBarColor(TColor c) {
    if (c == barColor_) return;
    barColor_ = c;
    Font()->SetColor(c);
    Changed();
}

void TVtCustomProgressBar::SetBarStyle(TBarStyle s) {
    if (s == barStyle_) return;
    barStyle_ = s;
    showPercent_ = s == bsTraditional;
    interiorOffset_ = s == bsLED ? 1 : 0;
    Changed();
}

void TVtCustomProgressBar::SetFlatColor(TColor c) {
    if (c == flatColor_) return;
    flatColor_ = c;
    Invalidate();
}

void TVtCustomProgressBar::SetFlatColorAdjustment(int a) {
    if (a == flatColorAdjustment_) return;
    flatColorAdjustment_ = a;
    Invalidate();
}

void TVtCustomProgressBar::SetThemeAware(bool t) {
    if (t == themeAware_) return;
    themeAware_ = t;
    Invalidate();
}

void TVtCustomProgressBar::SetNumSegments(int n) {
    n = std::clamp(n, 1, 100);
    if (n == numSegments_) return;
    numSegments_ = n;
    Changed();
}

void TVtCustomProgressBar::SetFrameController(TVtFrameController* c) { LinkFrameController(this, frameController_, c); }

void TVtCustomProgressBar::Notification(TComponent* c, TOperation op) {
    TGraphicControl::Notification(c, op);
    if (op == opRemove && c == frameController_) frameController_ = nullptr;
}

void TVtCustomProgressBar::Dispatch(TMessage& m) {
    TGraphicControl::Dispatch(m);
    // A bar at the right end of a status bar lies over its size grip: the grip's pixels go to the status bar.
    if (m.Msg == CM_HITTEST && InStatusBarSizeGrip(this, int16_t(LOWORD(m.LParam)), int16_t(HIWORD(m.LParam))))
        m.Result = HTNOWHERE;
}

void TVtCustomProgressBar::SetTotalParts(uint32_t n) {
    n = std::min<uint32_t>(n, INT32_MAX);
    if (n == totalParts_) return;
    totalParts_ = n;
    if (IsLoading()) return;
    partsComplete_ = 0;
    SetPercent(0);
}

void TVtCustomProgressBar::SetPartsComplete(uint32_t n) {
    if (n == partsComplete_) return;
    partsComplete_ = std::min(n, totalParts_);
    if (!IsLoading() && totalParts_ != 0) SetPercent(PartsPercent(partsComplete_, totalParts_));
}

void TVtCustomProgressBar::IncParts(uint32_t n) {
    const uint64_t next = uint64_t(partsComplete_) + n;
    // The percentage would not move and is what the parts give: nothing to set or paint.
    if (totalParts_ == steadyTotal_ && partsComplete_ >= steadyFrom_ && next < steadyTo_ &&
        percent_ == steadyPercent_) {
        partsComplete_ = uint32_t(next);
        return;
    }
    SetPartsComplete(uint32_t(std::min<uint64_t>(next, UINT32_MAX)));
    if (IsLoading() || totalParts_ == 0) return;
    // The first count past the parts done that rounds differently: the rounding flips near the half-way
    // point (2q + 1) x total / 200, so at most a step or two from its floor.
    const uint16_t q = PartsPercent(partsComplete_, totalParts_);
    uint64_t to = uint64_t(totalParts_) + 1;
    if (q < 100) {
        to = std::max<uint64_t>((uint64_t(2 * q + 1) * totalParts_) / 200, uint64_t(partsComplete_) + 1);
        while (to <= totalParts_ && PartsPercent(uint32_t(to), totalParts_) == q) ++to;
    }
    steadyTotal_ = totalParts_;
    steadyFrom_ = partsComplete_;
    steadyTo_ = to;
    steadyPercent_ = q;
}

void TVtCustomProgressBar::SetPercent(uint16_t p) {
    if (p == percent_) return;
    percent_ = p;
    if (OnChange) OnChange(this, percent_);
    // Painted when messages are next processed, which is when the screen shows the bar: an export steps the
    // percentage more often than it processes messages, and each paint of the bar on its own thread's cold
    // caches costs the export more than the paint.
    Invalidate();
}

void TVtCustomProgressBar::SetBounds(int l, int t, int w, int h) {
    TGraphicControl::SetBounds(l, t, w, h);
    SetOrientation(Height() <= Width() ? orHorizontal : orVertical);
}

struct TVtCustomProgressBar::Ground {
    std::array<int64_t, 12> key{};
    TBitmap picture;
    TRect body;
};

TRect TVtCustomProgressBar::PaintClassicGround(TBitmap& b) {
    const TColor parentColor = Parent() ? Parent()->Color() : clBtnFace;
    const std::array<int64_t, 12> key = {Width(),      Height(),          borderOuter_,         borderInner_,
                                         bevelWidth_,  borderWidth_,      int64_t(borderColor_), int64_t(flatColor_),
                                         flatColorAdjustment_, int64_t(backColor_), int64_t(parentColor),
                                         interiorOffset_};
    if (ground_ && ground_->key == key) {
        b.Assign(ground_->picture);
        return ground_->body;
    }
    auto g = std::make_unique<Ground>();
    g->key = key;
    TBitmap& pic = g->picture;
    pic.SetSize(Width(), Height());
    TCanvas* c = pic.Canvas();
    TRect r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(borderColor_);
    c->FillRect(r);
    TFrameParams p;
    p.outer = borderOuter_;
    p.inner = borderInner_;
    p.fullLine = true;
    p.sides = sdAllSides;
    p.bevelWidth = bevelWidth_;
    p.borderWidth = borderWidth_;
    p.borderColor = borderColor_;
    p.borderHighlight = clBtnHighlight;
    p.borderShadow = clBtnShadow;
    p.flatColor = flatColor_;
    p.flatColorAdjustment = flatColorAdjustment_;
    p.controlColor = backColor_;
    p.parentColor = parentColor;
    p.transparent = false;
    r = DrawFrame(c, r, p);
    if (interiorOffset_ > 0) {
        // The gap between frame and body, as an inside-frame outline of that width.
        int o = interiorOffset_;
        c->Brush()->SetColor(backColor_);
        c->FillRect(TRect(r.Left, r.Top, r.Right, std::min(r.Bottom, r.Top + o)));
        c->FillRect(TRect(r.Left, std::max(r.Top, r.Bottom - o), r.Right, r.Bottom));
        c->FillRect(TRect(r.Left, r.Top, std::min(r.Right, r.Left + o), r.Bottom));
        c->FillRect(TRect(std::max(r.Left, r.Right - o), r.Top, r.Right, r.Bottom));
        InflateRect(r, -o, -o);
    }
    g->body = r;
    ground_ = std::move(g);
    b.Assign(ground_->picture);
    return r;
}

void TVtCustomProgressBar::Paint() {
    TBitmap bmp;
    TRect r = ClientRect();
    TThemeServices* theme = ThemeServices();
    const bool vertical = orientation_ == orVertical;
    auto* statusBar = dynamic_cast<TVtStatusBar*>(Parent());
    // A status bar drawn in the classic look keeps the bar classic too.
    if (theme->ThemesEnabled() && (!statusBar || statusBar->ThemeAware())) {
        bmp.SetSize(Width(), Height());
        TCanvas* c = bmp.Canvas();
        if (!statusBar) {
            theme->DrawElement(c, theme->GetElementDetails(vertical ? tpProgressBarVert : tpProgressBar), r);
            int in = barStyle_ == bsTraditional ? interiorOffset_ + 3 : interiorOffset_ + (themeAware_ ? 1 : 2);
            InflateRect(r, -in, -in);
        } else {
            CopyStatusBarBackground(c, r, this);
            theme->DrawElement(c, theme->GetElementDetails(tpStatusPane), r);
            if (interiorOffset_ == 0)
                InflateRect(r, -3, -2);
            else
                InflateRect(r, -(2 + interiorOffset_), -(1 + interiorOffset_));
            if (themeAware_)
                theme->DrawElement(c, theme->GetElementDetails(vertical ? tpProgressBarVert : tpProgressBar), r);
            int in = barStyle_ == bsTraditional && themeAware_ ? interiorOffset_ + 3 : interiorOffset_ + 1;
            InflateRect(r, -in, -in);
        }
    } else {
        r = PaintClassicGround(bmp);
    }
    TCanvas* c = bmp.Canvas();
    c->SetFont(*Font());
    if (r.Right > r.Left && r.Bottom > r.Top) {
        if (barStyle_ == bsLED)
            DrawLEDBar(c, r, orientation_, barColor_, backColor_, numSegments_, percent_, themeAware_);
        else
            DrawTraditionalBar(c, r, orientation_, barColor_, backColor_, percent_, showPercent_);
    }
    Canvas()->Draw(0, 0, &bmp);
}
