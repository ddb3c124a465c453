// The area shape: ring entry, measures, relations and clipping to a rectangle.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "gis/layers/GisLayerVector.h"

TGIS_ShapePolygon::TGIS_ShapePolygon(TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped,
                                     int32_t uid, TGIS_LayerVector* layer)
    : TGIS_Shape(gisShapeTypePolygon, source, geometry, size, mapped, uid, layer) {}

int32_t TGIS_ShapePolygon::GetMinDrawSize() {
    TGIS_ParamsSectionVector* params = GetParams();
    if (params == nullptr) return 0;
    return SmartSizeOf(params->Area().SmartSizeField(), params->Area().SmartSize());
}

std::unique_ptr<TGIS_Shape> TGIS_ShapePolygon::CreateCopy() {
    auto copy = std::make_unique<TGIS_ShapePolygon>(this);
    copy->MakeEditable();
    return copy;
}

void TGIS_ShapePolygon::AddPoint(const TGIS_Point& p) {
    MakeEditable();
    if (HasGeometry()) {
        const int part = GetNumParts() - 1;
        if (GetPartSize(part) > 0) {
            // The ring's first point again closes it without a duplicate.
            const TGIS_Point q = ToLayer(p);
            if (GisIsSamePoint(q, ReadPoint(PointOffset(GetPartOffset(part))))) {
                SetNumPoints(GetNumPoints() - 1);
                SetPartPoint(part, -1, q);
                return;
            }
        }
    }
    AddPointInternal(p);
}

void TGIS_ShapePolygon::AddPointInternal(const TGIS_Point& p) {
    MakeEditable();
    if (!HasGeometry()) AddPart();
    const TGIS_Point q = ToLayer(p);
    const int part = GetNumParts() - 1;
    if (GetPartSize(part) == 0) {
        SetPartPoint(part, -1, q);
        SetPartPoint(part, -1, q);
        return;
    }
    // The stored first point is copied as it stands: taking it through the viewer and back could move it.
    const TGIS_Point first = ReadPoint(PointOffset(GetPartOffset(part)));
    SetNumPoints(GetNumPoints() - 1);
    SetPartPoint(part, -1, q);
    SetPartPoint(part, -1, first);
}

double TGIS_ShapePolygon::DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double tolerance) {
    QM_ASSERT(HasGeometry() && part >= 0 && part < GetNumParts(), "part index out of range");
    nearest = p;
    double best = GIS_MAX_DISTANCE;
    bool inside = false;
    if (tolerance > 0 && GisIsPointInPolygon(p, this)) {
        best = std::fabs(tolerance);
        inside = true;
    }
    best = GisNearestOnPart(this, p, part, best, nearest);
    // An inside click measures below the tolerance, so that the area wins over a line as near.
    return inside ? 0.9 * best : best;
}

namespace {
using Ring = std::vector<TGIS_Point>;

std::vector<Ring> ReadRings(TGIS_Shape* shape) {
    std::vector<Ring> rings;
    if (!shape->HasGeometry()) return rings;
    const int parts = shape->GetNumParts();
    rings.resize(parts);
    for (int part = 0; part < parts; ++part) {
        const int n = shape->GetPartSize(part);
        rings[part].reserve(n);
        for (int i = 0; i < n; ++i) rings[part].push_back(shape->GetPoint(part, i));
    }
    return rings;
}

// The middle of the widest span inside the ring along the line at height y; false when there is none.
bool WidestSpan(const Ring& ring, double y, std::vector<double>& xs, TGIS_Point& p) {
    xs.clear();
    // Edges spanning y half-open, as the crossing test counts them, each taken from its lower end: an edge walked
    // there and back gives the same x twice, no span.
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const TGIS_Point* a = &ring[i];
        const TGIS_Point* b = &ring[(i + 1) % n];
        if ((a->Y <= y) == (b->Y <= y)) continue;
        if (a->Y > b->Y) std::swap(a, b);
        xs.push_back(a->X + (y - a->Y) * (b->X - a->X) / (b->Y - a->Y));
    }
    std::sort(xs.begin(), xs.end());
    double widest = 0;
    for (size_t k = 0; k + 1 < xs.size(); k += 2)
        if (xs[k + 1] - xs[k] > widest) {
            widest = xs[k + 1] - xs[k];
            p = {xs[k] + widest / 2, y};
        }
    return widest > 0;
}

// Bands between vertex heights tried for a ring whose middle line finds nothing inside.
constexpr size_t kInteriorBands = 32;

