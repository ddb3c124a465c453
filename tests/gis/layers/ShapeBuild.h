// Free-standing arcs and polygons built from point lists, one inner list per part.
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "gis/layers/GisLayerVector.h"

using TestParts = std::vector<std::vector<TGIS_Point>>;

// Adds the parts to the shape's geometry.
inline void FillShape(TGIS_Shape& s, const TestParts& parts) {
    s.Lock(1);
    for (const auto& part : parts) {
        s.AddPart();
        for (const TGIS_Point& p : part) s.AddPoint(p);
    }
    s.Unlock();
}
template <class Shape>
std::unique_ptr<Shape> MakeShape(const TestParts& parts) {
    auto s = std::make_unique<Shape>();
    FillShape(*s, parts);
    return s;
}
inline std::unique_ptr<TGIS_ShapeArc> MakeArc(const TestParts& parts) { return MakeShape<TGIS_ShapeArc>(parts); }
inline std::unique_ptr<TGIS_ShapePolygon> MakePolygon(const TestParts& parts) {
    return MakeShape<TGIS_ShapePolygon>(parts);
}
// The ring of a rectangle, counter-clockwise, or clockwise when `reversed`.
inline std::vector<TGIS_Point> Box(double x0, double y0, double x1, double y1, bool reversed = false) {
    if (reversed) return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}
inline TestParts PartsOf(TGIS_Shape& s) {
    TestParts parts;
    if (!s.HasGeometry()) return parts;
    for (int k = 0; k < s.GetNumParts(); ++k) {
        parts.emplace_back();
        for (int i = 0; i < s.GetPartSize(k); ++i) parts.back().push_back(s.GetPoint(k, i));
    }
    return parts;
}
