#include "gis/layers/GisBlend.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/ui/Bitmap.h"

namespace {
using Table = std::array<int, 256>;

Table Percent(int p) {
    Table t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = (p * i) / 100;  // truncates toward zero, as div does
    return t;
}

int PixelBytes(const TBitmap& b) { return b.PixelFormat() == pf24bit ? 3 : 4; }

// Calls f(targetPixel, sourcePixel) for the non-black source pixels of r clipped to both bitmaps.
template <class F>
void ForNonBlack(TBitmap& target, TBitmap& source, const TRect& r, F f) {
    const int bt = PixelBytes(target), bs = PixelBytes(source);
    const int left = std::max(0, r.Left), top = std::max(0, r.Top);
    const int right = std::min({r.Right, target.Width(), source.Width()});
    const int bottom = std::min({r.Bottom, target.Height(), source.Height()});
    for (int y = top; y < bottom; ++y) {
        auto* t = static_cast<uint8_t*>(target.ScanLine(y)) + left * bt;
        auto* s = static_cast<uint8_t*>(source.ScanLine(y)) + left * bs;
        for (int x = left; x < right; ++x, t += bt, s += bs)
            if (s[0] | s[1] | s[2]) f(t, s);
    }
}
}  // namespace

TGIS_Blend GisBlendOf(int transparency, int addition) {
    return {std::clamp(transparency, 0, 100), std::clamp(addition, -100, 100)};
}

void GisBlendBitmap(TBitmap& target, TBitmap& work, const TRect& r, const TGIS_Blend& blend) {
    const int p = std::clamp(blend.P, 0, 100), q = std::clamp(blend.Q, -100, 100);
    const Table a = Percent(p);
    if (q == 0) {
        ForNonBlack(target, work, r, [&](uint8_t* t, const uint8_t* s) {
            for (int c = 0; c < 3; ++c) t[c] = uint8_t((t[c] + a[s[c]] - a[t[c]]) & 0xFF);
        });
        return;
    }
    const Table b = Percent(q);
    ForNonBlack(target, work, r, [&](uint8_t* t, const uint8_t* s) {
        for (int c = 0; c < 3; ++c) t[c] = uint8_t(std::clamp(a[t[c]] + b[s[c]], 0, 255));
    });
}

void GisPasteOverlay(TBitmap& target, TBitmap& overlay, const TRect& r) {
    ForNonBlack(target, overlay, r, [](uint8_t* t, const uint8_t* s) {
        t[0] = s[0];
        t[1] = s[1];
        t[2] = s[2];
    });
}
