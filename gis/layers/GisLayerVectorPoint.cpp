// The point shape, and what it shares with the multipoint: marker sizes, draw extent and vertex meetings.
#include <cstring>

#include "gis/core/GisParamsText.h"
#include "gis/layers/GisLayerVector.h"

namespace {

// A size taken from the render section counts as 1000 pixels.
int32_t StoredSize(int32_t size, bool replaceRenderSize) {
    return replaceRenderSize && size == GIS_RENDER_SIZE ? -1000 : size;
}

}  // namespace

// ---- shared with the multipoint ----

int32_t TGIS_Shape::MarkerMinDrawSize() {
    TGIS_ParamsSectionVector* params = GetParams();
    return params ? SmartSizeOf(params->Marker().SmartSizeField(), 0) : 0;
}

TGIS_Extent TGIS_Shape::MarkerDrawExtent(bool replaceRenderSize) {
    TGIS_Extent e = GetExtent();
    if (GetViewer() && GetViewer()->Projection()) e = Layer->ProjectExtent(e);
    const double zoom = Zoom();
    TGIS_ParamsSectionVector* params = GetParams();
    // Without a viewer, or before the first zoom, pixel sizes have no map size.
    if (zoom <= 0 || !params) return e;
    TGIS_ParamsMarker& marker = params->Marker();
    const int s = SizeToPixels(3 * StoredSize(marker.Size(), replaceRenderSize));
    const int o = SizeToPixels(3 * StoredSize(marker.OutlineWidth(), replaceRenderSize));
    const int d = s / 4 + 1 + o;
    double mx = 0, my = 0;
    TGIS_ParamsLabel& label = params->Labels();
    if (!label.Field().empty() || !label.Value().empty()) {
        const int32_t w = label.OutlineWidth();
        mx = (SizeToPixels(label.Width() + w + d) + s / zoom / 2 + o + 1) / zoom;
        my = (SizeToPixels(label.Height() + w + d) + s / zoom / 2 + o + 1) / zoom;
    }
    return {e.XMin - d / zoom - mx, e.YMin - d / zoom - my, e.XMax + d / zoom + mx, e.YMax + d / zoom + my};
}

TGIS_PointList TGIS_Shape::VertexMeetings(TGIS_Shape* other) {
    TGIS_PointList result;
    if (!HasGeometry() || !other || !other->HasGeometry()) return result;
    const uint8_t type = other->ShapeType();
    QM_ASSERT(type >= gisShapeTypePoint && type <= gisShapeTypePolygon, GIS_RS_ERR_UNTESTED);
    const int own = GetPartSize(0);
    for (int i = 0; i < own; ++i) {
        const TGIS_Point p = GetPoint(0, i);
        if (type == gisShapeTypePoint || type == gisShapeTypeMultipoint) {
            for (int j = 0; j < other->GetPartSize(0); ++j)
                if (GisIsSamePoint(p, other->GetPoint(0, j))) result.push_back(p);
            continue;
        }
        for (int part = 0; part < other->GetNumParts(); ++part)
            for (int j = 0; j + 1 < other->GetPartSize(part); ++j)
                if (GisSegmentPointDistance(other->GetPoint(part, j), other->GetPoint(part, j + 1), p) == 0)
                    result.push_back(p);
    }
    return result;
}

// ---- point ----

TGIS_ShapePoint::TGIS_ShapePoint(TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped,
                                 int32_t uid, TGIS_LayerVector* layer)
    : TGIS_Shape(gisShapeTypePoint, source, geometry, size, mapped, uid, layer) {}

TGIS_Extent TGIS_ShapePoint::GetExtent() const {
    if (!HasGeometry()) return {0, 0, 0, 0};
    const TGIS_Point p = ReadPoint(0);
    return {p.X, p.Y, p.X, p.Y};
}

TGIS_Extent TGIS_ShapePoint::GetDrawExtent() { return MarkerDrawExtent(true); }

int32_t TGIS_ShapePoint::GetMinDrawSize() { return MarkerMinDrawSize(); }

std::unique_ptr<TGIS_Shape> TGIS_ShapePoint::CreateCopy() {
    auto copy = std::make_unique<TGIS_ShapePoint>(this);
    copy->MakeEditable();
    return copy;
}

void TGIS_ShapePoint::Unlock() {
    struct Reset {
        int16_t& level;
        ~Reset() { level = 0; }
    } reset{LockLevel};
    if (LockLevel <= 0 || Mapped() || !HasGeometry() || !Layer) return;
    Layer->SetExtent(GisExtentUnion(Layer->Extent, GetExtent()));
    UpdateRTree();
}

