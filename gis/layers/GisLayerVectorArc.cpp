// The polyline shape: point entry, measures, relations and clipping to a rectangle.
#include <cmath>

#include "gis/layers/GisLayerVector.h"

TGIS_ShapeArc::TGIS_ShapeArc(TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped, int32_t uid,
                             TGIS_LayerVector* layer)
    : TGIS_Shape(gisShapeTypeArc, source, geometry, size, mapped, uid, layer) {}

int32_t TGIS_ShapeArc::GetMinDrawSize() {
    TGIS_ParamsSectionVector* params = GetParams();
    if (params == nullptr) return 0;
    return SmartSizeOf(params->Line().SmartSizeField(), params->Line().SmartSize());
}

std::unique_ptr<TGIS_Shape> TGIS_ShapeArc::CreateCopy() {
    auto copy = std::make_unique<TGIS_ShapeArc>(this);
    copy->MakeEditable();
    return copy;
}

void TGIS_ShapeArc::AddPoint(const TGIS_Point& p) {
    MakeEditable();
    if (!HasGeometry()) AddPart();
    const TGIS_Point q = ToLayer(p);
    const int part = GetNumParts() - 1;
    const int n = GetPartSize(part);
    if (n == 0) {
        SetPartPoint(part, -1, q);
        SetPartPoint(part, -1, q);
        return;
    }
    // A part entered point by point holds its first point twice until the second one comes.
    if (n == 2) {
        const int32_t first = GetPartOffset(part);
        if (GisIsSamePoint(ReadPoint(PointOffset(first)), ReadPoint(PointOffset(first + 1))))
            SetNumPoints(GetNumPoints() - 1);
    }
    SetPartPoint(part, -1, q);
}

double TGIS_ShapeArc::DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double tolerance) {
    (void)tolerance;
    QM_ASSERT(HasGeometry() && part >= 0 && part < GetNumParts(), "part index out of range");
    nearest = p;
    return GisNearestOnPart(this, p, part, GIS_MAX_DISTANCE, nearest);
}

double TGIS_ShapeArc::Length() {
    if (!HasGeometry()) return 0;
    double sum = 0;
    const int parts = GetNumParts();
    for (int part = 0; part < parts; ++part) {
        const int n = GetPartSize(part);
        if (n < 2) continue;
        TGIS_Point a = GetPoint(part, 0);
        for (int i = 1; i < n; ++i) {
            const TGIS_Point b = GetPoint(part, i);
            sum += GisDistance(a, b);
            a = b;
        }
    }
    return sum;
}

TGIS_Point TGIS_ShapeArc::PointAlongLine(double distance, double offset) {
    // Without any segment the line stands on its first point, or on (0, 0) without one.
    if (!HasGeometry() || GetNumPoints() == 0) return {0, 0};
    TGIS_Point a = GetFirstPoint(), b = a;
    double acc = 0, seg = 0;
    bool found = false;
    const int parts = GetNumParts();
    for (int part = 0; part < parts && !found; ++part) {
        const int n = GetPartSize(part);
        for (int i = 1; i < n; ++i) {
            a = GetPoint(part, i - 1);
            b = GetPoint(part, i);
            seg = GisDistance(a, b);
            if (acc + seg >= distance) {
                found = true;
                break;
            }
            acc += seg;
        }
    }
    if (seg == 0) return a;
    TGIS_Point r{a.X + (b.X - a.X) / seg * (distance - acc), a.Y + (b.Y - a.Y) / seg * (distance - acc)};
    if (offset != 0) r = OffsetPoint(a, b, r, offset);
    return r;
}

TGIS_Point TGIS_ShapeArc::OffsetPoint(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p, double offset) {
    if (a.Y == b.Y) return {p.X, b.X >= a.X ? p.Y + offset : p.Y - offset};
    const double angle = std::atan(std::fabs(b.X - a.X) / std::fabs(b.Y - a.Y));
    const double beta = M_PI / 2 - angle;
    const double dx = -offset * std::sin(beta);
    const double dy = -offset * std::cos(beta);
    return {b.Y >= a.Y ? p.X + dx : p.X - dx, b.X >= a.X ? p.Y - dy : p.Y + dy};
}

TGIS_Point TGIS_ShapeArc::Centroid() { return PointAlongLine(Length() / 2, 0); }

bool TGIS_ShapeArc::RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius) {
    return GisRelateVerticesCircle(this, centre, mode, radius);
}

bool TGIS_ShapeArc::RelateExtent(const TGIS_Extent& extent, uint8_t mode) {
    bool decided;
    return GisRelateExtentCommon(this, extent, mode, decided);
}

bool TGIS_ShapeArc::RelateShape(TGIS_Shape* other, uint8_t mode) { return GisRelateShapeCommon(this, other, mode); }

