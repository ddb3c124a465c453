#include "widgets/VtLabel.h"

#include <cmath>
#include <memory>
#include <numbers>

#include "platform/ui/Bitmap.h"

static const TEnumInfo RotationIdents{{"roNone", "roFlat", "roCurve"}};
static const TEnumInfo CenterPointIdents{{"cpUpperLeft", "cpUpperCenter", "cpUpperRight", "cpLeftCenter",
                                          "cpCenter", "cpRightCenter", "cpLowerLeft", "cpLowerCenter",
                                          "cpLowerRight"}};
static const TEnumInfo TextStyleIdents{{"tsNormal", "tsRaised", "tsRecessed", "tsShadow"}};
static const TEnumInfo CondenseIdents{{"ccNone", "ccAtEnd", "ccWithinPath"}};

const TClassInfo& TVtLabel::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtLabel;
        TClassInfo c{"TVtLabel", &TLabel::StaticClass(), Creator<C>(), {}, {}};
        c.props = {
            OrdProp<C, int>("Angle", &C::Angle, &C::SetAngle, 0),
            OrdProp<C, TRotation>("Rotation", &C::Rotation, &C::SetRotation, roNone, &RotationIdents),
            OrdProp<C, TCenterPoint>("CenterPoint", &C::CenterPoint, &C::SetCenterPoint, cpCenter, &CenterPointIdents),
            OrdProp<C, TTextStyle>("TextStyle", &C::TextStyle, &C::SetTextStyle, tsNormal, &TextStyleIdents),
            BoolProp<C>("LightTextStyle", &C::LightTextStyle, &C::SetLightTextStyle, 0),
            OrdProp<C, TColor>("HighlightColor", &C::HighlightColor, &C::SetHighlightColor, clBtnHighlight),
            OrdProp<C, TColor>("ShadowColor", &C::ShadowColor, &C::SetShadowColor, clBtnShadow),
            OrdProp<C, int>("ShadowDepth", &C::ShadowDepth, &C::SetShadowDepth, 2),
            OrdProp<C, TFrameStyleEx>("BorderOuter", &C::BorderOuter, &C::SetBorderOuter, fsNone, &FrameStyleIdents),
            OrdProp<C, TFrameStyleEx>("BorderInner", &C::BorderInner, &C::SetBorderInner, fsNone, &FrameStyleIdents),
            SetProp<C, TSides>("BorderSides", &C::BorderSides, &C::SetBorderSides, &SidesIdents, sdAllSides),
            OrdProp<C, int>("BorderWidth", &C::BorderWidth, &C::SetBorderWidth, 0),
            OrdProp<C, int>("BevelWidth", &C::BevelWidth, &C::SetBevelWidth, 1),
            OrdProp<C, TColor>("BorderColor", &C::BorderColor, &C::SetBorderColor, clBtnFace),
            OrdProp<C, TColor>("BorderHighlight", &C::BorderHighlight, &C::SetBorderHighlight, clBtnHighlight),
            OrdProp<C, TColor>("BorderShadow", &C::BorderShadow, &C::SetBorderShadow, clBtnShadow),
            OrdProp<C, TColor>("FlatColor", &C::FlatColor, &C::SetFlatColor, clBtnShadow),
            OrdProp<C, int>("FlatColorAdjustment", &C::FlatColorAdjustment, &C::SetFlatColorAdjustment, 30),
            OrdProp<C, TVtCondenseCaption>("CondenseCaption", &C::CondenseCaption, &C::SetCondenseCaption, ccNone,
                                           &CondenseIdents),
            BoolProp<C>("Blinking", &C::Blinking, &C::SetBlinking, 0),
            OrdProp<C, TColor>("BlinkColor", &C::BlinkColor, &C::SetBlinkColor, clHighlight),
            OrdProp<C, uint16_t>("BlinkIntervalOn", &C::BlinkIntervalOn, &C::SetBlinkIntervalOn, 500),
            OrdProp<C, uint16_t>("BlinkIntervalOff", &C::BlinkIntervalOff, &C::SetBlinkIntervalOff, 500),
            BoolProp<C>("FlyByEnabled", &C::FlyByEnabled, &C::SetFlyByEnabled, 0),
            OrdProp<C, TColor>("FlyByColor", &C::FlyByColor, &C::SetFlyByColor, clHighlight),
            RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController),
            EventProp("OnMouseEnter", &C::OnMouseEnter),
            EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

