// Shapes against GEOS (C API).
// WKB reading: 1,000,000 geometries, a quarter each of points, multipoints of 4, line strings of 5 and
// polygons of one 5-point ring, little-endian as our writers give them; ours builds a shape from each
// (`CreateFromWKB`), GEOS a geometry (`GEOSWKBReader_read_r`); both free what they built. Before timing,
// both readers must count the same points.
#include <geos_c.h>

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

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("WKB reading quillmark / GEOS", "BM_OursReadWkb", "BM_GeosReadWkb", "(goal: at most 1)");
    const int rc = RunWithRatios(argc, argv, reporter, [] { return WkbReadersAgree(); });
    GEOS_finish_r(Geos());
    return rc;
}
