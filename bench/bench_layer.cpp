// The vector layer's finds against GEOS (C API).
// Locate: 100,000 points, each located among 100,000 ten-point polygons within a tolerance of 2 map units. Ours
// walks the layer's R-tree (`LocateEx`); GEOS asks an STRtree over the same polygons with the tolerance square and
// takes the least `GEOSPreparedDistance` of the candidates (prepared before timing, as our index is built before).
// Before timing, both must locate the same number of points.
#include <geos_c.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/testsupport/UiTest.h"

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

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("LocateEx quillmark / GEOS STRtree + prepared distance", "BM_OursLocateEx", "BM_GeosLocate",
                      "(goal: at most 1)");
    const int rc = RunWithRatios(argc, argv, reporter, LocatesAgree);
    Samples& d = Data();
    if (d.tree) GEOSSTRtree_destroy_r(Geos(), d.tree);
    for (auto* p : d.prepared) GEOSPreparedGeom_destroy_r(Geos(), p);
    for (auto* g : d.geometries) GEOSGeom_destroy_r(Geos(), g);
    d.viewer.reset();
    GEOS_finish_r(Geos());
    return rc;
}
