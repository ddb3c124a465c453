#include "platform/ui/Graphics.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/ui/Bitmap.h"
#include "platform/ui/GraphicsInternal.h"
#include "platform/ui/QtGlue.h"

// ---------------------------------------------------------------- canvas internals
struct TCanvas::State {
    TPen pen;
    TBrush brush;
    TFont font;
    TPoint penPos, brushOrg, origin;
    TCopyMode copyMode;
    UINT textAlign;
    int bkMode, polyFill;
    TColor bkColor;
    bool clipped;
    QRegion clip;
};

struct TCanvas::Path {
    QPainterPath path;
    bool recording = true;
};

namespace {
constexpr uint32_t kRgb = 0xFFFFFF;

uint32_t Rop2(TPenMode m, uint32_t p, uint32_t d) {
    switch (m) {
    case pmBlack: return 0;
    case pmWhite: return kRgb;
    case pmNop: return d;
    case pmNot: return ~d & kRgb;
    case pmCopy: return p;
    case pmNotCopy: return ~p & kRgb;
    case pmMergePenNot: return (p | ~d) & kRgb;
    case pmMaskPenNot: return p & ~d & kRgb;
    case pmMergeNotPen: return (~p | d) & kRgb;
    case pmMaskNotPen: return ~p & d & kRgb;
    case pmMerge: return p | d;
    case pmNotMerge: return ~(p | d) & kRgb;
    case pmMask: return p & d;
    case pmNotMask: return ~(p & d) & kRgb;
    case pmXor: return p ^ d;
    case pmNotXor: return ~(p ^ d) & kRgb;
    }
    return p;
}

uint32_t Rop3(DWORD rop, uint32_t s, uint32_t d, uint32_t p) {
    switch (rop) {
    case SRCCOPY: return s;
    case SRCPAINT: return s | d;
    case SRCAND: return s & d;
    case SRCINVERT: return s ^ d;
    case SRCERASE: return s & ~d & kRgb;
    case NOTSRCCOPY: return ~s & kRgb;
    case NOTSRCERASE: return ~(s | d) & kRgb;
    case MERGECOPY: return s & p;
    case MERGEPAINT: return (~s | d) & kRgb;
    case PATCOPY: return p;
    case PATPAINT: return (p | ~s | d) & kRgb;
    case PATINVERT: return p ^ d;
    case DSTINVERT: return ~d & kRgb;
    case BLACKNESS: return 0;
    case WHITENESS: return kRgb;
    }
    return s;
}

inline uint32_t GetPx(const QImage& img, int x, int y) {
    if (img.format() == QImage::Format_RGB32 || img.format() == QImage::Format_ARGB32)
        return reinterpret_cast<const QRgb*>(img.constScanLine(y))[x] & kRgb;
    if (img.format() == QImage::Format_BGR888) {
        const uchar* p = img.constScanLine(y) + 3 * x;
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    return img.pixel(x, y) & kRgb;
}
inline void SetPx(QImage& img, int x, int y, uint32_t v) {
    if (img.format() == QImage::Format_RGB32 || img.format() == QImage::Format_ARGB32) {
        reinterpret_cast<QRgb*>(img.scanLine(y))[x] = 0xFF000000u | v;
    } else if (img.format() == QImage::Format_BGR888) {
        uchar* p = img.scanLine(y) + 3 * x;
        p[0] = uchar(v);
        p[1] = uchar(v >> 8);
        p[2] = uchar(v >> 16);
    } else {
        img.setPixel(x, y, 0xFF000000u | v);
    }
}
// QRgb order (0xRRGGBB) of a colour.
inline uint32_t ToQRgbValue(TColor c) {
    // Only system colours need the call: a shape drawn by the million pays for it otherwise.
    const TColor rgb = (uint32_t(c) & 0xFF000000u) == 0xFF000000u ? ColorToRGB(c) : TColor(c & 0xFFFFFF);
    return (uint32_t(GetRValue(rgb)) << 16) | (uint32_t(GetGValue(rgb)) << 8) | uint32_t(GetBValue(rgb));
}

// GDI hatch tiles, 8 x 8, anchored at the brush origin.
bool HatchBit(TBrushStyle s, int x, int y) {
    x &= 7;
    y &= 7;
    switch (s) {
    case bsHorizontal: return y == 7;
    case bsVertical: return x == 7;
    case bsFDiagonal: return x == y;
    case bsBDiagonal: return x + y == 7;
    case bsCross: return x == 7 || y == 7;
    case bsDiagCross: return x == y || x + y == 7;
    default: return true;
    }
}

const std::vector<int>& DashPattern(TPenStyle s) {
    static const std::vector<int> solid, dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3},
        alternate{1, 1};
    switch (s) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    case psAlternate: return alternate;
    default: return solid;
    }
}
}  // namespace

// Everything the drawing routines need from the canvas, in one place.
struct TCanvasAccess {
    TCanvas& c;
    TPaintedImage* raster;  // nullptr on devices that are not images

    explicit TCanvasAccess(TCanvas& canvas) : c(canvas), raster(canvas.dev_ ? canvas.dev_->Image() : nullptr) {}
    // The pixels themselves, for reading or writing them directly.
    QImage& Pixels() const { return raster->Pixels(); }

    QRect DeviceBounds() const {
        return c.dev_ ? QRect(0, 0, c.dev_->Width(), c.dev_->Height()) : QRect();
    }
    QRegion ClipRegion() const {
        QRegion r(DeviceBounds());
        if (c.clip_) r = r.intersected(c.clip_->d->r);
        return r;
    }
    QPoint Dev(int x, int y) const { return QPoint(x + c.origin_.X, y + c.origin_.Y); }
    bool Recording() const { return c.path_ && c.path_->recording; }

    void Notify(const QRect& r) {
        if (c.dev_) c.dev_->Changed(r);
    }

    // A QPainter on the device, clipped, without antialiasing; nullptr when the canvas has no device.
    // Painters that outlive the call (an image's kept painter, the printer's) are handed back in the state
    // they were found in, so every call starts as on a fresh painter; a plain call (one that sets only the
    // pen and the brush before it draws) spares the saving, which costs as much as a small polygon.
    struct Painter {
        std::unique_ptr<QPainter> own;
        QPainter* p = nullptr;
        bool external = false;
        ~Painter() {
            if (external && p && p->isActive()) p->restore();
        }
    };
    void Open(Painter& pt, QPaintDevice* target = nullptr, bool plain = false) {
        if (target) {
            pt.own = std::make_unique<QPainter>(target);
            pt.p = pt.own.get();
        } else if (raster) {
            pt.p = raster->KeptPainter(ClipRegion(), plain);
            if (!pt.p || plain) return;
            pt.p->save();
            pt.external = true;
            return;
        } else if (c.dev_ && c.dev_->OpenPainter()) {
            pt.p = c.dev_->OpenPainter();
            pt.p->save();
            pt.external = true;
        }
        if (!pt.p) return;
        pt.p->setRenderHint(QPainter::Antialiasing, false);
        pt.p->setRenderHint(QPainter::TextAntialiasing, false);
        pt.p->setClipRegion(ClipRegion());
    }

    QBrush MakeBrush(const TBrush& b, bool forFill = true) const {
        if (b.Style() == bsClear && forFill) return Qt::NoBrush;
        QColor col = ToQColor(b.Color());
        if (b.Bitmap() && !b.Bitmap()->Empty()) {
            QBrush br(BitmapQImage(*b.Bitmap()).convertToFormat(QImage::Format_ARGB32));
            br.setTransform(QTransform::fromTranslate(c.brushOrg_.X, c.brushOrg_.Y));
            return br;
        }
        if (b.Style() == bsSolid) return QBrush(col);
        QImage tile(8, 8, QImage::Format_ARGB32);
        tile.fill(Qt::transparent);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if (HatchBit(b.Style(), x, y)) tile.setPixel(x, y, col.rgb());
        QBrush br(tile);
        br.setTransform(QTransform::fromTranslate(c.brushOrg_.X, c.brushOrg_.Y));
        return br;
    }

