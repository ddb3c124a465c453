// Bytes attached as the geometry of each shape type, mapped and copied; every read-only operation then runs on
// whatever the shape accepted. Rejected bytes must leave no geometry; accepted ones must never be read past.
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gis/layers/GisLayerVector.h"

namespace {

std::unique_ptr<TGIS_Shape> Make(uint8_t type) {
    switch (type) {
    case gisShapeTypePoint: return std::make_unique<TGIS_ShapePoint>();
    case gisShapeTypeMultipoint: return std::make_unique<TGIS_ShapeMultipoint>();
    case gisShapeTypeArc: return std::make_unique<TGIS_ShapeArc>();
    default: return std::make_unique<TGIS_ShapePolygon>();
    }
}

// Partners for the relations: one shape of each type around the unit square.
std::vector<std::unique_ptr<TGIS_Shape>> Partners() {
    std::vector<std::unique_ptr<TGIS_Shape>> r;
    const TGIS_Point ring[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (uint8_t t = gisShapeTypePoint; t <= gisShapeTypePolygon; ++t) {
        auto s = Make(t);
        s->AddPart();
        for (const TGIS_Point& p : ring) s->AddPoint(p);
        r.push_back(std::move(s));
    }
    return r;
}

void ReadAll(TGIS_Shape& s, std::vector<std::unique_ptr<TGIS_Shape>>& partners) {
    volatile double sink = 0;
    const TGIS_Extent e = s.GetExtent();
    sink = sink + e.XMin + s.GetPointsExtent().XMax + s.GetDrawExtent().YMin + s.GetProjectedExtent().YMax;
    sink = sink + s.GetMinDrawSize();
    const int parts = s.GetNumParts();
    sink = sink + s.GetNumPoints();
    TGIS_Point nearest;
    for (int k = 0; k < parts; ++k) {
        for (int i = 0; i < s.GetPartSize(k); ++i) sink = sink + s.GetPoint(k, i).X;
        sink = sink + s.DistanceToPart({0.5, 0.5}, k, nearest, 1);
    }
    double d = 0;
    sink = sink + s.NearestVertex({0.5, 0.5}, 1, d).X + d;
    sink = sink + s.Distance({0.5, 0.5}, 1) + s.Area() + s.Length() + s.Centroid().X;
    for (uint8_t mode = 0; mode <= gisRelateTouch; ++mode) {
        sink = sink + s.RelateCircle({0.5, 0.5}, mode, 1) + s.RelateExtent({0, 0, 1, 1}, mode);
        for (auto& o : partners) sink = sink + s.RelateShape(o.get(), mode) + o->RelateShape(&s, mode);
    }
    for (auto& o : partners) {
        sink = sink + s.Intersects(o.get()) + o->Intersects(&s);
        sink = sink + double(s.RelateShapeEx(o.get()).size() + o->RelateShapeEx(&s).size());
    }
    if (auto clipped = s.Clip({0, 0, 1, 1})) sink = sink + clipped->GetNumPoints();
    TGIS_Bytes wkb;
    s.ExportWKB(wkb);
    sink = sink + double(wkb.size() + s.ExportWKT().size());
    if (auto copy = s.CreateCopy()) sink = sink + double(copy->GeometrySize());
    (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto partners = Partners();
    if (size == 0) return 0;  // no bytes at all is no geometry given, which every shape accepts
    // A copy of exactly the input's length, so that the sanitizer sees any read past it.
    std::vector<uint8_t> bytes(data, data + size);
    for (uint8_t type = gisShapeTypePoint; type <= gisShapeTypePolygon; ++type) {
        for (bool mapped : {true, false}) {
            auto s = Make(type);
            const bool accepted = s->Recreate(nullptr, bytes.data(), bytes.size(), mapped, 1, nullptr);
            if (accepted != s->HasGeometry() || (accepted && s->GeometrySize() > size)) __builtin_trap();
            // Counts of a shape without geometry are a programming error, asserted: nothing more to read.
            if (!accepted) continue;
            try {
                ReadAll(*s, partners);
            } catch (const EAssertionFailed& e) {
                std::fprintf(stderr, "type %d: %s\n", type, e.what());
                __builtin_trap();
            } catch (const Exception&) {
                // Conversions may refuse what they cannot write; no fault of the buffer.
            }
        }
    }
    return 0;
}
