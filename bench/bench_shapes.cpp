// Shapes against GEOS (C API).
// Point in polygon: 100,000 polygons of 10 points (closing point included), each asked once whether a point near
// it lies inside, as a pick or a layer search asks; GEOS prepares each polygon, asks its prepared contains and
// frees the preparation. Before timing, both must count the same points inside.
// WKB reading: 1,000,000 geometries, a quarter each of points, multipoints of 4, line strings of 5 and
// polygons of one 5-point ring, little-endian as our writers give them; ours builds a shape from each
// (`CreateFromWKB`), GEOS a geometry (`GEOSWKBReader_read_r`); both free what they built. Before timing,
// both readers must count the same points.
#include <geos_c.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/layers/GisLayerVector.h"

namespace {

constexpr int WKB_GEOMETRIES = 1000000;

GEOSContextHandle_t Geos() {
    static GEOSContextHandle_t h = GEOS_init_r();
    return h;
}

const std::vector<TGIS_Bytes>& WkbSamples() {
    static const std::vector<TGIS_Bytes> samples = [] {
        std::vector<TGIS_Bytes> out(WKB_GEOMETRIES);
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> u(70, 140);
        for (int i = 0; i < WKB_GEOMETRIES; ++i) {
            std::unique_ptr<TGIS_Shape> s;
            switch (i % 4) {
            case 0: s = std::make_unique<TGIS_ShapePoint>(); break;
            case 1: s = std::make_unique<TGIS_ShapeMultipoint>(); break;
            case 2: s = std::make_unique<TGIS_ShapeArc>(); break;
            default: s = std::make_unique<TGIS_ShapePolygon>(); break;
            }
            s->AddPart();
            const int n = i % 4 == 0 ? 1 : i % 4 == 1 ? 4 : 5;
            const TGIS_Point first{u(rng), u(rng)};
            s->AddPoint(first);
            for (int k = 1; k < n; ++k) s->AddPoint({first.X + u(rng) / 100, first.Y + u(rng) / 100});
            s->ExportWKB(out[i]);
        }
        return out;
    }();
    return samples;
}

int64_t OurPoints(const TGIS_Bytes& b) {
    std::unique_ptr<TGIS_Shape> s = TGIS_Shape::CreateFromWKB(b);
    return s ? s->GetNumPoints() : -1;
}

int64_t GeosPoints(GEOSWKBReader* reader, const TGIS_Bytes& b) {
    GEOSGeometry* g = GEOSWKBReader_read_r(Geos(), reader, b.data(), b.size());
    if (!g) return -1;
    int64_t n = GEOSGetNumCoordinates_r(Geos(), g);
    GEOSGeom_destroy_r(Geos(), g);
    return n;
}

int64_t g_wkbPoints = 0;

void BM_OursReadWkb(benchmark::State& state) {
    const auto& samples = WkbSamples();
    int64_t n = CountPasses(state, samples, OurPoints);
    if (n != g_wkbPoints) state.SkipWithError("our WKB reader counted other points than GEOS");
    state.SetItemsProcessed(state.iterations() * WKB_GEOMETRIES);
}
BENCHMARK(BM_OursReadWkb)->Unit(benchmark::kMillisecond);

void BM_GeosReadWkb(benchmark::State& state) {
    const auto& samples = WkbSamples();
    GEOSWKBReader* reader = GEOSWKBReader_create_r(Geos());
    int64_t n = CountPasses(state, samples, [reader](const TGIS_Bytes& b) { return GeosPoints(reader, b); });
    GEOSWKBReader_destroy_r(Geos(), reader);
    if (n != g_wkbPoints) state.SkipWithError("GEOS's WKB reader counted other points");
    state.SetItemsProcessed(state.iterations() * WKB_GEOMETRIES);
}
BENCHMARK(BM_GeosReadWkb)->Unit(benchmark::kMillisecond);

bool WkbReadersAgree() {
    GEOSWKBReader* reader = GEOSWKBReader_create_r(Geos());
    int64_t ours = 0, theirs = 0;
    for (const TGIS_Bytes& b : WkbSamples()) {
        int64_t a = OurPoints(b), g = GeosPoints(reader, b);
        if (a != g || a < 0) {
            ours = -1;
            break;
        }
        ours += a;
        theirs += g;
    }
    GEOSWKBReader_destroy_r(Geos(), reader);
    g_wkbPoints = theirs;
    if (ours == theirs) return true;
    std::fprintf(stderr, "bench_shapes: the WKB readers disagree; no timing\n");
    return false;
}

constexpr int CONTAINS_POLYGONS = 100000;
constexpr int CONTAINS_POINTS = 10;

struct ContainsSample {
    std::unique_ptr<TGIS_ShapePolygon> ours;
    GEOSGeometry* theirs = nullptr;
    TGIS_Point query{};
    GEOSGeometry* queryPoint = nullptr;
};

// Star-shaped polygons spread over 100 km, and a point in the square around each.
const std::vector<ContainsSample>& ContainsSamples() {
    static const std::vector<ContainsSample> samples = [] {
        std::vector<ContainsSample> out(CONTAINS_POLYGONS);
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> u(0, 1);
        for (ContainsSample& s : out) {
            const TGIS_Point c{u(rng) * 1e5, u(rng) * 1e5};
            const double size = 10 + u(rng) * 90;
            s.ours = std::make_unique<TGIS_ShapePolygon>();
            s.ours->AddPart();
            GEOSCoordSequence* seq = GEOSCoordSeq_create_r(Geos(), CONTAINS_POINTS, 2);
            TGIS_Point first{};
            for (int i = 0; i < CONTAINS_POINTS - 1; ++i) {
                const double a = 2 * M_PI * (i + u(rng) * 0.8) / (CONTAINS_POINTS - 1);
                const double r = size * (0.3 + 0.7 * u(rng));
                const TGIS_Point p{c.X + r * std::cos(a), c.Y + r * std::sin(a)};
                if (i == 0) first = p;
                s.ours->AddPoint(p);
                GEOSCoordSeq_setXY_r(Geos(), seq, i, p.X, p.Y);
            }
            GEOSCoordSeq_setXY_r(Geos(), seq, CONTAINS_POINTS - 1, first.X, first.Y);
            s.theirs = GEOSGeom_createPolygon_r(Geos(), GEOSGeom_createLinearRing_r(Geos(), seq), nullptr, 0);
            s.query = {c.X + (u(rng) - 0.5) * size * 1.6, c.Y + (u(rng) - 0.5) * size * 1.6};
            s.queryPoint = GEOSGeom_createPointFromXY_r(Geos(), s.query.X, s.query.Y);
        }
        return out;
    }();
    return samples;
}

int64_t OurContains(const ContainsSample& s) { return GisIsPointInPolygon(s.query, s.ours.get()) ? 1 : 0; }

int64_t GeosContains(const ContainsSample& s) {
    const GEOSPreparedGeometry* prepared = GEOSPrepare_r(Geos(), s.theirs);
    const int64_t inside = GEOSPreparedContains_r(Geos(), prepared, s.queryPoint) == 1 ? 1 : 0;
    GEOSPreparedGeom_destroy_r(Geos(), prepared);
    return inside;
}

int64_t g_containsHits = 0;

void BM_OursContains(benchmark::State& state) {
    int64_t n = CountPasses(state, ContainsSamples(), OurContains);
    if (n != g_containsHits) state.SkipWithError("our point-in-polygon test counted other points than GEOS");
    state.SetItemsProcessed(state.iterations() * CONTAINS_POLYGONS);
}
BENCHMARK(BM_OursContains)->Unit(benchmark::kMillisecond);

void BM_GeosPreparedContains(benchmark::State& state) {
    int64_t n = CountPasses(state, ContainsSamples(), GeosContains);
    if (n != g_containsHits) state.SkipWithError("GEOS's prepared contains counted other points");
    state.SetItemsProcessed(state.iterations() * CONTAINS_POLYGONS);
}
BENCHMARK(BM_GeosPreparedContains)->Unit(benchmark::kMillisecond);

bool ContainsAgree() {
    int64_t ours = 0, theirs = 0;
    for (const ContainsSample& s : ContainsSamples()) {
        ours += OurContains(s);
        theirs += GeosContains(s);
    }
    g_containsHits = theirs;
    if (ours == theirs) return true;
    std::fprintf(stderr, "bench_shapes: point in polygon counts %lld inside, GEOS %lld; no timing\n",
                 static_cast<long long>(ours), static_cast<long long>(theirs));
    return false;
}

void FreeContainsSamples() {
    for (const ContainsSample& s : ContainsSamples()) {
        GEOSGeom_destroy_r(Geos(), s.theirs);
        GEOSGeom_destroy_r(Geos(), s.queryPoint);
    }
}

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("point in polygon quillmark / GEOS prepared contains", "BM_OursContains",
                      "BM_GeosPreparedContains", "(goal: at most 1)");
    reporter.AddRatio("WKB reading quillmark / GEOS", "BM_OursReadWkb", "BM_GeosReadWkb", "(goal: at most 1)");
    const int rc = RunWithRatios(argc, argv, reporter, [] { return ContainsAgree() && WkbReadersAgree(); });
    FreeContainsSamples();
    GEOS_finish_r(Geos());
    return rc;
}