    // Fills a device-coordinate shape with the canvas brush; raster operations of the pen mode apply to it
    // as GDI applies them to the interiors of shapes.
    void FillShape(const std::function<void(QPainter&)>& shape, bool useRop) {
        const TBrush& b = *c.brush_;
        if (b.Style() == bsClear) return;
        bool hatch = b.Style() != bsSolid && !b.Bitmap();
        TPenMode mode = useRop ? c.pen_->Mode() : pmCopy;
        // A kept painter still holds the brush of the shape before, mostly the same: setting an equal brush
        // again would have the engine set up its fill afresh for every shape.
        auto setBrush = [](QPainter& p, const QBrush& brush) {
            if (p.brush() != brush) p.setBrush(brush);
        };
        auto paintInto = [&](QPainter& p) {
            p.setPen(Qt::NoPen);
            if (hatch && c.bkMode_ == OPAQUE) {
                setBrush(p, QBrush(ToQColor(c.bkColor_)));
                shape(p);
            }
            setBrush(p, MakeBrush(b));
            shape(p);
        };
        Compose(paintInto, mode);
    }

    // Paints with Qt, then, for raster devices and a mode other than copy, combines through the mode.
    // paint sets the pen and the brush and nothing else of the painter.
    void Compose(const std::function<void(QPainter&)>& paint, TPenMode mode) {
        if (!raster || mode == pmCopy) {
            Painter pt;
            Open(pt, nullptr, true);
            if (!pt.p) return;
            paint(*pt.p);
            Notify(DeviceBounds());
            return;
        }
        QImage& img = Pixels();
        QImage tmp(img.size(), QImage::Format_ARGB32);
        tmp.fill(Qt::transparent);
        {
            Painter pt;
            Open(pt, &tmp);
            pt.p->setCompositionMode(QPainter::CompositionMode_Source);
            paint(*pt.p);
        }
        QRect box;
        for (int y = 0; y < tmp.height(); ++y) {
            const QRgb* s = reinterpret_cast<const QRgb*>(tmp.constScanLine(y));
            for (int x = 0; x < tmp.width(); ++x) {
                if (qAlpha(s[x]) == 0) continue;
                SetPx(img, x, y, Rop2(mode, s[x] & kRgb, GetPx(img, x, y)));
                box |= QRect(x, y, 1, 1);
            }
        }
        Notify(box);
    }

    // One pixel through the pen mode, clipped; no clip for callers that know the pixel is inside.
    void Plot(QImage& img, int x, int y, uint32_t rgb, TPenMode mode, const QRegion* clip) {
        if (clip && !clip->contains(QPoint(x, y))) return;
        SetPx(img, x, y, Rop2(mode, rgb, GetPx(img, x, y)));
    }

    bool ThinPen() const {
        const TPenData& d = c.pen_->Data();
        return !d.geometric && d.width <= 1;
    }

    // A cosmetic one-pixel segment in device coordinates, its end pixel left out, dashed by the pen style
    // (gaps in the background colour when the background is opaque).
    void ThinSegment(QPoint a, QPoint b) {
        const TPenData& d = c.pen_->Data();
        if (d.style == psClear) return;
        if (!raster) {
            Painter pt;
            Open(pt);
            if (!pt.p) return;
            pt.p->setPen(QPen(ToQColor(d.color), 0));
            if (a != b) pt.p->drawLine(a, b);
            return;
        }
        const std::vector<int>& pat = DashPattern(d.style);
        int period = 0;
        for (int v : pat) period += v;
        // Deep zooms put segment ends billions of pixels away: such a segment is cut to the device before it
        // is stepped pixel by pixel, and the dash phase still counts the steps cut off.
        constexpr int64_t kNear = 4096;
        const QRect dev = DeviceBounds();
        auto near = [&](QPoint p) {
            return p.x() >= dev.left() - kNear && p.x() <= dev.right() + kNear && p.y() >= dev.top() - kNear &&
                   p.y() <= dev.bottom() + kNear;
        };
        if (near(a) && near(b)) {
            Walk(a, b, pat, period);
            return;
        }
        const int64_t ax = a.x(), ay = a.y(), ddx = int64_t(b.x()) - ax, ddy = int64_t(b.y()) - ay;
        const int64_t steps = std::max(std::abs(ddx), std::abs(ddy));
        const int start = c.dashPhase_;
        double t0 = 0, t1 = 1;
        const QRect area = dev.adjusted(-2, -2, 2, 2);
        auto cut = [&](double den, double num) {  // keeps the part where den * t <= num
            if (den == 0) return num >= 0;
            const double t = num / den;
            if (den > 0)
                t1 = std::min(t1, t);
            else
                t0 = std::max(t0, t);
            return t0 <= t1;
        };
        if (cut(-double(ddx), double(ax - area.left())) && cut(double(ddx), double(area.right() - ax)) &&
            cut(-double(ddy), double(ay - area.top())) && cut(double(ddy), double(area.bottom() - ay))) {
            auto at = [&](double t) {
                return QPoint(int(std::lround(double(ax) + t * double(ddx))), int(std::lround(double(ay) + t * double(ddy))));
            };
            const int64_t skipped = std::llround(t0 * double(steps));
            if (period > 0) c.dashPhase_ = int((int64_t(start) + skipped) % period);
            Walk(at(t0), at(t1), pat, period);
        }
        if (period > 0) c.dashPhase_ = int((int64_t(start) + steps) % period);
    }

