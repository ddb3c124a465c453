// Full scans of format layers against GDAL's drivers in the same run, on the same files written by ogr2ogr.
// TAB: a MapInfo table of 200,000 objects (points, lines and polygons in turn), every object's vertices and
// one attribute counted on both sides.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchRatios.h"
#include "gis/layers/GisLayerTAB.h"

// After our headers: GDAL's define TRUE and FALSE.
#include <ogr_api.h>

namespace {

constexpr int kTabObjects = 200000;
std::string g_tabPath;
int64_t g_tabExpected = -1;

// ---- TAB ----

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

int64_t OgrPoints(OGRGeometryH g) {
    const int n = OGR_G_GetGeometryCount(g);
    if (n == 0) return OGR_G_GetPointCount(g);
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) sum += OgrPoints(OGR_G_GetGeometryRef(g, i));
    return sum;
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
            sum += 1 + (g ? OgrPoints(g) : 0) + OGR_F_GetFieldAsInteger(f, field);
            OGR_F_Destroy(f);
        }
    }
    g_tabExpected = sum;
    OGR_DS_Destroy(ds);
    state.counters["objects"] = kTabObjects;
}

}  // namespace

BENCHMARK(TabScanGdal)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TabScan)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    BenchTempDir dir("qm_bench_tab_dgn_scan");
    if (dir.Path().empty()) return 1;
    OGRRegisterAll();
    RatioReporter reporter;
    reporter.AddRatio("TAB scan / GDAL", "TabScan", "TabScanGdal", "(goal: at most 1)");
    return RunWithRatios(argc, argv, reporter, [&] { return PrepareTab(dir.Path()); });
}
