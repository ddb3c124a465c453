// What the graphics sources share among themselves.
#pragma once

#include <QPolygon>
#include <QRegion>
#include <algorithm>

#include "platform/ui/Graphics.h"

// Stores a value that differs; true when it did, so that the caller tells its owners.
template <class T, class V>
bool Store(T& field, const V& v) {
    if (field == v) return false;
    field = v;
    return true;
}

inline int RegionKind(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
inline QPolygon ToQPolygon(const TPoint* pts, int n, int dx = 0, int dy = 0) {
    QPolygon p;
    p.reserve(std::max(n, 0));
    for (int i = 0; i < n; ++i) p << QPoint(pts[i].X + dx, pts[i].Y + dy);
    return p;
}