    // Steps a segment of device points near the device pixel by pixel, its end pixel left out.
    void Walk(QPoint a, QPoint b, const std::vector<int>& pat, int period) {
        const TPenData& d = c.pen_->Data();
        QImage& img = Pixels();
        QRegion clip = ClipRegion();
        uint32_t pen = ToQRgbValue(d.color), bk = ToQRgbValue(c.bkColor_);
        TPenMode mode = c.pen_->Mode();
        int x0 = a.x(), y0 = a.y(), x1 = b.x(), y1 = b.y();
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        QRect box(QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1)));
        // A segment wholly inside the clip (a frame's edge, mostly) needs no test per pixel.
        const QRegion* within = (QRegion(box) - clip).isEmpty() ? nullptr : &clip;
        while (!(x0 == x1 && y0 == y1)) {
            bool on = true;
            if (period > 0) {
                int ph = c.dashPhase_ % period, k = 0;
                for (size_t i = 0; i < pat.size(); ++i) {
                    if (ph < k + pat[i]) {
                        on = (i % 2) == 0;
                        break;
                    }
                    k += pat[i];
                }
                ++c.dashPhase_;
            }
            if (on)
                Plot(img, x0, y0, pen, mode, within);
            else if (c.bkMode_ == OPAQUE)
                Plot(img, x0, y0, bk, mode, within);
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
        Notify(box.adjusted(-1, -1, 1, 1));
    }

    QPen WidePen() const {
        const TPenData& d = c.pen_->Data();
        QPen p;
        if (d.style == psClear) return Qt::NoPen;
        p.setWidth(std::max(1, d.width));
        if (d.geometric && d.brush.lbStyle == BS_HATCHED) {
            TBrush tmp;
            tmp.SetColor(d.brush.lbColor);
            tmp.SetStyle(TBrushStyle(bsHorizontal + std::clamp<int>(int(d.brush.lbHatch), 0, 5)));
            p.setBrush(MakeBrush(tmp));
        } else if (d.geometric && d.brush.lbStyle == BS_PATTERN && d.brush.lbHatch) {
            TBrush tmp;
            tmp.SetBitmap(reinterpret_cast<TBitmap*>(d.brush.lbHatch));
            p.setBrush(MakeBrush(tmp));
        } else {
            p.setColor(ToQColor(d.color));
        }
        switch (d.style) {
        case psDash: p.setStyle(Qt::DashLine); break;
        case psDot: p.setStyle(Qt::DotLine); break;
        case psDashDot: p.setStyle(Qt::DashDotLine); break;
        case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
        default: p.setStyle(Qt::SolidLine);
        }
        p.setCapStyle(d.endCap == PS_ENDCAP_FLAT ? Qt::FlatCap : d.endCap == PS_ENDCAP_SQUARE ? Qt::SquareCap
                                                                                               : Qt::RoundCap);
        p.setJoinStyle(d.join == PS_JOIN_BEVEL ? Qt::BevelJoin : d.join == PS_JOIN_MITER ? Qt::MiterJoin
                                                                                         : Qt::RoundJoin);
        return p;
    }

    // The clip region for spans, which keep within the image themselves.
    const QRegion* SpanClip() const { return c.clip_ ? &c.clip_->d->r : nullptr; }
    // Whether the image takes spans written straight into its pixels, in copy mode.
    bool SpanRaster(TPenMode mode) const { return raster && mode == pmCopy && TSpanRaster::Writable(raster->Format()); }

    // A wide solid pen without mitred joins drawn as spans: the painter's stroker costs far more than the
    // pixels of the short outlines of a map.
    bool SpanPen() const {
        const TPenData& d = c.pen_->Data();
        if (ThinPen() || d.width < 2 || (d.style != psSolid && d.style != psInsideFrame)) return false;
        if (d.join == PS_JOIN_MITER) return false;
        if (d.geometric && (d.brush.lbStyle == BS_HATCHED || (d.brush.lbStyle == BS_PATTERN && d.brush.lbHatch)))
            return false;
        return SpanRaster(c.pen_->Mode());
    }

    // A solid brush filled as spans, where the pen mode applies to the fill.
    bool SpanBrush() const {
        const TBrush& b = *c.brush_;
        return b.Style() == bsSolid && (!b.Bitmap() || b.Bitmap()->Empty()) && SpanRaster(c.pen_->Mode());
    }

    // Rings in device coordinates filled with the canvas brush by the canvas fill mode; shape paints them
    // for the painter.
    void FillRings(const QPoint* pts, const int* counts, int rings, const std::function<void(QPainter&)>& shape) {
        if (!SpanBrush()) {
            FillShape(shape, true);
            return;
        }
        TSpanRaster& r = raster->Spans(SpanClip(), ToQRgbValue(c.brush_->Color()));
        r.Polygon(pts, counts, rings, c.polyFill_ == WINDING);
        if (!r.Changed().isEmpty()) Notify(r.Changed());
    }

    // The raster draws no segment of no length: a line on one pixel, as a small map has many, leaves the
    // pixels as they are. Whether it moves is the same before and after the origin is added. The test takes
    // no branch a point, as whether a point moves is a toss-up there.
    template <class P>
    static bool Moves(const P* pts, int n) {
        int moved = 0;
        for (int i = 1; i < n; ++i) moved |= (X(pts[i]) ^ X(pts[0])) | (Y(pts[i]) ^ Y(pts[0]));
        return moved != 0;
    }
    static int X(const QPoint& p) { return p.x(); }
    static int Y(const QPoint& p) { return p.y(); }
    static int X(const TPoint& p) { return p.X; }
    static int Y(const TPoint& p) { return p.Y; }

    // A line in device coordinates that moves, with a pen SpanPen() takes.
    void SpanStroke(const QPoint* pts, int n, bool closed) {
        TSpanRaster& r = raster->Spans(SpanClip(), ToQRgbValue(c.pen_->Color()));
        const TPenData& d = c.pen_->Data();
        using End = TSpanRaster::End;
        r.Stroke(pts, n, closed, d.width,
                 d.endCap == PS_ENDCAP_FLAT ? End::Flat : d.endCap == PS_ENDCAP_SQUARE ? End::Square : End::Round,
                 d.join == PS_JOIN_BEVEL ? TSpanRaster::Join::Bevel : TSpanRaster::Join::Round);
        if (!r.Changed().isEmpty()) Notify(r.Changed());
    }

    // TCanvas::PolyPolygon of two rings or more, or of none.
    static void PolyPolygon(TCanvas& canvas, const TPoint* pts, const int* counts, int polys);

    // A polyline in device coordinates with the canvas pen.
    void StrokePolyline(const QPolygon& pts, bool closed) { StrokePolyline(pts.constData(), int(pts.size()), closed); }
    void StrokePolyline(const QPoint* pts, int n, bool closed) {
        if (n < 2 || c.pen_->Style() == psClear) return;
        if (ThinPen()) {
            c.dashPhase_ = 0;
            for (int i = 1; i < n; ++i) ThinSegment(pts[i - 1], pts[i]);
            if (closed && pts[0] != pts[n - 1]) ThinSegment(pts[n - 1], pts[0]);
            return;
        }
        if (SpanPen()) {
            if (Moves(pts, n)) SpanStroke(pts, n, closed);
            return;
        }
        QPen pen = WidePen();
        Compose(
            [&](QPainter& p) {
                p.setPen(pen);
                p.setBrush(Qt::NoBrush);
                if (closed)
                    p.drawPolygon(pts, n);
                else
                    p.drawPolyline(pts, n);
            },
            c.pen_->Mode());
    }

    // A Qt shape outline (ellipse, arc ...) with the canvas pen.
    void StrokeShape(const std::function<void(QPainter&)>& shape) {
        if (c.pen_->Style() == psClear) return;
        QPen pen = ThinPen() ? QPen(ToQColor(c.pen_->Color()), 0) : WidePen();
        if (ThinPen() && c.pen_->Style() != psSolid && c.pen_->Style() != psInsideFrame) {
            QVector<qreal> dashes;
            for (int v : DashPattern(c.pen_->Style())) dashes << v;
            pen.setDashPattern(dashes);
        }
        Compose(
            [&](QPainter& p) {
                p.setPen(pen);
                p.setBrush(Qt::NoBrush);
                shape(p);
            },
            c.pen_->Mode());
    }

    // Pixels of a source image combined onto the device rectangle dst with a raster operation.
    void Blit(const QRect& dst, const QImage& src, DWORD rop, const uint32_t* key) {
        if (dst.isEmpty()) return;
        if (!raster) {
            Painter pt;
            Open(pt);
            if (!pt.p) return;
            if (key) {
                QImage a = src.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < a.height(); ++y) {
                    QRgb* s = reinterpret_cast<QRgb*>(a.scanLine(y));
                    for (int x = 0; x < a.width(); ++x)
                        if ((s[x] & kRgb) == *key) s[x] = 0;
                }
                pt.p->drawImage(dst, a);
            } else {
                pt.p->drawImage(dst, src);
            }
            return;
        }
        QImage s = src.size() == dst.size() ? src : src.scaled(dst.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        QRegion clip = ClipRegion().intersected(dst);
        QImage& img = Pixels();
        if (rop == SRCCOPY && !key) {
            // The common copy: straight through the backend.
            QPainter p(&img);
            p.setClipRegion(clip);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(dst.topLeft(), s.convertToFormat(QImage::Format_RGB32));
            p.end();
            Notify(dst);
            return;
        }
        uint32_t pat = ToQRgbValue(c.brush_->Color());
        for (const QRect& r : clip) {
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    uint32_t sv = GetPx(s, x - dst.left(), y - dst.top());
                    if (key && sv == *key) continue;
                    SetPx(img, x, y, Rop3(rop, sv, GetPx(img, x, y), pat));
                }
        }
        Notify(dst);
    }

    // A plain copy of another image's pixels of the same size, row by row without the intermediate images
    // of Grab and Blit: the usual copy of a picture to its window. False (nothing done) for anything else:
    // other formats, a source reaching outside its image, or a copy within one image.
    bool CopyPixels(const QRect& dst, TCanvas* src, int sx, int sy) {
        TPaintedImage* sr = src && src->dev_ ? src->dev_->Image() : nullptr;
        if (!raster || !sr || sr == raster) return false;
        const QImage::Format df = raster->Format(), sf = sr->Format();
        const bool toRgb32 =
            df == QImage::Format_RGB32 && (sf == QImage::Format_RGB32 || sf == QImage::Format_BGR888);
        if (!toRgb32 && !(df == QImage::Format_BGR888 && sf == QImage::Format_BGR888)) return false;
        const QPoint from(sx + src->origin_.X, sy + src->origin_.Y);
        if (!QRect(QPoint(0, 0), sr->Size()).contains(QRect(from, dst.size()))) return false;
        const QImage& si = sr->Pixels();
        QImage& di = Pixels();
        const int sb = sf == QImage::Format_BGR888 ? 3 : 4, db = df == QImage::Format_BGR888 ? 3 : 4;
        for (const QRect& r : ClipRegion().intersected(dst)) {
            const int n = r.width(), x0 = r.left() - dst.left() + from.x();
            for (int y = r.top(); y <= r.bottom(); ++y) {
                const uchar* s = si.constScanLine(y - dst.top() + from.y()) + size_t(x0) * sb;
                uchar* d = di.scanLine(y) + size_t(r.left()) * db;
                if (sb == db) {
                    std::memcpy(d, s, size_t(n) * sb);
                    continue;
                }
                // Blue, green, red to the same in a word of opaque alpha; four pixels from three words.
                auto* q = reinterpret_cast<QRgb*>(d);
                int i = 0;
                for (uint32_t w[3]; i + 4 <= n; i += 4, s += 12) {
                    std::memcpy(w, s, 12);
                    q[i] = 0xFF000000u | (w[0] & 0xFFFFFFu);
                    q[i + 1] = 0xFF000000u | (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8);
                    q[i + 2] = 0xFF000000u | (w[1] >> 16) | ((w[2] & 0xFFu) << 16);
                    q[i + 3] = 0xFF000000u | (w[2] >> 8);
                }
                for (; i < n; ++i, s += 3)
                    q[i] = 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
            }
        }
        Notify(dst);
        return true;
    }

    // The source pixels of a canvas rectangle (device coordinates of the source), mirrored for negative sizes.
    static QImage Grab(TCanvas* src, int sx, int sy, int sw, int sh) {
        TPaintedImage* sr = src && src->dev_ ? src->dev_->Image() : nullptr;
        if (!sr) return QImage();
        const QImage* si = &sr->Pixels();
        int x = sx + src->origin_.X, y = sy + src->origin_.Y;
        bool mx = sw < 0, my = sh < 0;
        if (mx) {
            x += sw + 1;
            sw = -sw;
        }
        if (my) {
            y += sh + 1;
            sh = -sh;
        }
        QImage piece = si->copy(x, y, sw, sh).convertToFormat(QImage::Format_RGB32);
        if (mx || my) piece = piece.mirrored(mx, my);
        return piece;
    }

    // Text metrics of the current font.
    QFont Font() const { return ToQFont(*c.font_); }
};

