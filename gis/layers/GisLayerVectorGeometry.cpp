// Free geometry routines of the vector unit and the vertex and segment walks the arc and the polygon share.
#include <cmath>
#include <cstring>

#include "gis/layers/GisLayerVector.h"

bool GisIsPointInExtent(const TGIS_Point& p, const TGIS_Extent& e) {
    if (p.X < e.XMin) return false;
    if (p.X > e.XMax) return false;
    if (p.Y < e.YMin) return false;
    return p.Y <= e.YMax;
}

namespace {
// Crossing number of a ring, read through `at`: odd when the point lies inside. The edge is counted when it spans
// the point's height half-open and crosses the horizontal ray to the right of the point.
template <class At>
bool OddCrossings(const TGIS_Point& p, int n, At at) {
    if (n == 0) return false;
    TGIS_Point prev = at(n - 1);
    bool odd = false;
    for (int i = 0; i < n; ++i) {
        const TGIS_Point cur = at(i);
        if ((cur.Y <= p.Y && p.Y < prev.Y) || (prev.Y <= p.Y && p.Y < cur.Y)) {
            const double xi = (prev.X - cur.X) * (p.Y - cur.Y) / (prev.Y - cur.Y) + cur.X;
            if (xi > p.X) odd = !odd;
        }
        prev = cur;
    }
    return odd;
}
}  // namespace

bool GisIsPointInPolygon(const TGIS_Point& p, TGIS_Shape* shape) {
    if (shape == nullptr || shape->ShapeType() != gisShapeTypePolygon || !shape->HasGeometry()) return false;
    bool inside = false;
    const int parts = shape->GetNumParts();
    for (int part = 0; part < parts; ++part)
        if (OddCrossings(p, shape->GetPartSize(part), [&](int i) { return shape->GetPoint(part, i); }))
            inside = !inside;
    return inside;
}

bool GisIsPointInRing(const TGIS_Point& p, const TGIS_Point* ring, size_t n) {
    return OddCrossings(p, static_cast<int>(n), [ring](int i) { return ring[i]; });
}

namespace {
// Line parameter along P1-P2 of its crossing with Q1-Q2, both parameters within [0, 1]; parallel lines never cross.
bool SegmentParam(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& q1, const TGIS_Point& q2,
                  double& r) {
    const double d = (p2.X - p1.X) * (q2.Y - q1.Y) - (p2.Y - p1.Y) * (q2.X - q1.X);
    if (d == 0) return false;
    r = ((p1.Y - q1.Y) * (q2.X - q1.X) - (p1.X - q1.X) * (q2.Y - q1.Y)) / d;
    if (r < 0 || r > 1) return false;
    const double s = ((p1.Y - q1.Y) * (p2.X - p1.X) - (p1.X - q1.X) * (p2.Y - p1.Y)) / d;
    return s >= 0 && s <= 1;
}
}  // namespace

bool GisSegmentsIntersect(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& q1, const TGIS_Point& q2) {
    double r;
    return SegmentParam(p1, p2, q1, q2, r);
}

bool GisSegmentsIntersection(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& q1,
                             const TGIS_Point& q2, TGIS_Point& crossing) {
    double r;
    if (!SegmentParam(p1, p2, q1, q2, r)) return false;
    crossing = {p1.X + (p2.X - p1.X) * r, p1.Y + (p2.Y - p1.Y) * r};
    return true;
}

void GisWkbRead(const uint8_t*& cursor, const uint8_t* end, void* destination, size_t count) {
    if (cursor > end || static_cast<size_t>(end - cursor) < count)
        throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, "WKB", 0);
    std::memcpy(destination, cursor, count);
    cursor += count;
}

void GisWkbWrite(uint8_t*& cursor, const void* source, size_t count) {
    std::memcpy(cursor, source, count);
    cursor += count;
}

namespace {
// With `all`: every vertex satisfies the test; else some vertex does. Stops at the first decisive vertex.
template <class Test>
bool VerticesSatisfy(TGIS_Shape* shape, bool all, Test test) {
    const int parts = shape->GetNumParts();
    for (int part = 0; part < parts; ++part) {
        const int n = shape->GetPartSize(part);
        for (int i = 0; i < n; ++i)
            if (test(shape->GetPoint(part, i)) != all) return !all;
    }
    return all;
}

// Whether the test holds for some segment of parts [first, end) of the shape; stops at the first that does.
template <class Test>
bool AnySegment(TGIS_Shape* shape, int first, int end, Test test) {
    for (int part = first; part < end; ++part) {
        const int n = shape->GetPartSize(part);
        if (n < 2) continue;
        TGIS_Point a = shape->GetPoint(part, 0);
        for (int i = 1; i < n; ++i) {
            const TGIS_Point b = shape->GetPoint(part, i);
            if (test(a, b)) return true;
            a = b;
        }
    }
    return false;
}
}  // namespace

