#include "widgets/VtCommon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Themes.h"
#include "widgets/VtGrafx.h"

namespace {

// Round half to even, as the colour and bar formulas expect.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

BYTE ToByte(double v) { return static_cast<BYTE>(std::clamp(RoundEven(240.0 * v), 0, 255)); }

}  // namespace

// ---- colours ----

void ColorToHLS(TColor c, BYTE& hue, BYTE& saturation, BYTE& lightness) {
    TColor rgb = ColorToRGB(c);
    double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
    double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double l = (mx + mn) / 2, h = 0, s = 0;
    if (mx != mn) {
        double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0) h += 1;
    }
    hue = ToByte(h);
    saturation = ToByte(s);
    lightness = ToByte(l);
}

TColor HLSToColor(BYTE hue, BYTE saturation, BYTE lightness) {
    double h = hue / 239.0, s = saturation / 240.0, l = lightness / 240.0;
    double m2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
    if (m2 <= 0) return clBlack;
    double m1 = 2 * l - m2;
    int k = static_cast<int>(6 * h);
    double f = 6 * h - k;
    double v = m2 * ((m2 - m1) / m2) * f;
    double mid1 = m1 + v, mid2 = m2 - v;
    double r, g, b;
    switch (k) {
    case 1: r = mid2, g = m2, b = m1; break;
    case 2: r = m1, g = m2, b = mid1; break;
    case 3: r = m1, g = mid2, b = m2; break;
    case 4: r = mid1, g = m1, b = m2; break;
    case 5: r = m2, g = m1, b = mid2; break;
    default: r = m2, g = mid1, b = m1; break;
    }
    // A saturation byte above 240 makes m1 negative at low lightness: clamp below as well as above.
    auto channel = [](double x) { return RoundEven(255 * std::clamp(x, 0.0, 1.0)); };
    return RGB(channel(r), channel(g), channel(b));
}

BYTE GetHue(TColor c) {
    BYTE h, s, l;
    ColorToHLS(c, h, s, l);
    return h;
}

TColor DarkerColor(TColor c, BYTE amount) {
    BYTE h, s, l;
    ColorToHLS(c, h, s, l);
    return HLSToColor(h, s, static_cast<BYTE>(std::max(int(l) - amount, 0)));
}

TColor LighterColor(TColor c, BYTE amount) {
    BYTE h, s, l;
    ColorToHLS(c, h, s, l);
    return HLSToColor(h, s, static_cast<BYTE>(std::min(int(l) + amount, 255)));
}

TColor AdjustColor(TColor c, int amount) {
    if (amount == 0) return c;
    auto low = static_cast<BYTE>(std::llabs(static_cast<long long>(amount)) & 0xFF);
    return amount < 0 ? DarkerColor(c, low) : LighterColor(c, low);
}

TColor BlendColors(TColor a, TColor b, BYTE weight) {
    TColor ca = ColorToRGB(a), cb = ColorToRGB(b);
    double w = weight / 255.0;
    auto mix = [w](int x, int y) { return RoundEven(x * w + y * (1 - w)); };
    return RGB(mix(GetRValue(ca), GetRValue(cb)), mix(GetGValue(ca), GetGValue(cb)),
               mix(GetBValue(ca), GetBValue(cb)));
}

bool ColorsAreSimilar(TColor a, TColor b) {
    BYTE ha, sa, la, hb, sb, lb;
    ColorToHLS(a, ha, sa, la);
    ColorToHLS(b, hb, sb, lb);
    return std::abs(ha - hb) < 20 && std::abs(la - lb) < 60;
}

bool IsHighColorDisplay() { return GetDeviceCaps(nullptr, NUMCOLORS) == -1; }

TRect CenterRect(const TRect& r, int width, int height) {
    int left = (r.Left + r.Right - width) / 2, top = (r.Top + r.Bottom - height) / 2;
    return TRect(left, top, left + width, top + height);
}

// ---- border painters ----

