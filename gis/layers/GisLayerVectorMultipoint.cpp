// The multipoint shape: one part of unconnected points.
#include "gis/layers/GisLayerVector.h"

namespace {

constexpr size_t kCountOffset = 32;
constexpr size_t kHeader = 36;

}  // namespace

TGIS_ShapeMultipoint::TGIS_ShapeMultipoint(TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped,
                                           int32_t uid, TGIS_LayerVector* layer)
    : TGIS_Shape(gisShapeTypeMultipoint, source, geometry, size, mapped, uid, layer) {}

TGIS_Extent TGIS_ShapeMultipoint::GetDrawExtent() { return MarkerDrawExtent(false); }

int32_t TGIS_ShapeMultipoint::GetMinDrawSize() { return MarkerMinDrawSize(); }

std::unique_ptr<TGIS_Shape> TGIS_ShapeMultipoint::CreateCopy() {
    auto copy = std::make_unique<TGIS_ShapeMultipoint>(this);
    copy->MakeEditable();
    return copy;
}

void TGIS_ShapeMultipoint::AddPart() {
    MakeEditable();
    if (HasGeometry()) return;
    AllocateGeometry(kHeader);
    SetStoredExtent({0, 0, 0, 0});
    SetNumPoints(0);
}

void TGIS_ShapeMultipoint::AddPoint(const TGIS_Point& p) {
    // Without AddPart first the count would be undefined: the buffer is made here then.
    AddPart();
    EnsureRoom();
    const TGIS_Point q = ToLayer(p);
    if (LockLevel == 0) ExtendExtent(q);
    const int32_t n = GetNumPoints();
    WritePoint(PointOffset(n), q);
    SetNumPoints(n + 1);
}

TGIS_Point TGIS_ShapeMultipoint::GetPoint(int, int index) {
    QM_ASSERT(index >= 0 && index < GetNumPoints(), GIS_RS_ERR_UNTESTED);
    return ToViewer(ReadPoint(PointOffset(index)));
}

int32_t TGIS_ShapeMultipoint::GetNumPoints() const { return HasGeometry() ? ReadInt(kCountOffset) : 0; }
int32_t TGIS_ShapeMultipoint::GetNumParts() const { return HasGeometry() ? 1 : 0; }
int32_t TGIS_ShapeMultipoint::GetPartSize(int) const { return GetNumPoints(); }

double TGIS_ShapeMultipoint::DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double) {
    QM_ASSERT(part >= 0 && part <= GetNumParts(), GIS_RS_ERR_UNTESTED);
    double best = GIS_MAX_DISTANCE;
    nearest = p;
    for (int i = 0; i < GetNumPoints(); ++i) {
        const TGIS_Point q = GetPoint(0, i);
        const double d = GisPointDistance(p, q);
        if (d < best) {
            best = d;
            nearest = q;
        }
    }
    return best;
}

TGIS_Point TGIS_ShapeMultipoint::Centroid() {
    return HasGeometry() ? GisExtentCenter(GetPointsExtent()) : TGIS_Point{0, 0};
}

namespace {

// Mode 0: every point passes; modes 1 and 2: some point does.
template <class Test>
bool RelatePoints(TGIS_Shape& shape, uint8_t mode, Test test) {
    if (!shape.HasGeometry()) return false;
    QM_ASSERT(mode <= gisRelateTouch, GIS_RS_ERR_UNTESTED);
    const bool all = mode == gisRelateWithin;
    for (int i = 0; i < shape.GetNumPoints(); ++i)
        if (test(shape.GetPoint(0, i)) != all) return !all;
    return all;
}

}  // namespace

bool TGIS_ShapeMultipoint::RelateCircle(const TGIS_Point& centre, uint8_t mode, double radius) {
    return RelatePoints(*this, mode, [&](const TGIS_Point& p) { return GisPointDistance(centre, p) <= radius; });
}

bool TGIS_ShapeMultipoint::RelateExtent(const TGIS_Extent& extent, uint8_t mode) {
    return RelatePoints(*this, mode, [&](const TGIS_Point& p) { return GisIsPointInExtent(p, extent); });
}

bool TGIS_ShapeMultipoint::RelateShape(TGIS_Shape* other, uint8_t mode) {
    if (!other || !other->HasGeometry()) return false;
    return RelatePoints(*this, mode, [&](const TGIS_Point& p) { return GisIsPointInPolygon(p, other); });
}

bool TGIS_ShapeMultipoint::Intersects(TGIS_Shape* other) {
    if (!HasGeometry() || !other || !other->HasGeometry()) return false;
    switch (other->ShapeType()) {
    case gisShapeTypePoint: return other->Intersects(this);
    case gisShapeTypeMultipoint:
        for (int i = 0; i < GetNumPoints(); ++i) {
            const TGIS_Point p = GetPoint(0, i);
            for (int j = 0; j < other->GetPartSize(0); ++j)
                if (GisIsSamePoint(p, other->GetPoint(0, j))) return true;
        }
        return false;
    case gisShapeTypeArc:
        for (int i = 0; i < GetNumPoints(); ++i)
            if (other->Distance(GetPoint(0, i), 0) == 0) return true;
        return false;
    case gisShapeTypePolygon:
        for (int i = 0; i < GetNumPoints(); ++i)
            if (GisIsPointInPolygon(GetPoint(0, i), other)) return true;
        return false;
    default: AssertErrorHandler(GIS_RS_ERR_UNTESTED, __FILE__, __LINE__);
    }
}

TGIS_PointList TGIS_ShapeMultipoint::RelateShapeEx(TGIS_Shape* other) { return VertexMeetings(other); }

std::unique_ptr<TGIS_Shape> TGIS_ShapeMultipoint::Clip(const TGIS_Extent& extent) {
    if (RelateExtent(extent, gisRelateWithin)) return CreateCopy();
    if (!RelateExtent(extent, gisRelateTouch)) return nullptr;
    auto result = std::make_unique<TGIS_ShapeMultipoint>(nullptr, nullptr, 0, false, Uid, Layer);
    result->Lock(1);
    result->AddPart();
    for (int i = 0; i < GetNumPoints(); ++i) {
        const TGIS_Point p = GetPoint(0, i);
        if (GisIsPointInExtent(p, extent)) result->AddPoint(p);
    }
    result->Unlock();
    return result;
}
