#include "widgets/VtGrafx.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"

void StretchBitmapTransparent(TCanvas* dest, const TRect& destRect, TBitmap* src, const TRect& srcRect,
                              TColor transparentColor) {
    int w = destRect.Width(), h = destRect.Height();
    if (w <= 0 || h <= 0 || srcRect.Width() <= 0 || srcRect.Height() <= 0) return;
    // The platform has no transparent stretch copy: stretch the source to the destination's size, take what
    // lies under it, and let the source through wherever it is not the transparent colour.
    TBitmap stretched(w, h, pf32bit), under(w, h, pf32bit);
    stretched.Canvas()->StretchBlt(0, 0, w, h, src->Canvas(), srcRect.Left, srcRect.Top, srcRect.Width(),
                                   srcRect.Height(), SRCCOPY);
    under.Canvas()->BitBlt(0, 0, w, h, dest, destRect.Left, destRect.Top, SRCCOPY);
    TColor key = ColorToRGB(transparentColor);
    const uint8_t kb = GetBValue(key), kg = GetGValue(key), kr = GetRValue(key);
    for (int y = 0; y < h; ++y) {
        auto* s = static_cast<const uint8_t*>(stretched.ScanLine(y));
        auto* d = static_cast<uint8_t*>(under.ScanLine(y));
        for (int x = 0; x < w; ++x, s += 4, d += 4)
            if (s[0] != kb || s[1] != kg || s[2] != kr) std::memcpy(d, s, 3);
    }
    dest->BitBlt(destRect.Left, destRect.Top, w, h, under.Canvas(), 0, 0, SRCCOPY);
}

void FlipBitmapVertical(TBitmap* bitmap) {
    int h = bitmap->Height();
    if (h < 2 || bitmap->Width() <= 0) return;
    int n = bitmap->BytesPerScanLine();
    std::vector<uint8_t> row(n);
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
        auto* a = static_cast<uint8_t*>(bitmap->ScanLine(top));
        auto* b = static_cast<uint8_t*>(bitmap->ScanLine(bottom));
        std::memcpy(row.data(), a, n);
        std::memcpy(a, b, n);
        std::memcpy(b, row.data(), n);
    }
}

void TileByDoubling(HDC dc, int x, int y, DWORD rop, int coveredH, int coveredW, int totalH, int totalW) {
    int w = coveredW, h = coveredH;
    // A block of no width or height can never grow.
    if (w <= 0 || h <= 0) return;
    bool down = totalH > h;
    while (h < totalH || w < totalW) {
        if (down && h < totalH) {
            int n = std::min(h, totalH - h);
            dc->BitBlt(x, y + h, w, n, dc, x, y, rop);
            h += n;
        } else if (w < totalW) {
            int n = std::min(w, totalW - w);
            dc->BitBlt(x + w, y, n, h, dc, x, y, rop);
            w += n;
        }
        down = !down;
    }
}

void MirrorQuadrant(HDC dc, int x, int y, DWORD rop, int h, int w) {
    int hw = w / 2, hh = h / 2;
    if (hw <= 0 || hh <= 0) return;
    dc->StretchBlt(x, y + h - 1, hw + 1, -hh, dc, x, y, hw, hh, rop);
    dc->StretchBlt(x + w - 1, y, -hw - (hw & 1), h, dc, x, y, hw & ~1, h, rop);
}

namespace {

// Indices taken per band: steps 0 and 1 give bands one index wide.
int BandSize(BYTE steps, int over8) { return steps > 8 ? over8 / steps + 1 : std::max<int>(steps, 1); }

// 16.16 fixed-point channels stepping from one colour towards another in n steps.
struct FixedColor {
    int r, g, b, dr, dg, db;
    FixedColor(TColor from, TColor to, int n)
        : r(GetRValue(from) << 16), g(GetGValue(from) << 16), b(GetBValue(from) << 16),
          dr(((GetRValue(to) << 16) - r) / n), dg(((GetGValue(to) << 16) - g) / n),
          db(((GetBValue(to) << 16) - b) / n) {}
    TColor Color() const { return RGB(r >> 16, g >> 16, b >> 16); }
    void Step() { r += dr, g += dg, b += db; }
};

void FillBand(HDC dc, const TRect& r, TColor color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, r, brush);
    DeleteObject(brush);
}

// Indices hi down to lo (1-based rows or columns), far colour at hi.
void BandRun(HDC dc, bool alongRows, int hi, int lo, TColor nearColor, TColor farColor, BYTE steps) {
    int n = hi - lo + 1;
    if (n <= 0) return;
    int k = BandSize(steps, 255);
    FixedColor fc(farColor, nearColor, n);
    auto fill = [&](int from, int to, TColor color) {  // indices from..to, from <= to
        TRect r = alongRows ? TRect(0, from - 1, 8, to) : TRect(from - 1, 0, to, 8);
        FillBand(dc, r, color);
    };
    int bandStart = hi, taken = 0;
    TColor bandColor = fc.Color();
    for (int i = hi; i >= lo; --i, fc.Step()) {
        TColor color = fc.Color();
        if (taken >= k && color != bandColor) {
            fill(i + 1, bandStart, bandColor);
            bandStart = i;
            bandColor = color;
            taken = 0;
        }
        ++taken;
    }
    fill(lo, bandStart, bandColor);
}

}  // namespace