namespace {

void Line(TCanvas* c, int x1, int y1, int x2, int y2) {
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
}

TRect Inset(TRect r, TSides s, int n) {
    if (HasSide(s, sdLeft)) r.Left += n;
    if (HasSide(s, sdTop)) r.Top += n;
    if (HasSide(s, sdRight)) r.Right -= n;
    if (HasSide(s, sdBottom)) r.Bottom -= n;
    return r;
}

// Two offset lines with patched corners: the groove and, colours swapped, the bump.
TRect DrawGroove(TCanvas* c, const TRect& r, TColor ul, TColor lr, TSides s) {
    bool left = HasSide(s, sdLeft), top = HasSide(s, sdTop), right = HasSide(s, sdRight),
         bottom = HasSide(s, sdBottom);
    if (right)
        c->SetPixel(r.Right - 1, r.Top, lr);
    else if (top)
        c->SetPixel(r.Right - 1, r.Top, ul);
    if (bottom)
        c->SetPixel(r.Left, r.Bottom - 1, lr);
    else if (left)
        c->SetPixel(r.Left, r.Bottom - 1, ul);
    if (top && !left) c->SetPixel(r.Left, r.Top + 1, lr);
    if (left && !top) c->SetPixel(r.Left + 1, r.Top, lr);
    if (bottom && !right) c->SetPixel(r.Right - 1, r.Bottom - 2, ul);
    if (right && !bottom) c->SetPixel(r.Right - 2, r.Bottom - 1, ul);
    TRect q = r;
    q.Left += 1;
    q.Top += 1;
    DrawSides(c, q, lr, lr, s);
    OffsetRect(q, -1, -1);
    DrawSides(c, q, ul, ul, s);
    return Inset(r, s, 2);
}

}  // namespace