// A point strictly inside the ring, the middle of a span inside it, first along the line halfway up its extent.
// Rings that do not cross share no boundary with each other's interior, so such a point tells which side of another
// ring this one lies on, where a vertex may touch that ring's edge or lie a rounding off it. False for a ring with
// no area (or none found within the bands tried).
bool InteriorPoint(const Ring& ring, const TGIS_Extent& e, std::vector<double>& xs, TGIS_Point& p) {
    const double middle = (e.YMin + e.YMax) / 2;
    if (WidestSpan(ring, middle, xs, p)) return true;
    // The line met only edges walked there and back, as a ring clipped to a rectangle runs along its sides. Between
    // two vertex heights a ring is a row of trapezoids: the band middles nearest the extent's are tried.
    std::vector<double> ys;
    for (const TGIS_Point& q : ring) ys.push_back(q.Y);
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<double> bands;
    for (size_t k = 0; k + 1 < ys.size(); ++k) bands.push_back(ys[k] + (ys[k + 1] - ys[k]) / 2);
    const size_t tried = std::min(bands.size(), kInteriorBands);
    std::partial_sort(bands.begin(), bands.begin() + tried, bands.end(), [middle](double a, double b) {
        return std::fabs(a - middle) < std::fabs(b - middle);
    });
    for (size_t k = 0; k < tried; ++k)
        if (WidestSpan(ring, bands[k], xs, p)) return true;
    return false;
}

// +1 for a ring inside an even number of the others (an outer ring or an island), -1 for odd (a hole), whatever
// way it is wound. `areas` are the rings' unsigned areas.
std::vector<int> RingSigns(const std::vector<Ring>& rings, const std::vector<double>& areas) {
    std::vector<int> signs(rings.size(), 1);
    if (rings.size() < 2) return signs;
    // A ring can lie only in a ring whose extent holds its inner point: most pairs end at that test. (Not the
    // whole extent: a vertex touching the other ring may lie a rounding outside.)
    std::vector<TGIS_Extent> extents;
    std::vector<TGIS_Point> inner(rings.size());
    std::vector<char> hasInner(rings.size());
    std::vector<double> xs;
    for (size_t i = 0; i < rings.size(); ++i) {
        TGIS_Extent e = GisEmptyExtent();
        for (const TGIS_Point& p : rings[i]) e = GisExtentUnion(e, {p.X, p.Y, p.X, p.Y});
        extents.push_back(e);
        hasInner[i] = InteriorPoint(rings[i], e, xs, inner[i]);
    }
    auto in = [&](size_t i, size_t j) {
        return hasInner[i] && GisIsPointInExtent(inner[i], extents[j]) &&
               GisIsPointInRing(inner[i], rings[j].data(), rings[j].size());
    };
    for (size_t i = 0; i < rings.size(); ++i) {
        int depth = 0;
        for (size_t j = 0; j < rings.size(); ++j) {
            if (i == j || !in(i, j)) continue;
            // Each in the other: rings of one extent, such as a hole and the ring around it clipped to the same
            // rectangle, where the outer ring's point may fall in the hole. The smaller, or the later of equals, is
            // the inner one.
            if (in(j, i) && (areas[i] > areas[j] || (areas[i] == areas[j] && i < j))) continue;
            ++depth;
        }
        if (depth % 2 == 1) signs[i] = -1;
    }
    return signs;
}

// Signed area and first moments of a ring, shifted by (ox, oy). `wrap` adds the edge from the last point to the
// first one, which a closed ring does not need.
struct RingMoments {
    double a = 0, cx = 0, cy = 0;
};
// The ring's points come from at(i), i < n.
template <class At>
RingMoments MomentsOf(size_t n, const At& at, double ox, double oy, bool wrap) {
    RingMoments m;
    if (n < 2) return m;
    TGIS_Point pj = at(wrap ? n - 1 : 0);
    for (size_t i = wrap ? 0 : 1; i < n; ++i) {
        const TGIS_Point pi = at(i);
        const double xj = pj.X + ox, yj = pj.Y + oy, xi = pi.X + ox, yi = pi.Y + oy;
        const double c = xj * yi - xi * yj;
        m.a += c / 2;
        m.cx += (xj + xi) * c / 6;
        m.cy += (yj + yi) * c / 6;
        pj = pi;
    }
    return m;
}

RingMoments Moments(const Ring& ring, double ox, double oy, bool wrap) {
    return MomentsOf(ring.size(), [&ring](size_t i) { return ring[i]; }, ox, oy, wrap);
}