bool TGIS_ShapeArc::Intersects(TGIS_Shape* other) {
    if (!HasGeometry() || other == nullptr || !other->HasGeometry()) return false;
    switch (other->ShapeType()) {
        case gisShapeTypePoint:
        case gisShapeTypeMultipoint: {
            const int m = other->GetNumParts() > 0 ? other->GetPartSize(0) : 0;
            const int parts = GetNumParts();
            for (int part = 0; part < parts; ++part) {
                const int n = GetPartSize(part);
                for (int i = 1; i < n; ++i) {
                    const TGIS_Point a = GetPoint(part, i - 1);
                    const TGIS_Point b = GetPoint(part, i);
                    const double l2 = (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y);
                    for (int j = 0; j < m; ++j) {
                        const TGIS_Point q = other->GetPoint(0, j);
                        // A segment of no length is the point it stands on.
                        if (l2 == 0) {
                            if (GisIsSamePoint(a, q)) return true;
                            continue;
                        }
                        const double r = ((q.X - a.X) * (b.X - a.X) + (q.Y - a.Y) * (b.Y - a.Y)) / l2;
                        const double s = ((a.Y - q.Y) * (b.X - a.X) - (a.X - q.X) * (b.Y - a.Y)) / l2;
                        if (r >= 0 && r <= 1 && s == 0) return true;
                    }
                }
            }
            return false;
        }
        case gisShapeTypeArc:
            return GisSegmentsMeetFirstPart(this, other);
        case gisShapeTypePolygon:
            return RelateShape(other, gisRelateTouch);
        default:
            QM_ASSERT(false, GIS_RS_ERR_UNTESTED);
            return false;
    }
}

TGIS_PointList TGIS_ShapeArc::RelateShapeEx(TGIS_Shape* other) {
    if (!HasGeometry() || other == nullptr || !other->HasGeometry()) return {};
    return GisShapeCrossings(this, other);
}

namespace {
using Chain = std::vector<TGIS_Point>;

// One side of the clipping rectangle: the coordinate across it (X or Y), its value, and which way is kept.
struct ClipSide {
    bool alongX;  // the side is vertical: X is the coordinate across it
    double c;
    bool keepAbove;  // kept: coordinate >= c; else coordinate <= c

    double Across(const TGIS_Point& p) const { return alongX ? p.X : p.Y; }
    bool Keeps(const TGIS_Point& p) const { return keepAbove ? Across(p) >= c : Across(p) <= c; }
    bool Crosses(const TGIS_Point& a, const TGIS_Point& b) const {
        const double u = Across(a), v = Across(b);
        return u != c && v != c && (u > c) != (v > c);
    }
    // On AB, the coordinate across the side set exactly to c, so that no rounding moves it off the side.
    TGIS_Point Crossing(const TGIS_Point& a, const TGIS_Point& b) const {
        const double t = (c - Across(a)) / (Across(b) - Across(a));
        if (alongX) return {c, a.Y + (b.Y - a.Y) * t};
        return {a.X + (b.X - a.X) * t, c};
    }
};

// The rectangle's sides in the order the arc is cut: left, top, right, bottom.
void ArcClipSides(const TGIS_Extent& r, ClipSide sides[4]) {
    sides[0] = {true, r.XMin, true};
    sides[1] = {false, r.YMax, false};
    sides[2] = {true, r.XMax, false};
    sides[3] = {false, r.YMin, true};
}

// The chains' pieces on the kept side. A chain leaving through a vertex on the side ends its piece there: the
// piece coming back inside is another one, not joined to it by a segment along the side.
std::vector<Chain> ClipChains(const std::vector<Chain>& work, const ClipSide& side) {
    std::vector<Chain> out;
    for (const Chain& chain : work) {
        bool open = false;
        auto write = [&](const TGIS_Point& p) {
            if (!open) out.emplace_back();
            open = true;
            out.back().push_back(p);
        };
        for (size_t i = 0; i + 1 < chain.size(); ++i) {
            const TGIS_Point& a = chain[i];
            const TGIS_Point& b = chain[i + 1];
            const bool aIn = side.Keeps(a);
            if (aIn) write(a);
            if (side.Crosses(a, b)) write(side.Crossing(a, b));
            if (aIn && !side.Keeps(b)) open = false;
        }
        if (!chain.empty() && side.Keeps(chain.back())) write(chain.back());
    }
    return out;
}
}  // namespace

std::unique_ptr<TGIS_Shape> TGIS_ShapeArc::Clip(const TGIS_Extent& extent) {
    if (!HasGeometry()) return nullptr;
    const TGIS_Extent r{GisMinDouble(extent.XMin, extent.XMax), GisMinDouble(extent.YMin, extent.YMax),
                        GisMaxDouble(extent.XMin, extent.XMax), GisMaxDouble(extent.YMin, extent.YMax)};
    if (RelateExtent(r, gisRelateWithin)) return CreateCopy();
    if (!RelateExtent(r, gisRelateTouch)) return nullptr;

    std::vector<Chain> work;
    const int parts = GetNumParts();
    for (int part = 0; part < parts; ++part) {
        const int n = GetPartSize(part);
        if (n == 0) continue;
        work.emplace_back();
        for (int i = 0; i < n; ++i) work.back().push_back(GetPoint(part, i));
        if (n == 1) work.back().push_back(work.back().front());
    }
    ClipSide sides[4];
    ArcClipSides(r, sides);
    for (const ClipSide& side : sides) {
        bool allKept = true;
        for (const Chain& chain : work)
            for (const TGIS_Point& p : chain) allKept = allKept && side.Keeps(p);
        if (allKept) continue;
        work = ClipChains(work, side);
        if (work.empty()) return nullptr;
    }

    auto result = std::make_unique<TGIS_ShapeArc>(nullptr, nullptr, 0, false, Uid, Layer);
    result->Lock(1);
    for (const Chain& chain : work) {
        result->AddPart();
        for (const TGIS_Point& p : chain) result->AddPoint(p);
    }
    result->Unlock();
    return result;
}