void TGIS_ShapePoint::AddPart() {
    MakeEditable();
    if (!HasGeometry()) AllocateGeometry(16);
}

void TGIS_ShapePoint::AddPoint(const TGIS_Point& p) {
    // A point needs no parts to be announced: the buffer is made here when AddPart was not called.
    AddPart();
    const TGIS_Point q = ToLayer(p);
    WritePoint(0, q);
    if (LockLevel == 0 && Layer) Layer->SetExtent(GisExtentUnion(Layer->Extent, {q.X, q.Y, q.X, q.Y}));
}

TGIS_Point TGIS_ShapePoint::GetPoint(int, int) {
    QM_ASSERT(HasGeometry(), GIS_RS_ERR_UNTESTED);
    return ToViewer(ReadPoint(0));
}

int32_t TGIS_ShapePoint::GetNumPoints() const { return HasGeometry() ? 1 : 0; }
int32_t TGIS_ShapePoint::GetNumParts() const { return HasGeometry() ? 1 : 0; }
int32_t TGIS_ShapePoint::GetPartSize(int) const { return HasGeometry() ? 1 : 0; }

double TGIS_ShapePoint::DistanceToPart(const TGIS_Point& p, int part, TGIS_Point& nearest, double) {
    QM_ASSERT(part >= 0 && part <= GetNumParts() && HasGeometry(), GIS_RS_ERR_UNTESTED);
    // Both in viewer coordinates, as the query is.
    const TGIS_Point own = GetPoint(0, 0);
    double r = 0;
    const double zoom = Zoom();
    if (TGIS_ParamsSectionVector* params = GetParams(); params && zoom > 0)
        r = SizeToPixels(StoredSize(params->Marker().Size(), true) / 2) / zoom;
    const double d = GisDistance(own, p);
    if (d <= r) {
        nearest = p;
        return 0;
    }
    nearest = own;
    return d - r;
}

TGIS_Point TGIS_ShapePoint::Centroid() { return HasGeometry() ? GetPoint(0, 0) : TGIS_Point{0, 0}; }

bool TGIS_ShapePoint::RelateCircle(const TGIS_Point& centre, uint8_t, double radius) {
    return HasGeometry() && GisPointDistance(centre, GetPoint(0, 0)) <= radius;
}

bool TGIS_ShapePoint::RelateExtent(const TGIS_Extent& extent, uint8_t) {
    return HasGeometry() && GisIsPointInExtent(GetPoint(0, 0), extent);
}

bool TGIS_ShapePoint::RelateShape(TGIS_Shape* other, uint8_t) {
    if (!HasGeometry() || !other || !other->HasGeometry()) return false;
    const TGIS_Point p = GetPoint(0, 0);
    // Rings store their closing point: the last vertex is not joined back to the first.
    int crossings = 0;
    const int n = other->GetPartSize(0);
    for (int i = 0; i + 1 < n; ++i) {
        const TGIS_Point a = other->GetPoint(0, i);
        const TGIS_Point b = other->GetPoint(0, i + 1);
        if (((a.Y <= p.Y && p.Y < b.Y) || (b.Y <= p.Y && p.Y < a.Y)) &&
            a.X + (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) > p.X)
            ++crossings;
    }
    return crossings % 2 == 1;
}

bool TGIS_ShapePoint::Intersects(TGIS_Shape* other) {
    if (!HasGeometry() || !other || !other->HasGeometry()) return false;
    const TGIS_Point p = GetPoint(0, 0);
    switch (other->ShapeType()) {
    case gisShapeTypePoint: return GisIsSamePoint(p, other->GetPoint(0, 0));
    case gisShapeTypeMultipoint:
        for (int i = 0; i < other->GetPartSize(0); ++i)
            if (GisIsSamePoint(p, other->GetPoint(0, i))) return true;
        return false;
    case gisShapeTypeArc: return other->Distance(p, 0) == 0;
    case gisShapeTypePolygon: return GisIsPointInPolygon(p, other);
    default: AssertErrorHandler(GIS_RS_ERR_UNTESTED, __FILE__, __LINE__);
    }
}

TGIS_PointList TGIS_ShapePoint::RelateShapeEx(TGIS_Shape* other) { return VertexMeetings(other); }

std::unique_ptr<TGIS_Shape> TGIS_ShapePoint::Clip(const TGIS_Extent& extent) {
    return RelateExtent(extent, gisRelateWithin) ? CreateCopy() : nullptr;
}
