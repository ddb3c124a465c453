// The vector layer's finds against GEOS (C API), and its shapes pass against GDAL's rasterizer.
// Locate: 100,000 points, each located among 100,000 ten-point polygons within a tolerance of 2 map units. Ours
// walks the layer's R-tree (`LocateEx`); GEOS asks an STRtree over the same polygons with the tolerance square and
// takes the least `GEOSPreparedDistance` of the candidates (prepared before timing, as our index is built before).
// Before timing, both must locate the same number of points.
// Paint: 100,000 hexagons of 5 to 30 pixels; ours is the layer's `PaintShapes` onto a 1920 x 1080 bitmap, GDAL's
// `GDALRasterizeGeometries` fills the same polygons (built beforehand) into an in-memory raster of that size and
// geotransform. Before timing, both must fill nearly the same pixels.
#include <geos_c.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
// Last: it brings GDAL's headers.
#include "bench/HexagonScene.h"

namespace {

constexpr int POLYGONS = 100000;
constexpr int POINTS = 100000;
constexpr double TOLERANCE = 2;
constexpr double SIDE = 3000;  // of the map; polygons of about 5 units

GEOSContextHandle_t Geos() {
    static GEOSContextHandle_t h = GEOS_init_r();
    return h;
}

struct Samples {
    std::vector<std::vector<TGIS_Point>> rings;
    std::vector<TGIS_Point> points;
    std::unique_ptr<TGIS_Viewer> viewer;
    TGIS_LayerVector* layer = nullptr;
    std::vector<GEOSGeometry*> geometries;
    std::vector<const GEOSPreparedGeometry*> prepared;
    GEOSSTRtree* tree = nullptr;
};

Samples& Data() {
    static Samples s = [] {
        Samples d;
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> u(0, SIDE), r(1, 3);
        for (int i = 0; i < POLYGONS; ++i) {
            const TGIS_Point c{u(rng), u(rng)};
            std::vector<TGIS_Point> ring;
            for (int k = 0; k < 9; ++k) {
                const double a = k * 2 * M_PI / 9, rad = r(rng);
                ring.push_back({c.X + rad * std::cos(a), c.Y + rad * std::sin(a)});
            }
            ring.push_back(ring.front());
            d.rings.push_back(std::move(ring));
        }
        for (int i = 0; i < POINTS; ++i) d.points.push_back({u(rng), u(rng)});
        return d;
    }();
    return s;
}

void BuildOurs(Samples& d) {
    UiTest::Init();
    d.viewer = std::make_unique<TGIS_Viewer>(nullptr);
    d.viewer->SetBounds(0, 0, 800, 600);
    d.layer = new TGIS_LayerVector;
    d.viewer->Add(d.layer);
    d.layer->SetExtent({0, 0, SIDE, SIDE});
    for (const auto& ring : d.rings) {
        TGIS_Shape* s = d.layer->CreateShape(gisShapeTypePolygon);
        s->Lock(1);
        s->AddPart();
        for (const TGIS_Point& p : ring) s->AddPoint(p);
        s->Unlock();
    }
    d.layer->PrepareRTree(true);
}

void BuildGeos(Samples& d) {
    GEOSContextHandle_t h = Geos();
    d.tree = GEOSSTRtree_create_r(h, 10);
    for (size_t i = 0; i < d.rings.size(); ++i) {
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(h, unsigned(d.rings[i].size()), 2);
        for (size_t k = 0; k < d.rings[i].size(); ++k)
            GEOSCoordSeq_setXY_r(h, seq, unsigned(k), d.rings[i][k].X, d.rings[i][k].Y);
        GEOSGeometry* g = GEOSGeom_createPolygon_r(h, GEOSGeom_createLinearRing_r(h, seq), nullptr, 0);
        d.geometries.push_back(g);
        d.prepared.push_back(GEOSPrepare_r(h, g));
    }
    for (size_t i = 0; i < d.geometries.size(); ++i) GEOSSTRtree_insert_r(h, d.tree, d.geometries[i], (void*)i);
}

int OursLocated(Samples& d) {
    int n = 0;
    for (const TGIS_Point& p : d.points) {
        double distance = 0;
        int part = 0;
        TGIS_Point nearest;
        if (d.layer->LocateEx(p, TOLERANCE, -1, distance, part, nearest)) ++n;
    }
    return n;
}

struct Query {
    Samples* d;
    const GEOSGeometry* point;
    double best;
};

int GeosLocated(Samples& d) {
    GEOSContextHandle_t h = Geos();
    int n = 0;
    for (const TGIS_Point& p : d.points) {
        GEOSGeometry* box = GEOSGeom_createRectangle_r(h, p.X - TOLERANCE, p.Y - TOLERANCE, p.X + TOLERANCE,
                                                       p.Y + TOLERANCE);
        GEOSGeometry* point = GEOSGeom_createPointFromXY_r(h, p.X, p.Y);
        Query q{&d, point, 1.7e308};
        GEOSSTRtree_query_r(
            h, d.tree, box,
            [](void* item, void* data) {
                Query& q = *static_cast<Query*>(data);
                double dist = 0;
                if (GEOSPreparedDistance_r(Geos(), q.d->prepared[size_t(item)], q.point, &dist) == 1 && dist < q.best)
                    q.best = dist;
            },
            &q);
        if (q.best <= TOLERANCE) ++n;
        GEOSGeom_destroy_r(h, box);
        GEOSGeom_destroy_r(h, point);
    }
    return n;
}

void BM_OursLocateEx(benchmark::State& state) {
    Samples& d = Data();
    int n = 0;
    for (auto _ : state) n = OursLocated(d);
    state.counters["located"] = n;
}
BENCHMARK(BM_OursLocateEx)->Unit(benchmark::kMillisecond);

void BM_GeosLocate(benchmark::State& state) {
    Samples& d = Data();
    int n = 0;
    for (auto _ : state) n = GeosLocated(d);
    state.counters["located"] = n;
}
BENCHMARK(BM_GeosLocate)->Unit(benchmark::kMillisecond);

bool LocatesAgree() {
    Samples& d = Data();
    BuildOurs(d);
    BuildGeos(d);
    const int ours = OursLocated(d), geos = GeosLocated(d);
    if (ours != geos) std::fprintf(stderr, "located: ours %d, GEOS %d\n", ours, geos);
    return ours == geos;
}

// ---- paint ----

using hexagons::kFill;
using hexagons::kHeight;
using hexagons::kWidth;

// The hexagons as shapes of a layer shown whole on a bitmap, beside GDAL's raster of them.
struct PaintScene {
    std::unique_ptr<TGIS_Viewer> viewer;
    TGIS_LayerVector* layer = nullptr;
    std::unique_ptr<TBitmap> bitmap;
    std::unique_ptr<hexagons::GdalRaster> gdal;