namespace {
// Device rectangle for shapes given by two corners.
QRect Corners(int x1, int y1, int x2, int y2) {
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
}
double AngleDeg(double cx, double cy, int x, int y) { return std::atan2(-(y - cy), x - cx) * 180.0 / M_PI; }
}  // namespace

// ---------------------------------------------------------------- canvas
TCanvas::TCanvas()
    : pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()), font_(std::make_unique<TFont>()) {
    // A solid brush makes the background opaque in its own colour, any other brush transparent.
    brush_->OnChange = [this] {
        if (brush_->Style() == bsSolid) {
            bkMode_ = OPAQUE;
            bkColor_ = brush_->Color();
        } else {
            bkMode_ = TRANSPARENT;
        }
    };
    font_->SetColor(clWindowText);
}
TCanvas::~TCanvas() = default;

void TCanvas::SetDevice(std::unique_ptr<TCanvasDevice> dev) {
    dev_ = std::move(dev);
    if (dev_ && dev_->Dpi() != font_->PixelsPerInch()) {
        // The font keeps its point size on a device of another resolution.
        int size = font_->Size();
        font_->SetPixelsPerInch(dev_->Dpi());
        font_->SetSize(size);
    }
}
bool TCanvas::HandleAllocated() const { return dev_ != nullptr; }
int TCanvas::DeviceWidth() const { return dev_ ? dev_->Width() : 0; }
int TCanvas::DeviceHeight() const { return dev_ ? dev_->Height() : 0; }
int TCanvas::PixelsPerInch() const { return dev_ ? dev_->Dpi() : 96; }

void TCanvas::MoveTo(int x, int y) {
    penPos_ = TPoint(x, y);
    TCanvasAccess a(*this);
    if (a.Recording()) path_->path.moveTo(a.Dev(x, y));
}

void TCanvas::LineTo(int x, int y) {
    TCanvasAccess a(*this);
    if (a.Recording()) {
        if (path_->path.elementCount() == 0) path_->path.moveTo(a.Dev(penPos_.X, penPos_.Y));
        path_->path.lineTo(a.Dev(x, y));
    } else if (a.ThinPen()) {
        dashPhase_ = 0;
        a.ThinSegment(a.Dev(penPos_.X, penPos_.Y), a.Dev(x, y));
    } else {
        QPolygon p;
        p << a.Dev(penPos_.X, penPos_.Y) << a.Dev(x, y);
        a.StrokePolyline(p, false);
    }
    penPos_ = TPoint(x, y);
}

namespace {
// Points moved into device coordinates. A layer draws shapes of a few points by the thousand: those are
// converted on the stack.
class TDevicePoints {
public:
    TDevicePoints(const TPoint* pts, int n, const TPoint& origin) {
        if (n <= kSmall) {
            // Left unset beyond n: clearing the whole buffer cost more than converting a small shape.
            for (int i = 0; i < n; ++i)
                new (small_ + i * sizeof(QPoint)) QPoint(pts[i].X + origin.X, pts[i].Y + origin.Y);
            data_ = std::launder(reinterpret_cast<const QPoint*>(small_));
        } else {
            large_ = ToQPolygon(pts, n, origin.X, origin.Y);
            data_ = large_.constData();
        }
    }
    TDevicePoints(const TDevicePoints&) = delete;
    TDevicePoints& operator=(const TDevicePoints&) = delete;
    const QPoint* Data() const { return data_; }

private:
    static constexpr int kSmall = 64;
    alignas(QPoint) unsigned char small_[kSmall * sizeof(QPoint)];
    QPolygon large_;
    const QPoint* data_ = nullptr;
};
}  // namespace

void TCanvas::Polyline(const TPoint* pts, int count) {
    if (count < 1) return;
    TCanvasAccess a(*this);
    const TDevicePoints dev(pts, count, origin_);
    const QPoint* p = dev.Data();
    if (a.Recording()) {
        path_->path.moveTo(p[0]);
        for (int i = 1; i < count; ++i) path_->path.lineTo(p[i]);
        return;
    }
    a.StrokePolyline(p, count, false);
}

void TCanvas::PolyPolyline(const TPoint* pts, const int* counts, int polys) {
    int k = 0;
    for (int i = 0; i < polys; ++i) {
        Polyline(pts + k, counts[i]);
        k += counts[i];
    }
}

void TCanvas::Polygon(const TPoint* pts, int count) {
    if (count < 2) return;
    TCanvasAccess a(*this);
    if (a.Recording()) {
        path_->path.addPolygon(QPolygonF(ToQPolygon(pts, count, origin_.X, origin_.Y)));
        path_->path.closeSubpath();
        return;
    }
    // Outlines alone come by the thousand in a map: they spare making the fill's callback, and with a span
    // pen those on one pixel are left before their points are moved.
    if (brush_->Style() == bsClear && a.SpanPen()) {
        if (!TCanvasAccess::Moves(pts, count)) return;
        const TDevicePoints points(pts, count, origin_);
        a.SpanStroke(points.Data(), count, true);
        return;
    }
    const TDevicePoints points(pts, count, origin_);
    const QPoint* dev = points.Data();
    if (brush_->Style() != bsClear) {
        const Qt::FillRule rule = polyFill_ == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
        a.FillRings(dev, &count, 1, [&](QPainter& qp) { qp.drawPolygon(dev, count, rule); });
    }
    a.StrokePolyline(dev, count, true);
}

void TCanvas::PolyPolygon(const TPoint* pts, const int* counts, int polys) {
    // One ring is a polygon: the painter fills that without building a path. Several are drawn apart, so
    // that single rings, a map's sheets by the million, pass on without setting up the frame they need.
    if (polys == 1) {
        Polygon(pts, counts[0]);
        return;
    }
    TCanvasAccess::PolyPolygon(*this, pts, counts, polys);
}