int NormalizeLabelAngle(int v) {
    int64_t a = v;
    return int(a < 0 ? 360 - (-a) : a % 360);
}

HFONT CreateRotatedFont(TFont* font, int angle) {
    LOGFONT lf;
    lf.lfHeight = font->Height();
    lf.lfWidth = 0;
    lf.lfEscapement = int(int64_t(angle) * 10 % 3600);
    lf.lfOrientation = 0;
    lf.lfWeight = font->Style() & fsBold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font->Style() & fsItalic) != 0;
    lf.lfUnderline = (font->Style() & fsUnderline) != 0;
    lf.lfStrikeOut = (font->Style() & fsStrikeOut) != 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = font->Pitch() == fpVariable ? VARIABLE_PITCH
                          : font->Pitch() == fpFixed  ? FIXED_PITCH
                                                      : DEFAULT_PITCH;
    lf.lfFaceName = font->Name();
    return CreateFontIndirect(lf);
}

bool IsTrueTypeFont(TFont* font) {
    TBitmap b(1, 1);
    b.Canvas()->SetFont(*font);
    return b.Canvas()->GetTextMetrics().tmPitchAndFamily & TMPF_TRUETYPE;
}

TVtLabel::TVtLabel(TComponent* owner) : TLabel(owner) {
    SetControlStyle(ControlStyle() | csOpaque);
    TVtBlinkingControlsList::Instance()->Add(this);
    SetColor(clBtnFace);
    SetParentColor(true);
    normalColor_ = textColor_ = Font()->Color();
}

TVtLabel::~TVtLabel() {
    if (frameController_) frameController_->RemoveControl(this);
    if (auto* list = TVtBlinkingControlsList::Current()) list->Remove(this);
}

template <class T>
void TVtLabel::Set(T& field, T value) {
    if (field == value) return;
    field = value;
    AdjustBounds();
    Invalidate();
}

void TVtLabel::SetAngle(int a) {
    a = NormalizeLabelAngle(a);
    if (a == angle_) return;
    angle_ = a;
    if (a != 0 && !IsLoading()) SwitchToTrueType();
    if (a != 0 && rotation_ == roNone) rotation_ = roFlat;
    AdjustBounds();
    Invalidate();
}

void TVtLabel::SetRotation(TRotation r) {
    if (r == rotation_) return;
    rotation_ = r;
    if (r != roNone && !IsLoading()) SwitchToTrueType();
    if (r == roNone || r == roFlat) angle_ = 0;
    if (r == roFlat) centerPoint_ = cpCenter;
    AdjustBounds();
    Invalidate();
}

void TVtLabel::SwitchToTrueType() {
    if (!IsTrueTypeFont(Font())) Font()->SetName(MapFontFace("Verdana"));
}

void TVtLabel::SetCenterPoint(TCenterPoint c) { Set(centerPoint_, c); }
void TVtLabel::SetTextStyle(TTextStyle s) { Set(textStyle_, s); }
void TVtLabel::SetLightTextStyle(bool l) { Set(lightTextStyle_, l); }
void TVtLabel::SetHighlightColor(TColor c) { Set(highlightColor_, c); }
void TVtLabel::SetShadowColor(TColor c) { Set(shadowColor_, c); }
void TVtLabel::SetShadowDepth(int d) { Set(shadowDepth_, d); }
void TVtLabel::SetBorderOuter(TFrameStyleEx s) { Set(border_.outer, s); }
void TVtLabel::SetBorderInner(TFrameStyleEx s) { Set(border_.inner, s); }
void TVtLabel::SetBorderSides(TSides s) { Set(border_.sides, TSides(s & sdAllSides)); }
void TVtLabel::SetBorderWidth(int w) { Set(border_.borderWidth, w); }
void TVtLabel::SetBevelWidth(int w) { Set(border_.bevelWidth, w); }
void TVtLabel::SetBorderColor(TColor c) { Set(border_.borderColor, c); }
void TVtLabel::SetBorderHighlight(TColor c) { Set(border_.borderHighlight, c); }
void TVtLabel::SetBorderShadow(TColor c) { Set(border_.borderShadow, c); }
void TVtLabel::SetFlatColor(TColor c) { Set(border_.flatColor, c); }
void TVtLabel::SetFlatColorAdjustment(int a) { Set(border_.flatColorAdjustment, a); }
void TVtLabel::SetBlinkColor(TColor c) { Set(blinkColor_, c); }

