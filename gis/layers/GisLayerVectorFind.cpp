// The vector layer's finds: R-tree or scan walks over a window, and locating the shape nearest to a point.
#include "gis/core/GisRTree.h"
#include "gis/core/GisSqlQuery.h"
#include "gis/layers/GisLayerVector.h"

namespace {

double Area(const TGIS_Extent& e) { return (e.XMax - e.XMin) * (e.YMax - e.YMin); }

}  // namespace

bool TGIS_LayerVector::FindQueryAccepts(TGIS_Shape& shape) {
    return FindQuery->Evaluate(false, [&shape](const std::string& field) { return shape.GetField(field); });
}

TGIS_Shape* TGIS_LayerVector::FindFirst(const TGIS_Extent& extent, const std::string& query) {
    MoveFirst();
    FindExtent = UnprojectExtent(extent);
    // Both areas in layer coordinates; a window of a sixteenth of the layer or less is cheaper through the index.
    UseRTreeForFind = RTree && Area(FindExtent) <= Area(Extent) / 16;
    const std::string& text = query.empty() ? FilterQuery : query;
    FindHasQuery = !text.empty();
    if (FindHasQuery) {
        if (!FindQuery) FindQuery = std::make_unique<TGIS_SqlQuery>();
        FindQuery->Prepare(text);
    }
    // The tree holds layer extents, so it is asked with the find's extent in layer coordinates.
    if (UseRTreeForFind) return TreeHit(RTree->FindFirst(FindExtent, -1));
    ScanFirst();
    return ScanHit();
}

TGIS_Shape* TGIS_LayerVector::FindNext() {
    if (UseRTreeForFind) return RTree ? TreeHit(RTree->FindNext()) : nullptr;
    if (ScansShapes()) return NextShape();
    ScanNext();
    return ScanHit();
}

TGIS_Shape* TGIS_LayerVector::TreeHit(int32_t id) {
    for (; id >= 0; id = RTree->FindNext()) {
        // An entry without a shape (a record gone) is passed over, not taken for the end of the search.
        TGIS_Shape* s = GetShape(id);
        if (FindAccepts(s)) return s;
    }
    return nullptr;
}

TGIS_Shape* TGIS_LayerVector::ScanHit() {
    for (; !ScanEof(); ScanNext())
        if (FindAccepts(ScanCurrent())) return ScanCurrent();
    return nullptr;
}

TGIS_Shape* TGIS_LayerVector::LocateEx(const TGIS_Point& p, double tolerance, int32_t excludeUid, double& distance,
                                       int& part, TGIS_Point& nearest) {
    distance = GIS_MAX_DISTANCE;
    nearest = p;
    int32_t best = -1;
    const TGIS_Extent square{p.X - tolerance, p.Y - tolerance, p.X + tolerance, p.Y + tolerance};
    for (TGIS_Shape* s = FindFirst(square); s; s = FindNext()) {
        if (s->Uid == excludeUid) continue;
        for (int i = 0; i < s->GetNumParts(); ++i) {
            TGIS_Point q = p;
            const double d = s->DistanceToPart(p, i, q, tolerance);
            if (d < distance) {
                distance = d;
                part = i;
                nearest = q;
                best = s->Uid;
            }
        }
    }
    return best >= 0 && distance <= tolerance ? GetShape(best) : nullptr;
}

TGIS_Shape* TGIS_LayerVector::Locate(const TGIS_Point& p, double tolerance, double& distance, int& part,
                                     TGIS_Point& nearest) {
    return LocateEx(p, tolerance, -1, distance, part, nearest);
}