void TCanvasAccess::PolyPolygon(TCanvas& canvas, const TPoint* pts, const int* counts, int polys) {
    TCanvasAccess a(canvas);
    // The rings of two points or more, end to end in device coordinates.
    std::vector<QPoint> dev;
    std::vector<int> sizes;
    int k = 0;
    for (int i = 0; i < polys; ++i) {
        const int n = counts[i];
        if (n >= 2) {
            for (int j = 0; j < n; ++j)
                dev.emplace_back(pts[k + j].X + canvas.origin_.X, pts[k + j].Y + canvas.origin_.Y);
            sizes.push_back(n);
        }
        k += n;
    }
    const int rings = int(sizes.size());
    auto painted = [&] {
        QPainterPath path;
        path.setFillRule(canvas.polyFill_ == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        for (int i = 0, at = 0; i < rings; at += sizes[i++]) {
            path.addPolygon(QPolygonF(QPolygon(QList<QPoint>(dev.begin() + at, dev.begin() + at + sizes[i]))));
            path.closeSubpath();
        }
        return path;
    };
    if (a.Recording()) {
        canvas.path_->path.addPath(painted());
        return;
    }
    a.FillRings(dev.data(), sizes.data(), rings, [&](QPainter& qp) { qp.drawPath(painted()); });
    for (int i = 0, at = 0; i < rings; at += sizes[i++]) a.StrokePolyline(dev.data() + at, sizes[i], true);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    TCanvasAccess a(*this);
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    QPoint p1 = a.Dev(x1, y1), p2 = a.Dev(x2, y2);
    if (a.Recording()) {
        path_->path.addRect(QRectF(p1, p2));
        return;
    }
    if (x2 - x1 <= 0 || y2 - y1 <= 0) return;
    const TPenData& pd = pen_->Data();
    if (pd.style == psClear) {
        QRect fill(p1, QPoint(p2.x() - 2, p2.y() - 2));
        a.FillShape([&](QPainter& qp) { qp.drawRect(fill); }, true);
        return;
    }
    if (a.ThinPen()) {
        QRect inner(p1 + QPoint(1, 1), QPoint(p2.x() - 2, p2.y() - 2));
        if (inner.isValid()) a.FillShape([&](QPainter& qp) { qp.drawRect(inner); }, true);
        QPolygon outline;
        outline << p1 << QPoint(p2.x() - 1, p1.y()) << QPoint(p2.x() - 1, p2.y() - 1) << QPoint(p1.x(), p2.y() - 1);
        a.StrokePolyline(outline, true);
        return;
    }
    int w = pd.width;
    QRectF frame(p1, QPoint(p2.x() - 1, p2.y() - 1));
    if (pd.style == psInsideFrame) frame.adjust(w / 2.0 - 0.5, w / 2.0 - 0.5, -(w / 2.0 - 0.5), -(w / 2.0 - 0.5));
    a.FillShape([&](QPainter& qp) { qp.drawRect(frame); }, true);
    a.StrokeShape([&](QPainter& qp) { qp.drawRect(frame); });
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
    TCanvasAccess a(*this);
    QRect r = Corners(x1 + origin_.X, y1 + origin_.Y, x2 + origin_.X, y2 + origin_.Y);
    if (a.Recording()) {
        path_->path.addRoundedRect(r, w / 2.0, h / 2.0);
        return;
    }
    a.FillShape([&](QPainter& qp) { qp.drawRoundedRect(r, w / 2.0, h / 2.0); }, true);
    a.StrokeShape([&](QPainter& qp) { qp.drawRoundedRect(r, w / 2.0, h / 2.0); });
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    TCanvasAccess a(*this);
    QRect r = Corners(x1 + origin_.X, y1 + origin_.Y, x2 + origin_.X, y2 + origin_.Y);
    if (a.Recording()) {
        path_->path.addEllipse(r);
        return;
    }
    a.FillShape([&](QPainter& qp) { qp.drawEllipse(r); }, true);
    a.StrokeShape([&](QPainter& qp) { qp.drawEllipse(r); });
}

namespace {
void ArcAngles(const QRect& r, int x3, int y3, int x4, int y4, int& start16, int& span16) {
    double cx = r.left() + r.width() / 2.0, cy = r.top() + r.height() / 2.0;
    double a0 = AngleDeg(cx, cy, x3, y3), a1 = AngleDeg(cx, cy, x4, y4);
    double span = a1 - a0;
    while (span <= 0) span += 360;
    start16 = int(std::lround(a0 * 16));
    span16 = int(std::lround(span * 16));
}
}  // namespace

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    TCanvasAccess a(*this);
    QRect r = Corners(x1 + origin_.X, y1 + origin_.Y, x2 + origin_.X, y2 + origin_.Y);
    int s, sp;
    ArcAngles(r, x3 + origin_.X, y3 + origin_.Y, x4 + origin_.X, y4 + origin_.Y, s, sp);
    a.StrokeShape([&](QPainter& qp) { qp.drawArc(r, s, sp); });
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    TCanvasAccess a(*this);
    QRect r = Corners(x1 + origin_.X, y1 + origin_.Y, x2 + origin_.X, y2 + origin_.Y);
    int s, sp;
    ArcAngles(r, x3 + origin_.X, y3 + origin_.Y, x4 + origin_.X, y4 + origin_.Y, s, sp);
    a.FillShape([&](QPainter& qp) { qp.drawPie(r, s, sp); }, true);
    a.StrokeShape([&](QPainter& qp) { qp.drawPie(r, s, sp); });
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    TCanvasAccess a(*this);
    QRect r = Corners(x1 + origin_.X, y1 + origin_.Y, x2 + origin_.X, y2 + origin_.Y);
    int s, sp;
    ArcAngles(r, x3 + origin_.X, y3 + origin_.Y, x4 + origin_.X, y4 + origin_.Y, s, sp);
    a.FillShape([&](QPainter& qp) { qp.drawChord(r, s, sp); }, true);
    a.StrokeShape([&](QPainter& qp) { qp.drawChord(r, s, sp); });
}

void TCanvas::FillRect(const TRect& r) {
    TCanvasAccess a(*this);
    if (r.IsEmpty()) return;
    QRect q = ToQRect(r).translated(origin_.X, origin_.Y);
    a.FillShape([&](QPainter& qp) { qp.drawRect(q); }, false);
}

void TCanvas::FrameRect(const TRect& r) {
    if (r.IsEmpty()) return;
    FillRect(TRect(r.Left, r.Top, r.Right, r.Top + 1));
    FillRect(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    FillRect(TRect(r.Left, r.Top, r.Left + 1, r.Bottom));
    FillRect(TRect(r.Right - 1, r.Top, r.Right, r.Bottom));
}

void TCanvas::DrawFocusRect(const TRect& r) {
    TCanvasAccess a(*this);
    if (!a.raster || r.IsEmpty()) return;
    QImage& img = a.Pixels();
    QRegion clip = a.ClipRegion();
    // Every other pixel of the border, inverted; the same call again restores it.
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) != 0) return;
        QPoint p = a.Dev(x, y);
        a.Plot(img, p.x(), p.y(), kRgb, pmXor, &clip);
    };
    for (int x = r.Left; x < r.Right; ++x) {
        dot(x, r.Top);
        if (r.Bottom - 1 > r.Top) dot(x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        dot(r.Left, y);
        if (r.Right - 1 > r.Left) dot(r.Right - 1, y);
    }
    a.Notify(ToQRect(r).translated(origin_.X, origin_.Y));
}

void TCanvas::InvertRect(const TRect& r) { PatBlt(r.Left, r.Top, r.Width(), r.Height(), DSTINVERT); }

TColor TCanvas::Pixel(int x, int y) const {
    TPaintedImage* raster = dev_ ? dev_->Image() : nullptr;
    x += origin_.X;
    y += origin_.Y;
    if (!raster || x < 0 || y < 0 || x >= raster->Width() || y >= raster->Height()) return clNone;
    uint32_t v = GetPx(raster->Pixels(), x, y);
    return RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
}

void TCanvas::SetPixel(int x, int y, TColor c) {
    TCanvasAccess a(*this);
    if (!a.raster) return;
    QPoint p = a.Dev(x, y);
    QRegion clip = a.ClipRegion();
    if (!clip.contains(p)) return;
    SetPx(a.Pixels(), p.x(), p.y(), ToQRgbValue(c));
    a.Notify(QRect(p, QSize(1, 1)));
}

