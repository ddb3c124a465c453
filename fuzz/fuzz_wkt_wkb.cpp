// Bytes as WKB and as WKT. A shape that either reader builds is written out both ways; once written, a
// geometry must read back to the same text and bytes (finite coordinates: "nan" is no WKT number).
// Other shapes' rules apply on the way: an arc holds a lone point twice, a polygon closes its rings.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "gis/layers/GisLayerVector.h"

namespace {

template <class F>
std::unique_ptr<TGIS_Shape> Read(F read) {
    try {
        return read();
    } catch (const Exception&) {
        return nullptr;
    }
}

bool Finite(TGIS_Shape& s) {
    for (int k = 0; k < s.GetNumParts(); ++k) {
        for (int i = 0; i < s.GetPartSize(k); ++i) {
            TGIS_Point p = s.GetPoint(k, i);
            if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return false;
        }
    }
    return true;
}

void Check(std::unique_ptr<TGIS_Shape> s) {
    if (!s) return;
    TGIS_Bytes wkb;
    s->ExportWKB(wkb);
    std::string wkt = s->ExportWKT();
    if (!s->HasGeometry()) {
        if (!wkb.empty() || !wkt.empty()) __builtin_trap();
        return;
    }
    if (!Finite(*s)) return;
    for (auto& again : {TGIS_Shape::CreateFromWKB(wkb), TGIS_Shape::CreateFromWKT(wkt)}) {
        if (!again || again->ShapeType() != s->ShapeType()) __builtin_trap();
        // A multi-geometry of no members reads as a shape without geometry.
        if (!again->HasGeometry() && s->GetNumPoints() == 0) continue;
        TGIS_Bytes wkb2;
        again->ExportWKB(wkb2);
        if (wkb2 != wkb || again->ExportWKT() != wkt) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TGIS_Bytes bytes(data, data + size);
    Check(Read([&] { return TGIS_Shape::CreateFromWKB(bytes); }));
    std::string text(reinterpret_cast<const char*>(data), size);
    Check(Read([&] { return TGIS_Shape::CreateFromWKT(text); }));
    return 0;
}