void TVtLabel::SetCondenseCaption(TVtCondenseCaption c) {
    if (c == condense_) return;
    condense_ = c;
    if (c != ccNone) SetAutoSize(false);
    Invalidate();
}

void TVtLabel::SetBlinking(bool b) {
    if (b == blinking_) return;
    blinking_ = b;
    if (!b) textColor_ = normalColor_;
    Invalidate();
}

uint16_t TVtLabel::BlinkIntervalOn() const { return TVtBlinkingControlsList::Instance()->BlinkIntervalOn(); }
void TVtLabel::SetBlinkIntervalOn(uint16_t ms) { TVtBlinkingControlsList::Instance()->SetBlinkIntervalOn(ms); }
uint16_t TVtLabel::BlinkIntervalOff() const { return TVtBlinkingControlsList::Instance()->BlinkIntervalOff(); }
void TVtLabel::SetBlinkIntervalOff(uint16_t ms) { TVtBlinkingControlsList::Instance()->SetBlinkIntervalOff(ms); }

void TVtLabel::SetFrameController(TVtFrameController* c) { LinkFrameController(this, frameController_, c); }

void TVtLabel::Notification(TComponent* c, TOperation op) {
    TLabel::Notification(c, op);
    if (op == opRemove && c == frameController_) frameController_ = nullptr;
}

void TVtLabel::ReloadFrameSettings() {
    if (TakeControllerFrame(this, frameController_, border_)) Invalidate();
}

void TVtLabel::Loaded() {
    TLabel::Loaded();
    if (angle_ != 0 && rotation_ == roNone) rotation_ = roFlat;
    if (rotation_ != roNone) SwitchToTrueType();
    normalColor_ = textColor_ = Font()->Color();
    AdjustBounds();
}

void TVtLabel::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_QUERYBLINKING: m.Result = blinking_ ? 1 : 0; return;
    case CM_BLINKSTATE:
        if (blinking_) {
            textColor_ = m.WParam == 1 ? blinkColor_ : normalColor_;
            Repaint();
        }
        return;
    case CM_FONTCHANGED:
        if (!IsLoading()) {
            if (!flying_) normalColor_ = Font()->Color();
            if (!blinking_) textColor_ = Font()->Color();
            if (angle_ != 0 && !IsTrueTypeFont(Font())) angle_ = 0;
        }
        break;
    case CM_MOUSEENTER:
        if (!IsDesigning()) {
            if (flyByEnabled_ && !flying_) {
                savedColor_ = Font()->Color();
                flying_ = true;
                Font()->SetColor(flyByColor_);
            }
            if (OnMouseEnter) OnMouseEnter(this);
        }
        break;
    case CM_MOUSELEAVE:
        if (!IsDesigning()) {
            if (flyByEnabled_ && flying_) {
                Font()->SetColor(savedColor_);
                flying_ = false;
            }
            if (OnMouseLeave) OnMouseLeave(this);
        }
        break;
    default: break;
    }
    TLabel::Dispatch(m);
}

static int LevelWidth(TFrameStyleEx s, int bevel) {
    switch (s) {
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return bevel;
    case fsGroove:
    case fsBump:
    case fsLowered:
    case fsButtonDown:
    case fsRaised:
    case fsButtonUp: return 2;
    default: return 0;
    }
}

TRect TVtLabel::FrameInsets() const {
    int w = LevelWidth(border_.outer, border_.bevelWidth) + LevelWidth(border_.inner, border_.bevelWidth);
    auto side = [&](TSide s) { return border_.borderWidth + (HasSide(border_.sides, s) ? w : 0); };
    return TRect(side(sdLeft), side(sdTop), side(sdRight), side(sdBottom));
}

UINT TVtLabel::TextFlags() const {
    UINT f = (Alignment() == taRightJustify ? DT_RIGHT : Alignment() == taCenter ? DT_CENTER : DT_LEFT) | DT_EXPANDTABS;
    if (BiDiMode() != bdLeftToRight) f |= DT_RTLREADING | DT_RIGHT;
    if (WordWrap()) f |= DT_WORDBREAK;
    if (condense_ == ccAtEnd) f |= DT_END_ELLIPSIS;
    if (condense_ == ccWithinPath) f |= DT_PATH_ELLIPSIS;
    return f;
}