// The centroid of a polygon of one ring, e being its points' extent.
template <class At>
TGIS_Point OneRingCentroid(size_t n, const At& at, const TGIS_Extent& e) {
    const double ox = -e.XMin, oy = -e.YMin;
    const RingMoments m = MomentsOf(n, at, ox, oy, true);
    const double s = m.a < 0 ? -1 : 1, a = s * m.a;
    if (a == 0) return {e.XMin, e.YMin};
    return {std::fabs(s * m.cx / a) - ox, std::fabs(s * m.cy / a) - oy};
}

// Rings up to this size are read once onto the stack for a label point.
constexpr int kSmallRing = 32;
// Stored points are X then Y, as a TGIS_Point lies in memory.
static_assert(sizeof(TGIS_Point) == 16 && offsetof(TGIS_Point, Y) == 8);

// OneRingCentroid of a closed ring of five points running round the rectangle e, one side per edge, without the
// loop. The three edges that touch e's lower left corner, shifted to zero, weigh nothing; the other two weigh the
// same products, and their sums come out alike whichever way and from whichever corner the ring runs. Doubling
// and halving are exact only away from the ends of the range: there the loop is left to do it (false).
bool RectangleCentroid(const TGIS_Point* ring, int n, const TGIS_Extent& e, TGIS_Point& c) {
    if (n != 5) return false;
    // a and d are opposite corners, the ring turning either way from a; z closes it.
    const TGIS_Point &a = ring[0], &b = ring[1], &d = ring[2], &f = ring[3], &z = ring[4];
    const bool sides = a.Y == b.Y ? b.X == d.X && d.Y == f.Y && f.X == a.X
                                  : a.X == b.X && b.Y == d.Y && d.X == f.X && f.Y == a.Y;
    if (!sides || z.X != a.X || z.Y != a.Y || a.X == d.X || a.Y == d.Y) return false;
    if (std::min(a.X, d.X) != e.XMin || std::max(a.X, d.X) != e.XMax || std::min(a.Y, d.Y) != e.YMin ||
        std::max(a.Y, d.Y) != e.YMax)
        return false;
    const double ox = -e.XMin, oy = -e.YMin;
    const double w = e.XMax + ox, h = e.YMax + oy;
    const double area = w * h, qx = w * area, qy = h * area;
    constexpr double kSafe = 0x1p-1000, kHuge = 0x1p1000;
    if (!(area > kSafe && area < kHuge && qx > kSafe && qx < kHuge && qy > kSafe && qy < kHuge)) return false;
    const double sx = qx / 6, sy = qy / 6;
    c = {std::fabs((sx + 2 * sx) / area) - ox, std::fabs((sy + 2 * sy) / area) - oy};
    return true;
}
}  // namespace

TGIS_Point TGIS_ShapePolygon::Centroid() {
    if (!HasGeometry()) return {0, 0};
    const TGIS_Extent e = GetPointsExtent();
    // One ring is an outer one: its points are read in place, without copies (labels ask this of every shape
    // in view).
    if (GetNumParts() == 1)
        return OneRingCentroid(size_t(std::max(GetPartSize(0), 0)), [this](size_t i) { return GetPoint(0, int(i)); },
                               e);
    const double ox = -e.XMin, oy = -e.YMin;
    const std::vector<Ring> rings = ReadRings(this);
    std::vector<RingMoments> moments;
    std::vector<double> areas;
    for (const Ring& ring : rings) {
        moments.push_back(Moments(ring, ox, oy, true));
        areas.push_back(std::fabs(moments.back().a));
    }
    const std::vector<int> signs = RingSigns(rings, areas);
    double a = 0, cx = 0, cy = 0;
    for (size_t k = 0; k < rings.size(); ++k) {
        const RingMoments& m = moments[k];
        const double s = m.a < 0 ? -signs[k] : signs[k];
        a += s * m.a;
        cx += s * m.cx;
        cy += s * m.cy;
    }
    if (a == 0) return {e.XMin, e.YMin};
    return {std::fabs(cx / a) - ox, std::fabs(cy / a) - oy};
}

double TGIS_ShapePolygon::Area() {
    if (!HasGeometry()) return 0;
    const TGIS_Extent e = GetPointsExtent();
    const std::vector<Ring> rings = ReadRings(this);
    std::vector<double> areas;
    for (const Ring& ring : rings) areas.push_back(std::fabs(Moments(ring, -e.XMin, -e.YMin, false).a));
    const std::vector<int> signs = RingSigns(rings, areas);
    double a = 0;
    for (size_t k = 0; k < rings.size(); ++k) a += signs[k] * areas[k];
    return std::fabs(a);
}