// ---------------------------------------------------------------- text
TEXTMETRIC TCanvas::GetTextMetrics() {
    TCanvasAccess a(*this);
    QFont f = a.Font();
    QFontMetrics m(f);
    TEXTMETRIC tm;
    tm.tmAscent = m.ascent();
    tm.tmDescent = m.descent();
    tm.tmHeight = m.ascent() + m.descent();
    tm.tmInternalLeading = std::max(0, tm.tmHeight - f.pixelSize());
    tm.tmExternalLeading = std::max(0, m.leading());
    tm.tmAveCharWidth = std::max(1, m.horizontalAdvance(QLatin1Char('x')));
    tm.tmMaxCharWidth = std::max(1, m.maxWidth());
    tm.tmWeight = (font_->Style() & fsBold) ? FW_BOLD : FW_NORMAL;
    tm.tmItalic = (font_->Style() & fsItalic) ? 1 : 0;
    tm.tmUnderlined = (font_->Style() & fsUnderline) ? 1 : 0;
    tm.tmStruckOut = (font_->Style() & fsStrikeOut) ? 1 : 0;
    // The pitch bit is set for variable pitch, as GDI has it.
    tm.tmPitchAndFamily = (QFontInfo(f).fixedPitch() ? 0 : TMPF_FIXED_PITCH) |
                          (IsTrueTypeFace(font_->Name()) ? (TMPF_TRUETYPE | TMPF_VECTOR) : 0);
    tm.tmCharSet = font_->Charset();
    return tm;
}

TSize TCanvas::TextExtent(const std::string& text) {
    TCanvasAccess a(*this);
    QFontMetrics m(a.Font());
    return TSize{m.horizontalAdvance(FromGbk(text)), m.ascent() + m.descent()};
}
int TCanvas::TextWidth(const std::string& text) { return TextExtent(text).cx; }
int TCanvas::TextHeight(const std::string&) {
    // The height is the font's, whatever the text: no need to lay it out.
    TCanvasAccess a(*this);
    QFontMetrics m(a.Font());
    return m.ascent() + m.descent();
}

UINT TCanvas::SetTextAlign(UINT align) {
    UINT old = textAlign_;
    textAlign_ = align;
    return old;
}
int TCanvas::SetBkMode(int mode) {
    int old = bkMode_;
    bkMode_ = mode;
    return old;
}
TColor TCanvas::SetBkColor(TColor c) {
    TColor old = bkColor_;
    bkColor_ = c;
    return old;
}
int TCanvas::SetPolyFillMode(int mode) {
    int old = polyFill_;
    polyFill_ = mode;
    return old;
}
TPoint TCanvas::SetBrushOrg(int x, int y) {
    TPoint old = brushOrg_;
    brushOrg_ = TPoint(x, y);
    return old;
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    TCanvasAccess a(*this);
    QFont f = a.Font();
    QFontMetrics m(f);
    QString s = FromGbk(text);
    if (textAlign_ & TA_UPDATECP) {
        x = penPos_.X;
        y = penPos_.Y;
    }
    int w = m.horizontalAdvance(s);
    int dx = 0, dy = 0;  // offset of the text's left baseline point from the reference point, unrotated
    UINT h = textAlign_ & TA_CENTER;
    if (h == TA_CENTER)
        dx = -w / 2;
    else if (h == TA_RIGHT)
        dx = -w;
    UINT v = textAlign_ & TA_BASELINE;
    if (v == TA_BASELINE)
        dy = 0;
    else if (v == TA_BOTTOM)
        dy = -m.descent();
    else
        dy = m.ascent();
    if (textAlign_ & TA_UPDATECP) penPos_.X += (h == TA_RIGHT ? -w : h == TA_CENTER ? 0 : w);
    if (s.isEmpty()) return;
    QPoint ref = a.Dev(x, y);
    double angle = -font_->Escapement() / 10.0;
    QColor col = ToQColor(font_->Color());
    bool opaque = bkMode_ == OPAQUE;
    QColor bk = ToQColor(bkColor_);
    TCanvasAccess::Painter pt;
    a.Open(pt);
    if (!pt.p) return;
    QPainter& p = *pt.p;
    p.translate(ref);
    if (angle != 0) p.rotate(angle);
    if (opaque) p.fillRect(QRect(dx, dy - m.ascent(), w, m.ascent() + m.descent()), bk);
    p.setFont(f);
    p.setPen(col);
    p.drawText(QPoint(dx, dy), s);
    a.Notify(a.DeviceBounds());
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
    TCanvasAccess a(*this);
    QFont f = a.Font();
    QFontMetrics m(f);
    QString s = FromGbk(text);
    QRect box = ToQRect(r).translated(origin_.X, origin_.Y);
    QPoint ref = a.Dev(x, y);
    int w = m.horizontalAdvance(s);
    int dx = 0;
    UINT h = textAlign_ & TA_CENTER;
    if (h == TA_CENTER)
        dx = -w / 2;
    else if (h == TA_RIGHT)
        dx = -w;
    UINT v = textAlign_ & TA_BASELINE;
    int base = v == TA_BASELINE ? 0 : v == TA_BOTTOM ? -m.descent() : m.ascent();
    TCanvasAccess::Painter pt;
    a.Open(pt);
    if (!pt.p) return;
    QPainter& p = *pt.p;
    p.setClipRect(box, Qt::IntersectClip);
    // The rectangle is filled with the brush as an opaque text background.
    if (brush_->Style() != bsClear) p.fillRect(box, ToQColor(brush_->Color()));
    p.setFont(f);
    p.setPen(ToQColor(font_->Color()));
    p.drawText(ref + QPoint(dx, base), s);
    a.Notify(box);
}

namespace {
struct TextLine {
    QString text;
    int underline = -1;  // index of the accelerator character
};

bool IsBreakable(QChar c) { return c.unicode() >= 0x2E80; }

int LineWidth(const QFontMetrics& m, const QString& s, int tabWidth) {
    if (tabWidth <= 0 || !s.contains(QLatin1Char('\t'))) return m.horizontalAdvance(s);
    int x = 0;
    QStringList parts = s.split(QLatin1Char('\t'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) x = (x / tabWidth + 1) * tabWidth;
        x += m.horizontalAdvance(parts[i]);
    }
    return x;
}

// Strips the accelerator marks: "&x" underlines x, "&&" is one ampersand.
TextLine Prefixed(const QString& s, bool process, bool show) {
    TextLine l;
    if (!process) {
        l.text = s;
        return l;
    }
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&') && i + 1 < s.size()) {
            ++i;
            if (s[i] != QLatin1Char('&') && show) l.underline = int(l.text.size());
        } else if (s[i] == QLatin1Char('&')) {
            continue;
        }
        l.text += s[i];
    }
    return l;
}

QString EndEllipsis(const QFontMetrics& m, const QString& s, int width, int tabs) {
    if (LineWidth(m, s, tabs) <= width) return s;
    const QString dots = QStringLiteral("...");
    QString t = s;
    while (!t.isEmpty() && LineWidth(m, t + dots, tabs) > width) t.chop(1);
    return t + dots;
}

QString PathEllipsis(const QFontMetrics& m, const QString& s, int width, int tabs) {
    if (LineWidth(m, s, tabs) <= width) return s;
    const QString dots = QStringLiteral("...");
    int cut = int(std::max(s.lastIndexOf(QLatin1Char('\\')), s.lastIndexOf(QLatin1Char('/'))));
    if (cut < 0) {
        // No path separator: characters are taken out of the middle.
        QString left = s.left(s.size() / 2), right = s.mid(s.size() / 2);
        while ((!left.isEmpty() || !right.isEmpty()) && LineWidth(m, left + dots + right, tabs) > width) {
            if (left.size() >= right.size())
                left.chop(1);
            else
                right.remove(0, 1);
        }
        return left + dots + right;
    }
    QString head = s.left(cut), tail = s.mid(cut);
    while (!head.isEmpty() && LineWidth(m, head + dots + tail, tabs) > width) head.chop(1);
    if (LineWidth(m, head + dots + tail, tabs) <= width) return head + dots + tail;
    return EndEllipsis(m, dots + tail, width, tabs);
}

