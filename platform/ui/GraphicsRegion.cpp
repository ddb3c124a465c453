#include "platform/ui/Graphics.h"

#include <QPainterPath>
#include <algorithm>

#include "platform/ui/GraphicsInternal.h"
#include "platform/ui/QtGlue.h"

TRegionObj::TRegionObj() : d(std::make_unique<TRegionData>()) {}
TRegionObj::~TRegionObj() = default;

HRGN CreateRectRgn(int l, int t, int r, int b) {
    auto* g = new TRegionObj;
    if (r < l) std::swap(l, r);
    if (b < t) std::swap(t, b);
    g->d->r = QRegion(ToQRect(TRect(l, t, r, b)));
    return g;
}
HRGN CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }
HRGN CreateEllipticRgn(int l, int t, int r, int b) {
    auto* g = new TRegionObj;
    g->d->r = QRegion(ToQRect(TRect(l, t, r, b)), QRegion::Ellipse);
    return g;
}
HRGN CreatePolygonRgn(const TPoint* pts, int count, int fillMode) {
    auto* g = new TRegionObj;
    if (count >= 3) g->d->r = QRegion(ToQPolygon(pts, count), fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    return g;
}
HRGN CreatePolyPolygonRgn(const TPoint* pts, const int* counts, int polys, int fillMode) {
    auto* g = new TRegionObj;
    QPainterPath path;
    path.setFillRule(fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    int k = 0;
    for (int i = 0; i < polys; ++i) {
        if (counts[i] >= 2) path.addPolygon(QPolygonF(ToQPolygon(pts + k, counts[i])));
        path.closeSubpath();
        k += counts[i];
    }
    if (fillMode == WINDING) {
        g->d->r = QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
    } else {
        QRegion r;
        for (const QPolygonF& poly : path.toFillPolygons()) r = r.xored(QRegion(poly.toPolygon(), Qt::OddEvenFill));
        g->d->r = r;
    }
    return g;
}
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
    if (!dst || !a) return RGN_ERROR;
    QRegion r;
    switch (mode) {
    case RGN_COPY: r = a->d->r; break;
    case RGN_AND: r = b ? a->d->r.intersected(b->d->r) : QRegion(); break;
    case RGN_OR: r = b ? a->d->r.united(b->d->r) : a->d->r; break;
    case RGN_XOR: r = b ? a->d->r.xored(b->d->r) : a->d->r; break;
    case RGN_DIFF: r = b ? a->d->r.subtracted(b->d->r) : a->d->r; break;
    default: return RGN_ERROR;
    }
    dst->d->r = r;
    return RegionKind(r);
}
int OffsetRgn(HRGN rgn, int dx, int dy) {
    if (!rgn) return RGN_ERROR;
    rgn->d->r.translate(dx, dy);
    return RegionKind(rgn->d->r);
}
BOOL PtInRegion(HRGN rgn, int x, int y) { return rgn && rgn->d->r.contains(QPoint(x, y)); }
BOOL RectInRegion(HRGN rgn, const TRect& r) { return rgn && rgn->d->r.intersects(ToQRect(r)); }
int GetRgnBox(HRGN rgn, TRect& r) {
    if (!rgn) return RGN_ERROR;
    r = rgn->d->r.isEmpty() ? TRect() : FromQRect(rgn->d->r.boundingRect());
    return RegionKind(rgn->d->r);
}
BOOL EqualRgn(HRGN a, HRGN b) { return a && b && a->d->r == b->d->r; }
