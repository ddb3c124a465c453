// Full scans of files written by ogr2ogr: ours through the format layers, GDAL's through its C API, in the same
// run and process, each counting the shapes and vertices it read (and, for the table, one attribute).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchRatios.h"
#include "gis/layers/GisLayerDGN.h"
#include "gis/layers/GisLayerTAB.h"
// After ours: GDAL defines TRUE and FALSE as macros.
#include <gdal.h>
#include <ogr_api.h>

namespace {

std::string g_dir;

struct ScanCount {
    int64_t shapes = 0;
    int64_t points = 0;
    bool operator==(const ScanCount& o) const { return shapes == o.shapes && points == o.points; }
};

// ---- design files ----

constexpr int kDgnElements = 200000;
std::string g_dgn;

// A CSV of line strings, closed shapes and single points (a zero-length line in a design file), written
// into a design file by ogr2ogr.
bool PrepareDgn() {
    const std::string csv = g_dir + "/dgn.csv";
    std::FILE* f = std::fopen(csv.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "id,WKT\n");
    for (int i = 0; i < kDgnElements; ++i) {
        const double x = (i % 1000) * 10.0, y = (i / 1000) * 10.0;
        switch (i % 3) {
        case 0: std::fprintf(f, "%d,\"LINESTRING (%g %g,%g %g,%g %g,%g %g)\"\n", i, x, y, x + 3, y + 1, x + 5, y + 4,
                             x + 9, y + 2); break;
        case 1: std::fprintf(f, "%d,\"POLYGON ((%g %g,%g %g,%g %g,%g %g,%g %g))\"\n", i, x, y, x + 6, y, x + 6,
                             y + 6, x, y + 6, x, y); break;
        default: std::fprintf(f, "%d,\"POINT (%g %g)\"\n", i, x + 1, y + 1); break;
        }
    }
    std::fclose(f);
    g_dgn = g_dir + "/scan.dgn";
    const std::string cmd = "ogr2ogr -f DGN '" + g_dgn + "' '" + csv + "' -oo GEOM_POSSIBLE_NAMES=WKT 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
}

ScanCount OursDgn() {
    ScanCount c;
    TGIS_LayerDGN layer;
    layer.UseConfig = false;
    layer.Path = g_dgn;
    layer.Open(nullptr);
    layer.SetFilter(GisFullExtent(), "");
    for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) {
        TGIS_Shape* s = layer.ScanCurrent();
        ++c.shapes;
        c.points += s->GetNumPoints();
    }
    return c;
}

int64_t GdalPoints(OGRGeometryH g) {
    const int n = OGR_G_GetGeometryCount(g);
    if (n == 0) return OGR_G_GetPointCount(g);
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) sum += GdalPoints(OGR_G_GetGeometryRef(g, i));
    return sum;
}

ScanCount GdalScan(const std::string& path) {
    ScanCount c;
    GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!ds) return c;
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
            ++c.shapes;
            c.points += GdalPoints(g);
        }
        OGR_F_Destroy(f);
    }
    GDALClose(ds);
    return c;
}

void DgnScanOurs(benchmark::State& state) {
    ScanCount c;
    for (auto _ : state) c = OursDgn();
    if (!(c == GdalScan(g_dgn)) || c.shapes != kDgnElements) state.SkipWithError("ours and GDAL's counts differ");
    state.SetItemsProcessed(state.iterations() * c.shapes);
}
BENCHMARK(DgnScanOurs)->Unit(benchmark::kMillisecond)->UseRealTime();

void DgnScanGdal(benchmark::State& state) {
    ScanCount c;
    for (auto _ : state) c = GdalScan(g_dgn);
    if (c.shapes != kDgnElements) state.SkipWithError("GDAL read a wrong count");
    state.SetItemsProcessed(state.iterations() * c.shapes);
}
BENCHMARK(DgnScanGdal)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- MapInfo table ----

constexpr int kTabObjects = 200000;
std::string g_tabPath;
int64_t g_tabExpected = -1;


