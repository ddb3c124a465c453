// Lines, polygons and poly-polygons of any points, any pen (width, style, ends, joins, mode) and brush, under any
// clip, onto a small bitmap: the coordinates a layer hands the canvas at any zoom. Nothing may read or write past
// the pixels, overflow or take long.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"

namespace {

struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    int32_t Int() {
        // Mostly near the bitmap, sometimes anywhere in the 32-bit range.
        const uint8_t kind = Byte();
        if (kind % 4) return int32_t(int8_t(Byte())) * ((kind & 4) ? 4 : 1);
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return int32_t(v);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    TBitmap bmp(48, 40, in.Byte() % 2 ? pf24bit : pf32bit);
    TCanvas& c = *bmp.Canvas();
    while (in.n) {
        const uint8_t op = in.Byte();
        switch (op % 8) {
        case 0: {  // a pen made of the given parts
            const uint8_t style = in.Byte(), ends = in.Byte();
            const DWORD width = in.Byte() % 24;
            LOGBRUSH lb;
            lb.lbColor = TColor(in.Byte() * 0x010203);
            if (ends & 0x40) {
                lb.lbStyle = BS_HATCHED;
                lb.lbHatch = ends % 6;
            }
            const DWORD flags = (style % 9 == PS_USERSTYLE ? PS_SOLID : style % 9) |
                                (ends % 3 == 0 ? PS_ENDCAP_ROUND : ends % 3 == 1 ? PS_ENDCAP_SQUARE : PS_ENDCAP_FLAT) |
                                ((ends / 3) % 3 == 0 ? PS_JOIN_ROUND : (ends / 3) % 3 == 1 ? PS_JOIN_BEVEL : PS_JOIN_MITER) |
                                ((ends & 0x80) ? PS_GEOMETRIC : PS_COSMETIC);
            HPEN pen = ExtCreatePen(flags, width, lb, 0, nullptr);
            if (pen) {
                c.Pen()->SetHandle(pen);
                DeleteObject(pen);
            }
            c.Pen()->SetMode(TPenMode(in.Byte() % (int(pmNotXor) + 1)));
            break;
        }
        case 1:
            c.Brush()->SetColor(TColor(in.Byte() * 0x030201));
            c.Brush()->SetStyle(TBrushStyle(in.Byte() % (int(bsDiagCross) + 1)));
            c.SetPolyFillMode(in.Byte() % 2 ? WINDING : ALTERNATE);
            break;
        case 2: {
            const int l = in.Int(), t = in.Int(), r = in.Int(), b = in.Int();
            HRGN rgn = CreateRectRgn(l, t, r, b);
            if (in.Byte() % 2) {
                HRGN more = CreateRectRgn(in.Int(), in.Int(), in.Int(), in.Int());
                CombineRgn(rgn, rgn, more, RGN_OR);
                DeleteObject(more);
            }
            c.SelectClipRgn(in.Byte() % 4 ? rgn : nullptr);
            DeleteObject(rgn);
            break;
        }
        default: {  // shapes of up to 64 points in up to 4 rings
            std::vector<TPoint> pts;
            std::vector<int> counts;
            const int rings = 1 + in.Byte() % 4;
            for (int r = 0; r < rings && in.n; ++r) {
                const int k = in.Byte() % 17;
                for (int i = 0; i < k; ++i) {
                    const int32_t x = in.Int();
                    pts.push_back(TPoint(x, in.Int()));
                }
                counts.push_back(k);
            }
            if (pts.empty()) break;
            switch (op % 4) {
            case 0: c.Polyline(pts.data(), int(pts.size())); break;
            case 1: c.Polygon(pts.data(), int(pts.size())); break;
            case 2: c.PolyPolygon(pts.data(), counts.data(), int(counts.size())); break;
            default: c.PolyPolyline(pts.data(), counts.data(), int(counts.size())); break;
            }
        }
        }
    }
    return 0;
}