double TGIS_ShapePolygon::Length() {
    if (!HasGeometry() || GetNumParts() < 1) return 0;
    const int n = GetPartSize(0);
    double sum = 0;
    for (int i = 1; i < n; ++i) sum += GisDistance(GetPoint(0, i - 1), GetPoint(0, i));
    return sum;
}

TGIS_Point TGIS_ShapePolygon::LabelPoint() {
    // Mostly a small ring whose centroid lies inside it: its points are read once for both questions. Labels ask
    // this of every shape in view: the part is read through the base's accessors (no class overrides them for a
    // polygon) and, unprojected, copied in one go with the stored extent, as GetPointsExtent would answer.
    if (HasGeometry() && TGIS_Shape::GetNumParts() == 1) {
        int32_t n = 0;
        const uint8_t* at = PartPoints(0, n);
        if (n >= 0 && n <= kSmallRing) {
            TGIS_Point ring[kSmallRing];
            TGIS_Extent e;
            if (Projects()) {
                int k = 0;
                ForEachPartPoint(0, [&](const TGIS_Point& p) { ring[k++] = p; });
                e = GetPointsExtent();
            } else {
                // Nearly always a rectangle: a copy of known size is a few moves rather than a call.
                if (n == 5)
                    std::memcpy(ring, at, 5 * sizeof(TGIS_Point));
                else if (n > 0)
                    std::memcpy(ring, at, size_t(n) * sizeof(TGIS_Point));
                e = TGIS_Shape::GetExtent();
            }
            TGIS_Point c;
            // Strictly inside a rectangle's sides, a point is inside its ring (the crossing test agrees).
            if (RectangleCentroid(ring, n, e, c) && c.X > e.XMin && c.X < e.XMax && c.Y > e.YMin && c.Y < e.YMax)
                return c;
            c = OneRingCentroid(size_t(n), [&ring](size_t i) { return ring[i]; }, e);
            if (GisIsPointInRing(c, ring, size_t(n))) return c;
        }
    }
    TGIS_Point c = Centroid();
    if (GisIsPointInPolygon(c, this)) return c;
    std::unique_ptr<TGIS_Shape> piece;
    TGIS_Shape* s = this;
    double prevRx = 0, prevRy = 0;
    // Each round halves the piece; a bound keeps a piece that never yields an inside centroid from looping.
    for (int round = 0; round < 64; ++round) {
        const TGIS_Extent e = s->GetPointsExtent();
        const double dl = std::fabs(c.X - e.XMin), dr = std::fabs(e.XMax - c.X);
        const double db = std::fabs(c.Y - e.YMin), dt = std::fabs(e.YMax - c.Y);
        auto ratio = [](double lo, double hi, bool& towardsLow) {
            if (lo == 0) return towardsLow = true, 0.0;
            if (hi == 0) return towardsLow = false, GIS_MAX_DISTANCE;
            if (lo <= hi) return towardsLow = true, hi / lo;
            return towardsLow = false, lo / hi;
        };
        bool left, low;
        const double rx = ratio(dl, dr, left), ry = ratio(db, dt, low);
        const bool changedX = rx != prevRx, changedY = ry != prevRy;
        prevRx = rx;
        prevRy = ry;
        TGIS_Extent cut = e;
        if (rx <= ry || (changedY && !changedX)) {
            if (low)
                cut.YMax = c.Y;
            else
                cut.YMin = c.Y;
        } else {
            if (left)
                cut.XMax = c.X;
            else
                cut.XMin = c.X;
        }
        std::unique_ptr<TGIS_Shape> next = s->Clip(cut);
        if (next == nullptr) return c;
        c = next->Centroid();
        if (GisIsPointInPolygon(c, next.get())) return c;
        piece = std::move(next);
        s = piece.get();
    }
    return c;
}

namespace {
// Some point of the other's first part lies inside the polygon (even-odd over all its rings).
bool FirstPartPointInside(TGIS_Shape* other, TGIS_Shape* polygon) {
    const int m = other->GetNumParts() > 0 ? other->GetPartSize(0) : 0;
    for (int j = 0; j < m; ++j)
        if (GisIsPointInPolygon(other->GetPoint(0, j), polygon)) return true;
    return false;
}
}  // namespace

bool TGIS_ShapePolygon::RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius) {
    return GisRelateVerticesCircle(this, centre, mode, radius);
}