    PaintScene() {
        UiTest::Init();
        bitmap = std::make_unique<TBitmap>(kWidth, kHeight, pf24bit);
        viewer = std::make_unique<TGIS_Viewer>(nullptr);
        viewer->SetBounds(0, 0, kWidth, kHeight);
        layer = new TGIS_LayerVector;
        viewer->Add(layer);
        layer->SetExtent({0, 0, kWidth * 10.0, kHeight * 10.0});
        const std::vector<double>& xy = hexagons::XY();
        for (size_t i = 0; i < xy.size(); i += 12) {
            TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
            s->Lock(1);
            s->AddPart();
            for (int k = 0; k <= 6; ++k) s->AddPoint({xy[i + 2 * (k % 6)], xy[i + 2 * (k % 6) + 1]});
            s->Unlock();
        }
        viewer->RecalcExtent();
        viewer->FullExtent();
        viewer->SetTargetBitmap(bitmap.get());
        viewer->SetOutputMode(gisOutputBitmap);
        TGIS_ParamsArea& area = static_cast<TGIS_ParamsSectionVector*>(layer->ParamsList().GetSection(0))->Area();
        area.SetColor(kFill);
        area.SetOutlineStyle(gisPsClear);
        area.SetOutlineWidth(0);
        gdal = std::make_unique<hexagons::GdalRaster>(*viewer);
    }
    void Clear() {
        TCanvas* c = bitmap->Canvas();
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(hexagons::kBack);
        c->FillRect(TRect(0, 0, kWidth, kHeight));
    }
};

std::unique_ptr<PaintScene>& Scene() {
    static std::unique_ptr<PaintScene> s;
    return s;
}

void BM_OursPaintShapes(benchmark::State& state) {
    PaintScene& s = *Scene();
    for (auto _ : state) s.layer->PaintShapes();
}
BENCHMARK(BM_OursPaintShapes)->Unit(benchmark::kMillisecond);

void BM_GdalRasterize(benchmark::State& state) {
    PaintScene& s = *Scene();
    for (auto _ : state)
        if (!s.gdal->Rasterize()) state.SkipWithError("GDALRasterizeGeometries failed");
}
BENCHMARK(BM_GdalRasterize)->Unit(benchmark::kMillisecond);

// GDAL's rule for edge pixels differs from the canvas's; the interiors must be the same.
bool PaintsAgree() {
    Scene() = std::make_unique<PaintScene>();
    PaintScene& s = *Scene();
    s.Clear();
    s.layer->PaintShapes();
    if (!s.gdal->Rasterize()) return false;
    const std::vector<bool> filled = s.gdal->Filled();
    if (filled.empty()) return false;
    long ours = 0, theirs = 0, differ = 0;
    TCanvas* c = s.bitmap->Canvas();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool a = c->Pixel(x, y) == kFill, g = filled[size_t(y) * kWidth + size_t(x)];
            ours += a;
            theirs += g;
            differ += a != g;
        }
    std::printf("filled pixels: PaintShapes %ld, GDAL %ld, %ld differ\n", ours, theirs, differ);
    return ours > 0 && differ <= ours / 10;
}

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("LocateEx quillmark / GEOS STRtree + prepared distance", "BM_OursLocateEx", "BM_GeosLocate",
                      "(goal: at most 1)");
    reporter.AddRatio("PaintShapes quillmark / GDAL rasterize", "BM_OursPaintShapes", "BM_GdalRasterize",
                      "(goal: at most 1)");
    const int rc = RunWithRatios(argc, argv, reporter, [] {
        const bool located = LocatesAgree(), painted = PaintsAgree();
        return located && painted;
    });
    Scene().reset();
    Samples& d = Data();
    if (d.tree) GEOSSTRtree_destroy_r(Geos(), d.tree);
    for (auto* p : d.prepared) GEOSPreparedGeom_destroy_r(Geos(), p);
    for (auto* g : d.geometries) GEOSGeom_destroy_r(Geos(), g);
    d.viewer.reset();
    GEOS_finish_r(Geos());
    return rc;
}