void TVtLabel::DrawStyledText(TCanvas* c, const std::function<void(int dx, int dy)>& draw) {
    auto in = [&](TColor color, int dx, int dy) {
        c->Font()->SetColor(color);
        draw(dx, dy);
    };
    if (!Enabled()) {
        in(clBtnHighlight, 1, 1);
        in(clBtnShadow, 0, 0);
        return;
    }
    if (textStyle_ == tsRaised || textStyle_ == tsRecessed) {
        bool raised = textStyle_ == tsRaised;
        TColor a = raised ? highlightColor_ : shadowColor_, b = raised ? shadowColor_ : highlightColor_;
        if (!raised || !lightTextStyle_) in(b, 1, 1);
        if (raised || !lightTextStyle_) in(a, -1, -1);
    } else if (textStyle_ == tsShadow) {
        in(shadowColor_, shadowDepth_, shadowDepth_);
    }
    in(textColor_, 0, 0);
}

void TVtLabel::DrawStraight(TCanvas* c, TRect r) {
    UINT flags = TextFlags();
    TRect calc = r;
    int h = c->DrawText(Caption(), calc, flags | DT_CALCRECT);
    if (Layout() == tlCenter) OffsetRect(r, 0, (Height() - border_.borderWidth - h) / 2);
    if (Layout() == tlBottom) OffsetRect(r, 0, Height() - border_.borderWidth - h);
    if (textStyle_ == tsShadow) {
        if (Alignment() == taRightJustify) OffsetRect(r, -shadowDepth_, 0);
        if (Layout() == tlBottom) OffsetRect(r, 0, -shadowDepth_);
    }
    DrawStyledText(c, [&](int dx, int dy) {
        TRect q = r;
        OffsetRect(q, dx, dy);
        c->DrawText(Caption(), q, flags);
    });
}

TPoint TVtLabel::CenterOf() const {
    int b = border_.borderWidth, w = Width(), h = Height();
    if (rotation_ == roFlat) return TPoint(w / 2, h / 2);
    switch (centerPoint_) {
    case cpUpperLeft: return TPoint(b, b);
    case cpUpperCenter: return TPoint(w / 2, b);
    case cpUpperRight: return TPoint(w, b);
    case cpLeftCenter: return TPoint(b, h / 2);
    case cpRightCenter: return TPoint(w - b, h / 2);
    case cpLowerLeft: return TPoint(b, h - b);
    case cpLowerCenter: return TPoint(w / 2, h - b);
    case cpLowerRight: return TPoint(w - b, h - b);
    default: return TPoint(w / 2, h / 2);
    }
}

// The text's extent turned about its start point: where to start so that its middle lands on the centre.
void TVtLabel::DrawFlat(TCanvas* c) {
    TSize ext = c->TextExtent(Caption());
    if (textStyle_ == tsShadow) ext.cx += shadowDepth_ / 2, ext.cy += shadowDepth_ / 2;
    HFONT f = CreateRotatedFont(Font(), angle_);
    TColor color = c->Font()->Color();
    c->Font()->SetHandle(f);
    c->Font()->SetColor(color);
    DeleteObject(f);
    TPoint ctr = CenterOf();
    int x, y;
    switch (angle_) {
    case 0:
    case 360: x = ctr.X - ext.cx / 2, y = ctr.Y - ext.cy / 2; break;
    case 90: x = ctr.X - ext.cy / 2, y = ctr.Y + ext.cx / 2; break;
    case 180: x = ctr.X + ext.cx / 2, y = ctr.Y + ext.cy / 2; break;
    case 270: x = ctr.X + ext.cy / 2, y = ctr.Y - ext.cx / 2; break;
    default: {
        double a = angle_ * std::numbers::pi / 180, up = std::numbers::pi / 2 + a;
        // Back along the baseline by half the width, and up across it by half the height.
        x = int(std::lround(ctr.X - ext.cx / 2.0 * std::cos(a) + ext.cy / 2.0 * std::cos(up)));
        y = int(std::lround(ctr.Y + ext.cx / 2.0 * std::sin(a) - ext.cy / 2.0 * std::sin(up)));
        break;
    }
    }
    DrawStyledText(c, [&](int dx, int dy) { c->TextOut(x + dx, y + dy, Caption()); });
}