bool PrepareTab(const std::string& dir) {
    const std::string csv = dir + "/objects.csv";
    std::FILE* f = std::fopen(csv.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "WKT,v\n");
    for (int i = 0; i < kTabObjects; ++i) {
        const double x = (i % 1000) * 0.5, y = (i / 1000) * 0.5;
        switch (i % 3) {
        case 0: std::fprintf(f, "\"POINT (%g %g)\",%d\n", x, y, i); break;
        case 1:
            std::fprintf(f, "\"LINESTRING (%g %g,%g %g,%g %g,%g %g,%g %g)\",%d\n", x, y, x + 0.1, y, x + 0.1, y + 0.1,
                         x + 0.2, y + 0.1, x + 0.3, y + 0.2, i);
            break;
        default:
            std::fprintf(f, "\"POLYGON ((%g %g,%g %g,%g %g,%g %g,%g %g,%g %g))\",%d\n", x, y, x + 0.2, y, x + 0.3,
                         y + 0.1, x + 0.2, y + 0.2, x, y + 0.2, x, y, i);
            break;
        }
    }
    std::fclose(f);
    std::FILE* t = std::fopen((dir + "/objects.csvt").c_str(), "w");
    if (!t) return false;
    std::fprintf(t, "WKT,Integer\n");
    std::fclose(t);
    g_tabPath = dir + "/objects.tab";
    const std::string cmd = "ogr2ogr -f \"MapInfo File\" '" + g_tabPath + "' '" + csv +
                            "' -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO -lco BOUNDS=-10,-10,600,200";
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "ogr2ogr failed\n");
        return false;
    }
    return true;
}

// Objects + vertices + the attribute's values, so that both sides are checked on the same figures.
void TabScan(benchmark::State& state) {
    TGIS_LayerTAB layer;
    layer.Path = g_tabPath;
    layer.Open(nullptr);
    int64_t sum = 0;
    for (auto _ : state) {
        sum = 0;
        for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) {
            TGIS_Shape* s = layer.ScanCurrent();
            sum += 1 + s->GetNumPoints() + s->GetField("v").AsInteger();
        }
    }
    if (g_tabExpected >= 0 && sum != g_tabExpected) state.SkipWithError("our scan disagrees with GDAL's");
    state.counters["objects"] = kTabObjects;
}

void TabScanGdal(benchmark::State& state) {
    OGRDataSourceH ds = OGROpen(g_tabPath.c_str(), 0, nullptr);
    if (!ds) {
        state.SkipWithError("GDAL cannot open the table");
        return;
    }
    OGRLayerH layer = OGR_DS_GetLayer(ds, 0);
    const int field = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), "v");
    int64_t sum = 0;
    for (auto _ : state) {
        sum = 0;
        OGR_L_ResetReading(layer);
        while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
            OGRGeometryH g = OGR_F_GetGeometryRef(f);
            // Our polygons keep one closing point per ring, as the file does.
            sum += 1 + (g ? GdalPoints(g) : 0) + OGR_F_GetFieldAsInteger(f, field);
            OGR_F_Destroy(f);
        }
    }
    g_tabExpected = sum;
    OGR_DS_Destroy(ds);
    state.counters["objects"] = kTabObjects;
}

BENCHMARK(TabScanGdal)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TabScan)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchTempDir dir("qm_bench_tab_dgn_scan");
    if (dir.Path().empty()) return 1;
    g_dir = dir.Path();
    GDALAllRegister();
    RatioReporter reporter;
    reporter.AddRatio("ours / GDAL, design file", "DgnScanOurs", "DgnScanGdal", "(goal: at most 1)");
    reporter.AddRatio("ours / GDAL, MapInfo table", "TabScan", "TabScanGdal", "(goal: at most 1)");
    return RunWithRatios(argc, argv, reporter, [] {
        if (PrepareDgn() && PrepareTab(g_dir)) return true;
        std::fprintf(stderr, "ogr2ogr could not write the test files\n");
        return false;
    });
}