TRect DrawSides(TCanvas* c, TRect r, TColor ulColor, TColor lrColor, TSides sides) {
    c->Pen()->SetStyle(psSolid);
    if (ulColor != clNone) {
        c->Pen()->SetColor(ulColor);
        if (HasSide(sides, sdLeft)) Line(c, r.Left, r.Top, r.Left, r.Bottom);
        if (HasSide(sides, sdTop)) Line(c, r.Left, r.Top, r.Right, r.Top);
    }
    if (lrColor != clNone) {
        c->Pen()->SetColor(lrColor);
        if (HasSide(sides, sdRight)) Line(c, r.Right - 1, r.Top, r.Right - 1, r.Bottom);
        if (HasSide(sides, sdBottom)) Line(c, r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
    }
    return Inset(r, sides, 1);
}

TRect DrawBevel(TCanvas* c, TRect r, TColor ulColor, TColor lrColor, int width, TSides sides) {
    if (width <= 0) return r;
    c->Pen()->SetWidth(1);
    for (int i = 0; i < width; ++i) r = DrawSides(c, r, ulColor, lrColor, sides);
    return r;
}

namespace {

// An outer and an inner one-pixel bevel.
TRect DrawTwoRings(TCanvas* c, TRect r, TColor outerUL, TColor outerLR, TColor innerUL, TColor innerLR,
                   TSides sides) {
    r = DrawBevel(c, r, outerUL, outerLR, 1, sides);
    return DrawBevel(c, r, innerUL, innerLR, 1, sides);
}

}  // namespace

TRect DrawWindowsBorder(TCanvas* c, TRect r, bool sunken, TSides sides) {
    return sunken ? DrawTwoRings(c, r, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, sides)
                  : DrawTwoRings(c, r, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow, sides);
}

TRect DrawButtonBorder(TCanvas* c, TRect r, bool down, TSides sides) {
    return down ? DrawTwoRings(c, r, clBtnText, clBtnText, clBtnShadow, clBtnShadow, sides)
                : DrawTwoRings(c, r, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, sides);
}

TRect DrawColorButtonBorder(TCanvas* c, TRect r, TColor base, bool down, TSides sides) {
    TColor d100 = DarkerColor(base, 100), d50 = DarkerColor(base, 50);
    return down ? DrawTwoRings(c, r, d100, d100, d50, d50, sides)
                : DrawTwoRings(c, r, LighterColor(base, 100), d100, LighterColor(base, 40), d50, sides);
}

TRect DrawBorder(TCanvas* c, TRect r, TFrameStyle style, TSides sides) {
    switch (style) {
    case fsFlat: return DrawSides(c, r, cl3DDkShadow, cl3DDkShadow, sides);
    case fsStatus: return DrawSides(c, r, clBtnShadow, clBtnHighlight, sides);
    case fsPopup: return DrawSides(c, r, clBtnHighlight, clBtnShadow, sides);
    case fsLowered:
    case fsRaised: return DrawWindowsBorder(c, r, style == fsLowered, sides);
    case fsButtonDown:
    case fsButtonUp: return DrawButtonBorder(c, r, style == fsButtonDown, sides);
    case fsFlatBold: return DrawBevel(c, r, clBtnShadow, clBtnShadow, 2, sides);
    case fsGroove: return DrawGroove(c, r, clBtnShadow, clBtnHighlight, sides);
    case fsBump: return DrawGroove(c, r, clBtnHighlight, clBtnShadow, sides);
    default: return r;
    }
}

TRect DrawColorBorder(TCanvas* c, TRect r, TColor base, TFrameStyle style, TSides sides) {
    auto D = [base](BYTE n) { return DarkerColor(base, n); };
    auto L = [base](BYTE n) { return LighterColor(base, n); };
    switch (style) {
    case fsFlat: return DrawSides(c, r, D(50), D(50), sides);
    case fsStatus: return DrawSides(c, r, D(50), L(100), sides);
    case fsPopup: return DrawSides(c, r, L(100), D(50), sides);
    case fsFlatBold: return DrawBevel(c, r, D(50), D(50), 2, sides);
    case fsLowered: return DrawTwoRings(c, r, D(50), L(100), D(100), L(50), sides);
    case fsRaised: return DrawTwoRings(c, r, L(50), D(100), L(100), D(50), sides);
    case fsButtonDown:
    case fsButtonUp: return DrawColorButtonBorder(c, r, base, style == fsButtonDown, sides);
    case fsGroove: return DrawGroove(c, r, D(50), L(100), sides);
    case fsBump: return DrawGroove(c, r, L(100), D(50), sides);
    default: return r;
    }
}

TRect DrawRoundedFlatBorder(TCanvas* c, TRect r, TColor color, TSides sides) {
    bool left = HasSide(sides, sdLeft), top = HasSide(sides, sdTop), right = HasSide(sides, sdRight),
         bottom = HasSide(sides, sdBottom);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(color);
    int y1 = top ? r.Top + 2 : r.Top, y2 = bottom ? r.Bottom - 2 : r.Bottom;
    int x1 = left ? r.Left + 2 : r.Left, x2 = right ? r.Right - 2 : r.Right;
    if (left) Line(c, r.Left, y1, r.Left, y2);
    if (top) Line(c, x1, r.Top, x2, r.Top);
    if (right) Line(c, r.Right - 1, y1, r.Right - 1, y2);
    if (bottom) Line(c, x1, r.Bottom - 1, x2, r.Bottom - 1);
    if (left && top) c->SetPixel(r.Left + 1, r.Top + 1, color);
    if (top && right) c->SetPixel(r.Right - 2, r.Top + 1, color);
    if (right && bottom) c->SetPixel(r.Right - 2, r.Bottom - 2, color);
    if (left && bottom) c->SetPixel(r.Left + 1, r.Bottom - 2, color);
    return Inset(r, sides, 2);
}

TRect DrawCornerlessFrame(TCanvas* c, TRect r, TColor color) {
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(color);
    Line(c, r.Left, r.Top + 1, r.Left, r.Bottom - 1);
    Line(c, r.Left + 1, r.Top, r.Right - 1, r.Top);
    Line(c, r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    Line(c, r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
    InflateRect(r, -1, -1);
    return r;
}

TRect DrawFocusBorder(TCanvas* c, TRect r) {
    for (int y = r.Top + 1; y < r.Bottom; y += 2) {
        c->SetPixel(r.Left, y, 0);
        c->SetPixel(r.Right - 1, y, 0);
    }
    for (int x = r.Left + 1; x < r.Right; x += 2) {
        c->SetPixel(x, r.Top, 0);
        c->SetPixel(x, r.Bottom - 1, 0);
    }
    return Inset(r, sdAllSides, 1);
}

namespace {

// One level of a DrawFrame border.
TRect DrawFrameLevel(TCanvas* c, TRect r, TFrameStyleEx style, bool inner, TColor flat, const TFrameParams& p) {
    TSides s = p.sides;
    switch (style) {
    case fsFlat:
        if (inner && p.fullLine) return DrawCornerlessFrame(c, r, flat);
        return DrawBevel(c, r, flat, flat, 1, s);
    case fsFlatBold: return DrawBevel(c, r, flat, flat, 2, s);
    case fsFlatRounded:
        // The rounded border leaves its corners to what lies beneath: the parent's colour outside, and the
        // next ring's colour inside.
        if (!p.transparent) {
            TRect q = DrawBevel(c, r, inner ? p.borderColor : p.parentColor, inner ? p.borderColor : p.parentColor,
                                1, s);
            TColor ring = inner || (p.borderWidth < 1 && p.inner == fsNone) ? p.controlColor : p.borderColor;
            DrawBevel(c, q, ring, ring, 1, s);
        } else if (inner || p.borderWidth > 0 || p.inner != fsNone) {
            DrawBevel(c, Inset(r, s, 1), p.borderColor, p.borderColor, 1, s);
        }
        return DrawRoundedFlatBorder(c, r, flat, s);
    case fsPopup: return DrawBevel(c, r, p.borderHighlight, p.borderShadow, p.bevelWidth, s);
    case fsStatus: return DrawBevel(c, r, p.borderShadow, p.borderHighlight, p.bevelWidth, s);
    default: return DrawBorder(c, r, style, s);
    }
}

}  // namespace

TRect DrawFrame(TCanvas* c, TRect r, const TFrameParams& p) {
    TColor flat = AdjustColor(p.flatColor, p.flatColorAdjustment);
    r = DrawFrameLevel(c, r, p.outer, false, flat, p);
    if (p.borderWidth > 0) r = DrawBevel(c, r, p.borderColor, p.borderColor, p.borderWidth, p.sides);
    return DrawFrameLevel(c, r, p.inner, true, flat, p);
}

TRect DrawControlFrame(TCanvas* c, int width, int height, TFrameStyle style, TColor controlColor,
                       TColor frameColor, TSides sides, bool skipRing) {
    TRect r(0, 0, width, height);
    if (!skipRing) DrawBevel(c, r, controlColor, controlColor, 2, sdAllSides);
    switch (style) {
    case fsFlat: return DrawSides(c, r, frameColor, frameColor, sides);
    case fsFlatBold: return DrawBevel(c, r, frameColor, frameColor, 2, sides);
    default:
        return controlColor == clWindow ? DrawBorder(c, r, style, sides)
                                        : DrawColorBorder(c, r, controlColor, style, sides);
    }
}

// ---- progress bodies ----

void DrawTraditionalBar(TCanvas* c, TRect r, TOrientation orientation, TColor barColor, TColor backColor,
                        uint16_t percent, bool showPercent) {
    char text[16] = "";
    if (showPercent) std::snprintf(text, sizeof text, "%u%%", unsigned(percent));
    TRect filled = r, rest = r;
    if (percent < 100) {
        if (orientation == orVertical)
            filled.Top = r.Bottom - RoundEven((r.Bottom - r.Top) * percent / 100.0);
        else
            filled.Right = r.Left + RoundEven((r.Right - r.Left) * percent / 100.0);
    }
    if (orientation == orVertical)
        rest.Bottom = filled.Top;
    else
        rest.Left = filled.Right;
    UINT oldAlign = c->SetTextAlign(TA_CENTER);
    c->Brush()->SetStyle(bsSolid);
    int x = r.Right / 2, y = r.Top + (r.Bottom - r.Top - c->TextHeight("X")) / 2;
    c->Font()->SetColor(backColor);
    c->Brush()->SetColor(barColor);
    if (!filled.IsEmpty()) c->TextRect(filled, x, y, text);
    c->Font()->SetColor(barColor);
    c->Brush()->SetColor(backColor);
    if (!rest.IsEmpty()) c->TextRect(rest, x, y, text);
    c->SetTextAlign(oldAlign);
}

void DrawLEDBar(TCanvas* c, TRect r, TOrientation orientation, TColor barColor, TColor backColor, int segments,
                int percent, bool useThemes) {
    bool vertical = orientation == orVertical;
    TThemeServices* theme = ThemeServices();
    if (useThemes && theme->ThemesEnabled()) {
        theme->DrawElement(c, theme->GetElementDetails(vertical ? tpProgressBarVert : tpProgressBar), r);
        TRect in = r;
        InflateRect(in, -1, -1);
        int length = std::max(vertical ? in.Height() : in.Width(), 0);
        // Percent may be any 16-bit value: the chunk never leaves the body.
        int chunk = std::clamp(RoundEven(double(percent) * length / 100), 0, length);
        if (!vertical) {
            theme->DrawElement(c, theme->GetElementDetails(tpProgressChunk),
                               TRect(in.Left, in.Top, in.Left + chunk, in.Bottom));
            return;
        }
        if (in.Width() <= 0 || length == 0) return;
        TBitmap tmp(in.Width(), length);
        TRect part(0, 0, in.Width(), chunk);
        if (part.Top == part.Bottom) part.Bottom += 1;
        theme->DrawElement(tmp.Canvas(), theme->GetElementDetails(tpProgressChunkVert), part);
        FlipBitmapVertical(&tmp);
        int h = std::min(part.Bottom, length);
        c->BitBlt(in.Left, in.Bottom - h, in.Width(), h, tmp.Canvas(), 0, length - h, SRCCOPY);
        return;
    }
    int length = vertical ? r.Height() : r.Width();
    int n = std::max(segments, 1);
    int size = length / n;
    if (length <= 80 && n >= 11) {
        n = 10;
        size = length / 10;
    }
    int extra = size != 0 ? (length - n * size) / size : 0;
    int count = extra >= 1 ? n + extra : n;
    int margin = (length - count * size) / 2;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(backColor);
    if (vertical) {
        c->FillRect(TRect(r.Left, r.Top, r.Right, r.Top + margin));
        c->FillRect(TRect(r.Left, r.Top + margin + count * size, r.Right, r.Bottom));
    } else {
        c->FillRect(TRect(r.Left, r.Top, r.Left + margin, r.Bottom));
        c->FillRect(TRect(r.Left + margin + count * size, r.Top, r.Right, r.Bottom));
    }
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(backColor);
    int lit = std::clamp(static_cast<int>(static_cast<int64_t>(percent) * count / 100), 0, count);
    for (int i = 1; i <= count; ++i) {
        c->Brush()->SetColor(i <= lit ? barColor : backColor);
        if (vertical) {
            int top = r.Top + (count - i) * size + margin;
            c->Rectangle(r.Left, top, r.Right, top + size);
        } else {
            int left = r.Left + (i - 1) * size + margin;
            c->Rectangle(left, r.Top, left + size, r.Bottom);
        }
    }
}

bool ThemesActive() { return ThemeServices()->ThemesEnabled(); }

namespace {
void DrawThemed(TCanvas* c, TRect r, TThemedPart part, bool pressed, bool enabled) {
    TThemedState st = !enabled ? tsDisabled : pressed ? tsPressed : tsNormal;
    ThemeServices()->DrawElement(c, ThemeServices()->GetElementDetails(part, st), r);
}
}  // namespace

void DrawThemedScrollArrow(TCanvas* c, TRect r, TArrowDirection direction, bool pressed, bool enabled) {
    static constexpr TThemedPart parts[] = {tpScrollArrowUp, tpScrollArrowDown, tpScrollArrowLeft,
                                            tpScrollArrowRight};
    DrawThemed(c, r, parts[direction], pressed, enabled);
}

void DrawThemedCloseButton(TCanvas* c, TRect r, bool pressed, bool enabled) {
    DrawThemed(c, r, tpCloseButton, pressed, enabled);
}

// ---- glyphs ----

namespace {

TColor ArrowColor(int style, bool enabled) {
    if (!enabled) return clBtnShadow;
    if (style != 1) return clBlack;
    // The themed look takes its colour from what the theme draws in the middle of a drop-down button.
    TBitmap tmp(17, 21);
    TThemeServices* theme = ThemeServices();
    theme->DrawElement(tmp.Canvas(), theme->GetElementDetails(tpComboDropDown), TRect(0, 0, 16, 20));
    TColor pixel = tmp.Canvas()->Pixel(8, 10);
    return ColorsAreSimilar(pixel, clWindow) ? cl3DDkShadow : pixel;
}

TPoint ArrowCentre(const TRect& r) {
    int y = r.Top + (r.Bottom - r.Top) / 2;
    if ((r.Bottom - r.Top) % 2 == 0) y -= 1;
    return TPoint(r.Left + (r.Right - r.Left) / 2, y);
}

void FillArrow(TCanvas* c, TColor color, const std::vector<TPoint>& pts) {
    TColor oldBrush = c->Brush()->Color();
    TPenStyle oldPen = c->Pen()->Style();
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(color);
    c->Polygon(pts);
    c->Pen()->SetStyle(oldPen);
    c->Brush()->SetColor(oldBrush);
}

}  // namespace

void DrawDropDownArrow(TCanvas* c, TRect r, int style, bool pressed, bool enabled) {
    TColor color = ArrowColor(style, enabled);
    TPoint p = ArrowCentre(r);
    int x = p.X, y = p.Y + (style == 1 ? 4 : 2);
    if (pressed) ++x, ++y;
    if (style != 1)
        FillArrow(c, color, {{x, y}, {x - 3, y - 4}, {x + 4, y - 4}});
    else
        FillArrow(c, color, {{x, y}, {x - 4, y - 5}, {x - 3, y - 7}, {x, y - 3}, {x + 3, y - 7}, {x + 5, y - 5}});
}

void DrawArrow(TCanvas* c, TRect r, int style, TArrowDirection direction, bool pressed, bool enabled) {
    TColor color = ArrowColor(style, enabled);
    TPoint p = ArrowCentre(r);
    int x = p.X, y = p.Y;
    if (style != 1) {
        if (direction == adUp || direction == adDown)
            y += 2;
        else
            x -= 2;
    } else {
        static const int dx[] = {0, 0, -1, -3}, dy[] = {4, 2, 0, 0};
        x += dx[direction & 3];
        y += dy[direction & 3];
    }
    if (pressed && enabled) ++x, ++y;
    std::vector<TPoint> pts;
    if (style != 1) {
        switch (direction) {
        case adUp: pts = {{x, y - 5}, {x + 4, y}, {x - 4, y}}; break;
        case adDown: pts = {{x, y + 1}, {x - 3, y - 3}, {x + 4, y - 3}}; break;
        case adLeft: pts = {{x, y}, {x + 4, y - 4}, {x + 4, y + 4}}; break;
        default: pts = {{x + 4, y}, {x, y + 4}, {x, y - 4}}; break;
        }
    } else {
        switch (direction) {
        case adUp: pts = {{x, y - 5}, {x + 4, y}, {x + 1, y}, {x, y - 2}, {x - 1, y}, {x - 4, y}}; break;
        case adDown: pts = {{x, y}, {x - 3, y - 4}, {x, y - 4}, {x, y - 3}, {x + 1, y - 4}, {x + 4, y - 4}}; break;
        case adLeft:
            pts = {{x, y}, {x + 4, y - 4}, {x + 4, y - 1}, {x + 3, y}, {x + 4, y + 1}, {x + 4, y + 4}};
            break;
        default: pts = {{x + 4, y}, {x, y + 4}, {x, y + 1}, {x + 1, y}, {x, y - 1}, {x, y - 4}}; break;
        }
    }
    FillArrow(c, color, pts);
}