void DrawLinearGradientBands(HDC dc, bool alongRows, int split, int length, TColor nearColor, TColor farColor,
                             BYTE steps) {
    if (split < 0) {
        BandRun(dc, alongRows, length, 1, nearColor, farColor, steps);
        return;
    }
    BandRun(dc, alongRows, std::min(split + 1, length), 1, nearColor, farColor, steps);
    BandRun(dc, alongRows, length, split + 2, farColor, nearColor, steps);
}

void DrawBoxGradient(HDC dc, int width, int height, int xOffset, int yOffset, TColor startColor, TColor endColor,
                     BYTE steps) {
    // Nested rectangles from the outer edges of the quarter towards the centre point, each reaching the
    // quarter's lower-right corner, which the mirroring makes the middle of the whole.
    int cx = std::max(width - xOffset, 0), cy = std::max(height - yOffset, 0);
    int n = std::max(cx, cy);
    if (width <= 0 || height <= 0) return;
    if (n == 0) {
        FillBand(dc, TRect(0, 0, width, height), endColor);
        return;
    }
    int k = BandSize(steps, 256);
    FixedColor fc(startColor, endColor, n);
    for (int t = 0; t < n; t += k) {
        FillBand(dc, TRect(t * cx / n, t * cy / n, width, height), fc.Color());
        for (int i = 0; i < k; ++i) fc.Step();
    }
}

void DrawDiagonalGradient(HDC dc, int width, int height, TColor startColor, TColor endColor, BYTE steps) {
    bool mirrored = width < 0;
    int w = std::abs(width), h = height;
    if (w == 0 || h <= 0) return;
    int diagonal = static_cast<int>(std::sqrt(double(w) * w + double(h) * h)) + 1;
    int k = BandSize(steps, 255);
    int bands = (diagonal + k - 1) / k;
    int span = w + h;  // a band's position along x + y
    FixedColor fc(startColor, endColor, std::max(bands - 1, 1));
    dc->Pen()->SetStyle(psClear);
    dc->Brush()->SetStyle(bsSolid);
    for (int j = 0; j < bands; ++j, fc.Step()) {
        int t0 = j * span / bands, t1 = (j + 1) * span / bands + 1;
        std::vector<TPoint> pts = {{t0, 0}, {t1, 0}, {t1 - h, h + 1}, {t0 - h, h + 1}};
        if (mirrored)
            for (TPoint& p : pts) p.X = w - p.X;
        dc->Brush()->SetColor(fc.Color());
        dc->Polygon(pts);
    }
}

void DrawGradient(TCanvas* c, const TRect& r, int direction, TColor startColor, TColor endColor, BYTE steps) {
    int w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0) return;
    TColor start = ColorToRGB(startColor), end = ColorToRGB(endColor);
    TBitmap bmp(w, h, pf32bit);
    TCanvas* dc = bmp.Canvas();
    dc->Pen()->SetWidth(1);
    dc->Pen()->SetStyle(psClear);
    dc->Pen()->SetMode(pmCopy);
    dc->Brush()->SetStyle(bsSolid);
    switch (direction) {
    case 0:
    case 1:
        if (start == end)
            FillBand(dc, TRect(0, 0, w, h), start);
        else
            DrawDiagonalGradient(dc, direction == 1 ? -w : w, h, start, end, steps);
        break;
    case 2:
    case 3:
        DrawLinearGradientBands(dc, true, direction == 3 ? h / 2 : -1, h, start, end, steps);
        TileByDoubling(dc, 0, 0, SRCCOPY, h, std::min(8, w), h, w);
        break;
    case 5:
    case 6:
        DrawLinearGradientBands(dc, false, direction == 6 ? w / 2 : -1, w, start, end, steps);
        TileByDoubling(dc, 0, 0, SRCCOPY, std::min(8, h), w, h, w);
        break;
    case 4:
    case 7:
    case 8:
    case 9: {
        int qw = w - w / 2, qh = h - h / 2;
        int xo = direction == 4 || direction == 9 ? w / 4 : 0;
        int yo = direction == 7 || direction == 9 ? h / 4 : 0;
        DrawBoxGradient(dc, qw, qh, xo, yo, start, end, steps);
        MirrorQuadrant(dc, 0, 0, SRCCOPY, h, w);
        break;
    }
    default: break;
    }
    c->Draw(r.Left, r.Top, &bmp);
}

void DrawParentBackground(TControl* control, HDC dc) {
    TWinControl* parent = control->Parent();
    if (!parent) return;
    int saved = dc->SaveDC();
    TPoint origin = dc->ViewportOrg();
    dc->SetViewportOrg(origin.X - control->Left(), origin.Y - control->Top());
    TRect client = parent->ClientRect();
    dc->IntersectClipRect(client.Left, client.Top, client.Right, client.Bottom);
    SendMessage(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessage(parent, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    dc->RestoreDC(saved);
}