bool TGIS_ShapePolygon::RelateExtent(const TGIS_Extent& extent, uint8_t mode) {
    bool decided;
    const bool r = GisRelateExtentCommon(this, extent, mode, decided);
    if (decided) return r;
    // No vertex inside and no edge across: the extent lies wholly inside the area or wholly outside it.
    // Even-odd over all rings, not each ring alone: an extent inside a hole touches none of the area.
    return GisIsPointInPolygon(GisExtentCenter(extent), this);
}

bool TGIS_ShapePolygon::RelateShape(TGIS_Shape* other, uint8_t mode) {
    if (other == nullptr || !HasGeometry() || !other->HasGeometry()) return false;
    if (GisRelateShapeCommon(this, other, mode)) return true;
    return mode == gisRelateTouch && FirstPartPointInside(other, this);
}

bool TGIS_ShapePolygon::Intersects(TGIS_Shape* other) {
    if (other == nullptr || !HasGeometry() || !other->HasGeometry()) return false;
    switch (other->ShapeType()) {
        case gisShapeTypePoint:
        case gisShapeTypeMultipoint:
            // Every ring even-odd, not the first alone: a point in a hole is outside, one on a later island inside.
            return FirstPartPointInside(other, this);
        case gisShapeTypeArc:
        case gisShapeTypePolygon:
            return other->RelateShape(this, gisRelateTouch);
        default:
            QM_ASSERT(false, GIS_RS_ERR_UNTESTED);
            return false;
    }
}

TGIS_PointList TGIS_ShapePolygon::RelateShapeEx(TGIS_Shape* other) {
    if (other == nullptr || !HasGeometry() || !other->HasGeometry()) return {};
    return GisShapeCrossings(this, other);
}

namespace {
// One side of the clipping rectangle for a ring: the coordinate across it, its value and which way is kept.
struct RingSide {
    bool acrossX;
    double c;
    bool keepAbove;

    double Across(const TGIS_Point& p) const { return acrossX ? p.X : p.Y; }
    bool Keeps(const TGIS_Point& p) const { return keepAbove ? Across(p) >= c : Across(p) <= c; }
};

// Sutherland-Hodgman against one side; the ring is open (no closing point). Crossings lie exactly on the side.
Ring ClipRing(const Ring& ring, const RingSide& side) {
    Ring out;
    const size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
        const TGIS_Point& a = ring[i];
        const TGIS_Point& b = ring[(i + 1) % n];
        if (side.Keeps(a)) out.push_back(a);
        const double u = side.Across(a), v = side.Across(b);
        if (u != side.c && v != side.c && (u > side.c) != (v > side.c)) {
            const double t = (side.c - u) / (v - u);
            if (side.acrossX)
                out.push_back({side.c, a.Y + (b.Y - a.Y) * t});
            else
                out.push_back({a.X + (b.X - a.X) * t, side.c});
        }
    }
    return out;
}
}  // namespace

std::unique_ptr<TGIS_Shape> TGIS_ShapePolygon::Clip(const TGIS_Extent& extent) {
    if (!HasGeometry()) return nullptr;
    const TGIS_Extent r{GisMinDouble(extent.XMin, extent.XMax), GisMinDouble(extent.YMin, extent.YMax),
                        GisMaxDouble(extent.XMin, extent.XMax), GisMaxDouble(extent.YMin, extent.YMax)};
    // Whole inside: a copy all the same, for one pass over the points as a cut costs; the clip then stays valid
    // while this shape is edited or freed.
    if (RelateExtent(r, gisRelateWithin)) return CreateCopy();
    // Top, right, bottom, left.
    const RingSide sides[4] = {{false, r.YMax, false}, {true, r.XMax, false}, {false, r.YMin, true},
                               {true, r.XMin, true}};
    auto result = std::make_unique<TGIS_ShapePolygon>(nullptr, nullptr, 0, false, Uid, Layer);
    result->Lock(1);
    for (Ring ring : ReadRings(this)) {
        if (ring.size() > 1 && GisIsSamePoint(ring.front(), ring.back())) ring.pop_back();
        if (ring.empty()) continue;
        bool inside = true;
        for (const TGIS_Point& p : ring) inside = inside && GisIsPointInExtent(p, r);
        if (!inside)
            for (const RingSide& side : sides) {
                ring = ClipRing(ring, side);
                if (ring.empty()) break;
            }
        if (ring.empty()) continue;
        result->AddPart();
        for (const TGIS_Point& p : ring) result->AddPointInternal(p);
    }
    result->Unlock();
    if (!result->HasGeometry() || result->GetNumParts() == 0 || !result->RelateExtent(r, gisRelateTouch))
        return nullptr;
    return result;
}