double GisNearestOnPart(TGIS_Shape* shape, const TGIS_Point& p, int part, double best, TGIS_Point& nearest) {
    const int n = shape->GetPartSize(part);
    if (n == 1) {
        nearest = shape->GetPoint(part, 0);
        return GisPointDistance(nearest, p);
    }
    AnySegment(shape, part, part + 1, [&](const TGIS_Point& a, const TGIS_Point& b) {
        const double d = GisSegmentPointDistance(a, b, p);
        if (d < best) {
            best = d;
            nearest = GisSegmentNearestPoint(a, b, p);
        }
        return false;
    });
    return best;
}

bool GisRelateVerticesCircle(TGIS_Shape* shape, const TGIS_Point& centre, uint8_t mode, double radius) {
    if (!shape->HasGeometry()) return false;
    switch (mode) {
        case 0:
        case 2:
            return VerticesSatisfy(shape, mode == 0,
                                   [&](const TGIS_Point& p) { return GisPointDistance(p, centre) <= radius; });
        case 1:
            return GisPointDistance(shape->Centroid(), centre) <= radius;
        default:
            QM_ASSERT(false, GIS_RS_ERR_UNTESTED);
            return false;
    }
}

bool GisVerticesInExtent(TGIS_Shape* shape, const TGIS_Extent& extent, bool all) {
    return VerticesSatisfy(shape, all, [&](const TGIS_Point& p) { return GisIsPointInExtent(p, extent); });
}

bool GisSegmentsCrossExtent(TGIS_Shape* shape, const TGIS_Extent& e) {
    const TGIS_Point corners[5] = {{e.XMin, e.YMin}, {e.XMax, e.YMin}, {e.XMax, e.YMax}, {e.XMin, e.YMax},
                                   {e.XMin, e.YMin}};
    return AnySegment(shape, 0, shape->GetNumParts(), [&](const TGIS_Point& a, const TGIS_Point& b) {
        for (int k = 0; k < 4; ++k)
            if (GisSegmentsIntersect(a, b, corners[k], corners[k + 1])) return true;
        return false;
    });
}

bool GisRelateExtentCommon(TGIS_Shape* shape, const TGIS_Extent& extent, uint8_t mode, bool& decided) {
    decided = true;
    if (!shape->HasGeometry()) return false;
    if (!GisExtentsOverlap(shape->GetPointsExtent(), extent)) return false;
    if (extent.XMin == extent.XMax || extent.YMin == extent.YMax) return false;
    switch (mode) {
        case 0:
            return GisVerticesInExtent(shape, extent, true);
        case 1:
            return GisIsPointInExtent(shape->Centroid(), extent);
        case 2:
            if (GisVerticesInExtent(shape, extent, false)) return true;
            if (GisSegmentsCrossExtent(shape, extent)) return true;
            decided = false;
            return false;
        default:
            QM_ASSERT(false, GIS_RS_ERR_UNTESTED);
            return false;
    }
}

bool GisSegmentsMeetFirstPart(TGIS_Shape* shape, TGIS_Shape* other) {
    if (other->GetNumParts() < 1) return false;
    return AnySegment(shape, 0, shape->GetNumParts(), [other](const TGIS_Point& a, const TGIS_Point& b) {
        return AnySegment(other, 0, 1,
                          [&](const TGIS_Point& c, const TGIS_Point& d) { return GisSegmentsIntersect(a, b, c, d); });
    });
}

bool GisRelateShapeCommon(TGIS_Shape* shape, TGIS_Shape* other, uint8_t mode) {
    if (!shape->HasGeometry() || !other->HasGeometry()) return false;
    switch (mode) {
        case 0:
        case 2: {
            const bool all = mode == 0;
            if (VerticesSatisfy(shape, all, [other](const TGIS_Point& p) { return GisIsPointInPolygon(p, other); }) !=
                all)
                return !all;
            return GisSegmentsMeetFirstPart(shape, other) != all;
        }
        case 1:
            return GisIsPointInPolygon(shape->Centroid(), other);
        default:
            QM_ASSERT(false, GIS_RS_ERR_UNTESTED);
            return false;
    }
}

TGIS_PointList GisShapeCrossings(TGIS_Shape* shape, TGIS_Shape* other) {
    TGIS_PointList found;
    const int parts = shape->GetNumParts();
    switch (other->ShapeType()) {
        case 2:
        case 3: {
            const int m = other->GetPartSize(0);
            for (int j = 0; j < m; ++j) {
                const TGIS_Point q = other->GetPoint(0, j);
                AnySegment(shape, 0, parts, [&](const TGIS_Point& a, const TGIS_Point& b) {
                    if (GisSegmentPointDistance(a, b, q) == 0) found.push_back(q);
                    return false;
                });
            }
            break;
        }
        case 4:
        case 5:
            AnySegment(other, 0, other->GetNumParts(), [&](const TGIS_Point& c, const TGIS_Point& d) {
                return AnySegment(shape, 0, parts, [&](const TGIS_Point& a, const TGIS_Point& b) {
                    TGIS_Point x;
                    if (GisSegmentsIntersection(a, b, c, d, x)) found.push_back(x);
                    return false;
                });
            });
            break;
        default:
            QM_ASSERT(false, GIS_RS_ERR_UNTESTED);
    }
    return found;
}
