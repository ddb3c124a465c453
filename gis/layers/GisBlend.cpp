#include "gis/layers/GisBlend.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/ui/Bitmap.h"

namespace {
using Table = std::array<int, 256>;

Table Percent(int p) {
    Table t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = (p * i) / 100;  // truncates toward zero, as div does
    return t;
}

int PixelBytes(const TBitmap& b) { return b.PixelFormat() == pf24bit ? 3 : 4; }

// Whether any of n pixels of the given size is not black; the fourth byte of 32-bit pixels is not colour.
bool AnyColour(const uint8_t* p, int n, int bytes) {
    const uint64_t mask = bytes == 4 ? 0x00FFFFFF00FFFFFFull : ~0ull;
    const size_t size = size_t(n) * size_t(bytes);
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        any |= w;
    }
    any &= mask;
    for (; i < size; ++i)
        if (bytes == 3 || i % 4 != 3) any |= p[i];
    return any != 0;
}

// Calls f(targetPixel, sourcePixel) for the non-black source pixels of r clipped to both bitmaps.
template <class F>
void ForNonBlack(TBitmap& target, TBitmap& source, const TRect& r, F f) {
    const int bt = PixelBytes(target), bs = PixelBytes(source);
    const int left = std::max(0, r.Left), top = std::max(0, r.Top);
    const int right = std::min({r.Right, target.Width(), source.Width()});
    const int bottom = std::min({r.Bottom, target.Height(), source.Height()});
    if (left >= right) return;
    constexpr int kBlock = 32;
    for (int y = top; y < bottom; ++y) {
        auto* t = static_cast<uint8_t*>(target.ScanLine(y)) + left * bt;
        auto* s = static_cast<uint8_t*>(source.ScanLine(y)) + left * bs;
        // Overlays are mostly black: whole blocks of black pixels are passed over at once.
        for (int x = left; x < right; x += kBlock) {
            const int n = std::min(kBlock, right - x);
            if (!AnyColour(s, n, bs)) {
                t += n * bt;
                s += n * bs;
                continue;
            }
            for (int i = 0; i < n; ++i, t += bt, s += bs)
                if (s[0] | s[1] | s[2]) f(t, s);
        }
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