std::vector<QString> WordWrap(const QFontMetrics& m, const QString& s, int width, int tabs) {
    std::vector<QString> out;
    // Tokens: a word with its trailing blanks, or one ideograph.
    std::vector<QString> tokens;
    QString cur;
    for (int i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (IsBreakable(c)) {
            if (!cur.isEmpty()) tokens.push_back(cur);
            cur = c;
            tokens.push_back(cur);
            cur.clear();
            continue;
        }
        if (c != QLatin1Char(' ') && !cur.isEmpty() && cur.back() == QLatin1Char(' ')) {
            tokens.push_back(cur);
            cur.clear();
        }
        cur += c;
    }
    if (!cur.isEmpty()) tokens.push_back(cur);
    QString line;
    for (const QString& t : tokens) {
        QString trial = line + t;
        QString trimmed = trial;
        while (!trimmed.isEmpty() && trimmed.back() == QLatin1Char(' ')) trimmed.chop(1);
        if (!line.isEmpty() && LineWidth(m, trimmed, tabs) > width) {
            while (!line.isEmpty() && line.back() == QLatin1Char(' ')) line.chop(1);
            out.push_back(line);
            line = t;
            while (line.startsWith(QLatin1Char(' '))) line.remove(0, 1);
        } else {
            line = trial;
        }
    }
    while (!line.isEmpty() && line.back() == QLatin1Char(' ')) line.chop(1);
    out.push_back(line);
    return out;
}
}  // namespace

int TCanvas::DrawText(const std::string& text, TRect& r, UINT flags) {
    TCanvasAccess a(*this);
    QFont f = a.Font();
    QFontMetrics m(f);
    QString s = FromGbk(text);
    int lineH = m.ascent() + m.descent() + ((flags & DT_EXTERNALLEADING) ? std::max(0, m.leading()) : 0);
    int tabs = 0;
    if (flags & DT_EXPANDTABS) {
        int chars = (flags & DT_TABSTOP) ? int((flags >> 8) & 0xFF) : 8;
        tabs = std::max(1, chars) * std::max(1, m.horizontalAdvance(QLatin1Char('x')));
    }
    int width = r.Width();
    bool single = flags & DT_SINGLELINE;
    QStringList raw;
    if (single) {
        QString t = s;
        t.remove(QLatin1Char('\r'));
        t.remove(QLatin1Char('\n'));
        raw << t;
    } else {
        QString t = s;
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        raw = t.split(QLatin1Char('\n'));
    }
    bool prefix = !(flags & DT_NOPREFIX);
    bool showPrefix = !(flags & DT_HIDEPREFIX);
    std::vector<TextLine> lines;
    for (const QString& para : raw) {
        TextLine pl = Prefixed(para, prefix, showPrefix);
        std::vector<QString> parts{pl.text};
        if ((flags & DT_WORDBREAK) && !single) parts = WordWrap(m, pl.text, width, tabs);
        int offset = 0;
        for (QString& part : parts) {
            TextLine l;
            if (flags & DT_PATH_ELLIPSIS)
                l.text = PathEllipsis(m, part, width, tabs);
            else if (flags & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
                l.text = EndEllipsis(m, part, width, tabs);
            else
                l.text = part;
            int begin = int(pl.text.indexOf(part, offset));
            if (begin < 0) begin = offset;
            if (pl.underline >= begin && pl.underline < begin + part.size() && l.text == part)
                l.underline = pl.underline - begin;
            offset = begin + int(part.size());
            lines.push_back(l);
        }
    }
    int maxW = 0;
    for (const TextLine& l : lines) maxW = std::max(maxW, LineWidth(m, l.text, tabs));
    int total = lineH * int(lines.size());
    if (flags & DT_CALCRECT) {
        r.Right = r.Left + maxW;
        r.Bottom = r.Top + total;
        return total;
    }
    int top = r.Top;
    if (single) {
        if (flags & DT_VCENTER)
            top = (r.Top + r.Bottom - lineH) / 2;
        else if (flags & DT_BOTTOM)
            top = r.Bottom - lineH;
    }
    TCanvasAccess::Painter pt;
    a.Open(pt);
    if (!pt.p) return total;
    QPainter& p = *pt.p;
    if (!(flags & DT_NOCLIP)) p.setClipRect(ToQRect(r).translated(origin_.X, origin_.Y), Qt::IntersectClip);
    if (flags & DT_RTLREADING) p.setLayoutDirection(Qt::RightToLeft);
    p.setFont(f);
    QColor col = ToQColor(font_->Color());
    int y = top;
    for (const TextLine& l : lines) {
        int w = LineWidth(m, l.text, tabs);
        int x = r.Left;
        if (flags & DT_CENTER)
            x = (r.Left + r.Right - w) / 2;
        else if (flags & DT_RIGHT)
            x = r.Right - w;
        QPoint o = a.Dev(x, y);
        if (bkMode_ == OPAQUE) p.fillRect(QRect(o.x(), o.y(), w, lineH), ToQColor(bkColor_));
        p.setPen(col);
        QStringList parts = tabs > 0 ? l.text.split(QLatin1Char('\t')) : QStringList{l.text};
        int cx = 0;
        for (int i = 0; i < parts.size(); ++i) {
            if (i > 0) cx = (cx / tabs + 1) * tabs;
            p.drawText(QPoint(o.x() + cx, o.y() + m.ascent()), parts[i]);
            cx += m.horizontalAdvance(parts[i]);
        }
        if (l.underline >= 0 && l.underline < l.text.size()) {
            int ux = o.x() + LineWidth(m, l.text.left(l.underline), tabs);
            int uw = m.horizontalAdvance(l.text.mid(l.underline, 1));
            p.fillRect(QRect(ux, o.y() + m.ascent() + 1, std::max(1, uw), 1), col);
        }
        y += lineH;
    }
    a.Notify(ToQRect(r).translated(origin_.X, origin_.Y));
    return total;
}

// ---------------------------------------------------------------- copies
void TCanvas::BitBlt(int x, int y, int w, int h, TCanvas* src, int sx, int sy, DWORD rop) {
    StretchBlt(x, y, w, h, src, sx, sy, w, h, rop);
}

void TCanvas::StretchBlt(int x, int y, int w, int h, TCanvas* src, int sx, int sy, int sw, int sh, DWORD rop) {
    TCanvasAccess a(*this);
    if (w == 0 || h == 0 || sw == 0 || sh == 0) return;
    bool needsSource = !(rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS ||
                         rop == WHITENESS);
    // A negative destination size mirrors as a negative source size does.
    bool mx = (w < 0) != (sw < 0), my = (h < 0) != (sh < 0);
    QPoint d = a.Dev(w < 0 ? x + w + 1 : x, h < 0 ? y + h + 1 : y);
    QRect dst(d, QSize(std::abs(w), std::abs(h)));
    // A plain copy of the same size, as a picture goes to its window, needs no copies of its own.
    if (rop == SRCCOPY && w == sw && h == sh && w > 0 && h > 0 && a.CopyPixels(dst, src, sx, sy)) return;
    QImage piece;
    if (needsSource) {
        piece = TCanvasAccess::Grab(src, sw < 0 ? sx + sw + 1 : sx, sh < 0 ? sy + sh + 1 : sy, std::abs(sw),
                                    std::abs(sh));
        if (piece.isNull()) return;
        if (mx || my) piece = piece.mirrored(mx, my);
    } else {
        piece = QImage(1, 1, QImage::Format_RGB32);
        piece.fill(0);
    }
    a.Blit(dst, piece, rop, nullptr);
}

void TCanvas::PatBlt(int x, int y, int w, int h, DWORD rop) { StretchBlt(x, y, w, h, nullptr, 0, 0, 1, 1, rop); }

void TCanvas::CopyRect(const TRect& dest, TCanvas* src, const TRect& source) {
    StretchBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), src, source.Left, source.Top, source.Width(),
               source.Height(), copyMode_);
}