// Character by character along an arc over the centre point, each turned to its place on the arc.
void TVtLabel::DrawCurved(TCanvas* c) {
    const std::string& text = Caption();
    if (text.empty()) return;
    int b = border_.borderWidth, w = Width(), h = Height();
    int rw, rh;
    switch (centerPoint_) {
    case cpUpperCenter:
    case cpLowerCenter: rw = w / 2 - 2 * b, rh = h - 2 * b; break;
    case cpLeftCenter:
    case cpRightCenter: rw = w - 2 * b, rh = h / 2 - 2 * b; break;
    case cpCenter: rw = w / 2 - 2 * b, rh = h / 2 - 2 * b; break;
    default: rw = w - 2 * b, rh = h - 2 * b; break;
    }
    TSize ext = c->TextExtent(text);
    double radius = std::max(1, std::min(rw, rh) - ext.cy);
    TPoint ctr = CenterOf();
    // The arc spans the text's width, centred on the top of the circle turned by the label's angle; the
    // characters run clockwise, each upright to the arc at its middle and hanging inward from it.
    double span = ext.cx / radius, pos = std::numbers::pi / 2 + angle_ * std::numbers::pi / 180 + span / 2;
    TColor color = c->Font()->Color();
    for (size_t i = 0; i < text.size();) {
        // One character: a GBK lead byte takes its trail byte along.
        size_t n = static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size() ? 2 : 1;
        std::string s = text.substr(i, n);
        i += n;
        int cw = c->TextExtent(s).cx;
        double mid = pos - cw / (2 * radius);
        int deg = int(std::lround(mid * 180 / std::numbers::pi)) - 90;
        deg = ((deg % 360) + 360) % 360;
        HFONT f = CreateRotatedFont(Font(), deg);
        c->Font()->SetHandle(f);
        c->Font()->SetColor(color);
        DeleteObject(f);
        int x = int(std::lround(ctr.X + radius * std::cos(pos)));
        int y = int(std::lround(ctr.Y - radius * std::sin(pos)));
        DrawStyledText(c, [&](int dx, int dy) { c->TextOut(x + dx, y + dy, s); });
        color = c->Font()->Color();
        pos -= cw / radius;
    }
}

void TVtLabel::Paint() {
    TCanvas* c = Canvas();
    TRect r(0, 0, Width(), Height());
    TFrameParams p = border_;
    p.controlColor = Color();
    p.parentColor = Parent() ? Parent()->Color() : Color();
    p.transparent = Transparent();
    r = DrawFrame(c, r, p);
    if (!Transparent()) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    c->SetFont(*Font());
    if (rotation_ == roCurve) {
        DrawCurved(c);
    } else if (rotation_ == roFlat) {
        DrawFlat(c);
    } else {
        TRect in = FrameInsets(), t(in.Left, in.Top, Width() - in.Right, Height() - in.Bottom);
        DrawStraight(c, t);
    }
    c->Brush()->SetStyle(bsSolid);
}

void TVtLabel::AdjustBounds() {
    if (!AutoSize() || IsLoading()) return;
    TBitmap probe(1, 1);
    TCanvas* c = probe.Canvas();
    c->SetFont(*Font());
    UINT flags = DT_CALCRECT | DT_EXPANDTABS | (WordWrap() ? UINT(DT_WORDBREAK) : 0u);
    if (condense_ == ccAtEnd) flags |= DT_END_ELLIPSIS;
    if (condense_ == ccWithinPath) flags |= DT_PATH_ELLIPSIS;
    TRect r(0, 0, WordWrap() ? Width() : 0, 0);
    c->DrawText(Caption().empty() ? std::string(" ") : Caption(), r, flags);
    int w = r.Width(), h = r.Height();
    if (rotation_ == roFlat && angle_ != 0 && angle_ != 180) {
        double a = angle_ * std::numbers::pi / 180;
        int rw = int(std::ceil(std::abs(w * std::cos(a)) + std::abs(h * std::sin(a))));
        int rh = int(std::ceil(std::abs(w * std::sin(a)) + std::abs(h * std::cos(a))));
        w = rw, h = rh;
    }
    if (textStyle_ == tsShadow) {
        int d = rotation_ == roNone ? shadowDepth_ : shadowDepth_ / 2;
        w += d, h += d;
    }
    TRect in = FrameInsets();
    w += in.Left + in.Right;
    h += in.Top + in.Bottom;
    int x = Left();
    if (Alignment() == taRightJustify) x += Width() - w;
    SetBounds(x, Top(), w, h);
}