void TCanvas::Draw(int x, int y, TGraphic* g) {
    if (!g || g->Empty()) return;
    g->Draw(this, TRect(x, y, x + g->Width(), y + g->Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* g) {
    if (!g || g->Empty()) return;
    g->Draw(this, r);
}

// Used by the graphics to put their pixels on a canvas.
void CanvasDrawImage(TCanvas* canvas, const TRect& r, const QImage& img, const uint32_t* key) {
    TCanvasAccess a(*canvas);
    QRect dst = ToQRect(r).translated(canvas->ViewportOrg().X, canvas->ViewportOrg().Y);
    a.Blit(dst.normalized(), img, canvas->CopyMode(), key);
}

// ---------------------------------------------------------------- clipping and states
TRect TCanvas::ClipRect() const {
    TCanvasAccess a(const_cast<TCanvas&>(*this));
    QRect b = a.ClipRegion().boundingRect();
    if (b.isEmpty()) return TRect();
    return FromQRect(b.translated(-origin_.X, -origin_.Y));
}

int TCanvas::SelectClipRgn(HRGN rgn) { return ExtSelectClipRgn(rgn, RGN_COPY); }

int TCanvas::ExtSelectClipRgn(HRGN rgn, int mode) {
    TCanvasAccess a(*this);
    if (mode == RGN_COPY) {
        if (!rgn) {
            clip_.reset();
            return SIMPLEREGION;
        }
        clip_ = std::make_unique<TRegionObj>();
        clip_->d->r = rgn->d->r;
    } else {
        if (!rgn) return RGN_ERROR;
        QRegion cur = clip_ ? clip_->d->r : QRegion(a.DeviceBounds());
        QRegion n;
        switch (mode) {
        case RGN_AND: n = cur.intersected(rgn->d->r); break;
        case RGN_OR: n = cur.united(rgn->d->r); break;
        case RGN_XOR: n = cur.xored(rgn->d->r); break;
        case RGN_DIFF: n = cur.subtracted(rgn->d->r); break;
        default: return RGN_ERROR;
        }
        if (!clip_) clip_ = std::make_unique<TRegionObj>();
        clip_->d->r = n;
    }
    return RegionKind(a.ClipRegion());
}

int TCanvas::IntersectClipRect(int l, int t, int r, int b) {
    std::unique_ptr<TRegionObj> rg(CreateRectRgn(l + origin_.X, t + origin_.Y, r + origin_.X, b + origin_.Y));
    return ExtSelectClipRgn(rg.get(), RGN_AND);
}

int TCanvas::ExcludeClipRect(int l, int t, int r, int b) {
    std::unique_ptr<TRegionObj> rg(CreateRectRgn(l + origin_.X, t + origin_.Y, r + origin_.X, b + origin_.Y));
    return ExtSelectClipRgn(rg.get(), RGN_DIFF);
}

HRGN TCanvas::GetClipRgn() const {
    if (!clip_) return nullptr;
    auto* r = new TRegionObj;
    r->d->r = clip_->d->r;
    return r;
}

int TCanvas::SaveDC() {
    auto sp = std::make_unique<State>();
    State& s = *sp;
    s.pen.Assign(*pen_);
    s.brush.Assign(*brush_);
    s.font.Assign(*font_);
    s.penPos = penPos_;
    s.brushOrg = brushOrg_;
    s.origin = origin_;
    s.copyMode = copyMode_;
    s.textAlign = textAlign_;
    s.bkMode = bkMode_;
    s.polyFill = polyFill_;
    s.bkColor = bkColor_;
    s.clipped = clip_ != nullptr;
    if (clip_) s.clip = clip_->d->r;
    saved_.push_back(std::move(sp));
    return int(saved_.size());
}

bool TCanvas::RestoreDC(int saved) {
    int n = int(saved_.size());
    int target = saved < 0 ? n + saved : saved - 1;  // index of the state to restore
    if (target < 0 || target >= n) return false;
    State& s = *saved_[size_t(target)];
    pen_->Assign(s.pen);
    brush_->Assign(s.brush);
    font_->Assign(s.font);
    penPos_ = s.penPos;
    brushOrg_ = s.brushOrg;
    origin_ = s.origin;
    copyMode_ = s.copyMode;
    textAlign_ = s.textAlign;
    bkMode_ = s.bkMode;
    polyFill_ = s.polyFill;
    bkColor_ = s.bkColor;
    if (s.clipped) {
        clip_ = std::make_unique<TRegionObj>();
        clip_->d->r = s.clip;
    } else {
        clip_.reset();
    }
    saved_.resize(size_t(target));
    return true;
}

TPoint TCanvas::SetViewportOrg(int x, int y) {
    TPoint old = origin_;
    origin_ = TPoint(x, y);
    return old;
}

void TCanvas::FillRgn(HRGN rgn, TBrush* brush) {
    if (!rgn || !brush) return;
    TBrush keep;
    keep.Assign(*brush_);
    brush_->Assign(*brush);
    TCanvasAccess a(*this);
    QRegion r = rgn->d->r.translated(origin_.X, origin_.Y);
    QPainterPath path;
    path.addRegion(r);
    a.FillShape([&](QPainter& qp) { qp.drawPath(path); }, false);
    brush_->Assign(keep);
}

void TCanvas::FrameRgn(HRGN rgn, TBrush* brush, int w, int h) {
    if (!rgn || !brush) return;
    QRegion inner = rgn->d->r;
    QRegion shrunk = inner.translated(w, 0).intersected(inner.translated(-w, 0));
    shrunk = shrunk.intersected(inner.translated(0, h)).intersected(inner.translated(0, -h));
    TRegionObj ring;
    ring.d->r = inner.subtracted(shrunk);
    FillRgn(&ring, brush);
}

// ---------------------------------------------------------------- paths
void TCanvas::BeginPath() {
    path_ = std::make_unique<Path>();
    path_->path.setFillRule(polyFill_ == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}
void TCanvas::EndPath() {
    if (path_) path_->recording = false;
}
void TCanvas::AbortPath() { path_.reset(); }
void TCanvas::CloseFigure() {
    if (path_ && path_->recording) path_->path.closeSubpath();
}

HRGN TCanvas::PathToRegion() {
    if (!path_ || path_->recording) return nullptr;
    auto* r = new TRegionObj;
    QPainterPath p = path_->path;
    p.setFillRule(polyFill_ == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    if (polyFill_ == WINDING) {
        r->d->r = QRegion(p.toFillPolygon().toPolygon(), Qt::WindingFill);
    } else {
        QRegion acc;
        for (const QPolygonF& poly : p.toSubpathPolygons()) acc = acc.xored(QRegion(poly.toPolygon(), Qt::OddEvenFill));
        r->d->r = acc;
    }
    path_.reset();
    return r;
}

bool TCanvas::SelectClipPath(int mode) {
    std::unique_ptr<TRegionObj> r(PathToRegion());
    if (!r) return false;
    return ExtSelectClipRgn(r.get(), mode) != RGN_ERROR;
}

void TCanvas::FillPath() {
    if (!path_ || path_->recording) return;
    TCanvasAccess a(*this);
    QPainterPath p = path_->path;
    p.setFillRule(polyFill_ == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    a.FillShape([&](QPainter& qp) { qp.drawPath(p); }, true);
    path_.reset();
}

void TCanvas::StrokePath() {
    if (!path_ || path_->recording) return;
    TCanvasAccess a(*this);
    for (const QPolygonF& poly : path_->path.toSubpathPolygons()) {
        QPolygon q = poly.toPolygon();
        bool closed = q.size() > 2 && q.first() == q.last();
        a.StrokePolyline(q, closed);
    }
    path_.reset();
}

void TCanvas::StrokeAndFillPath() {
    if (!path_ || path_->recording) return;
    QPainterPath keep = path_->path;
    FillPath();
    path_ = std::make_unique<Path>();
    path_->path = keep;
    path_->recording = false;
    StrokePath();
}

void CanvasPaint(TCanvas* canvas, const std::function<void(QPainter&)>& paint) {
    TCanvasAccess a(*canvas);
    TCanvasAccess::Painter pt;
    a.Open(pt);
    if (!pt.p) return;
    pt.p->translate(canvas->ViewportOrg().X, canvas->ViewportOrg().Y);
    paint(*pt.p);
    a.Notify(a.DeviceBounds());
}
