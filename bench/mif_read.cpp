// Reads a MIF/MID pair of 200,000 objects whole: our layer's Open, and in the same run and process GDAL's
// MapInfo driver through its C API, every feature with its geometry and attributes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

#include "bench/BenchRatios.h"
#include "gis/layers/GisLayerMIF.h"
#include "platform/rtl/FileIO.h"
// After ours: GDAL's headers define TRUE and FALSE as macros.
#include <gdal.h>
#include <ogr_api.h>

namespace {

constexpr int kObjects = 200000;
std::string g_path;

struct Totals {
    int64_t objects = 0, points = 0;
    double count = 0;  // the sum of the COUNT column
    bool operator==(const Totals& o) const { return objects == o.objects && points == o.points && count == o.count; }
};
Totals g_expected;

// Sheets of five points (closed), lines of four and points, a row of six columns each; as a mapping program
// writes them, with style clauses.
bool WriteSample(const std::string& path) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(0, 1e6), size(10, 1000);
    std::string mif =
        "Version 300\nCharset \"WindowsSimpChinese\"\nDelimiter \",\"\nCoordSys NonEarth Units \"m\" "
        "Bounds (-1000, -1000) (1002000, 1002000)\nColumns 6\n  NAME Char(20)\n  COUNT Integer\n"
        "  SHARE Decimal(12,3)\n  RATIO Float\n  DAY Date\n  NOTE Char(30)\nData\n\n";
    std::string mid;
    char buf[256];
    for (int i = 0; i < kObjects; ++i) {
        const double x = coord(rng), y = coord(rng), w = size(rng), h = size(rng);
        switch (i % 4) {
        case 0:
        case 1:
            std::snprintf(buf, sizeof buf, "Region 1\n  5\n%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n", x,
                          y, x + w, y, x + w, y + h, x, y + h, x, y);
            mif += buf;
            mif += "    Pen (1,2,0)\n    Brush (1,0,16777215)\n";
            g_expected.points += 5;
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "Pline 4\n%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n", x, y, x + w, y,
                          x + w, y + h, x, y + 2 * h);
            mif += buf;
            mif += "    Pen (1,2,0)\n";
            g_expected.points += 4;
            break;
        default:
            std::snprintf(buf, sizeof buf, "Point %.3f %.3f\n", x, y);
            mif += buf;
            mif += "    Symbol (35,0,12)\n";
            g_expected.points += 1;
            break;
        }
        std::snprintf(buf, sizeof buf, "\"J50E%06d\",%d,%.3f,%.6g,%04d%02d%02d,\"note %d\"\n", i, i % 1000,
                      i * 0.001, w / h, 1990 + i % 30, 1 + i % 12, 1 + i % 28, i);
        mid += buf;
        g_expected.count += i % 1000;
    }
    g_expected.objects = kObjects;
    return DiskWriteAll(path, mif) && DiskWriteAll(path.substr(0, path.size() - 4) + ".mid", mid);
}

Totals ReadOurs() {
    TGIS_LayerMIF l;
    l.UseConfig = false;
    l.Path = g_path;
    l.Open(nullptr);
    Totals t;
    const int count = l.FindField("COUNT");
    for (auto& s : l.Shapes) {
        ++t.objects;
        t.points += s->GetNumPoints();
        t.count += s->Values ? s->Values->GetItem(count).AsDouble() : 0;
    }
    return t;
}

int64_t PointCount(OGRGeometryH g) {
    const int n = OGR_G_GetGeometryCount(g);
    if (n == 0) return OGR_G_GetPointCount(g);
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) sum += PointCount(OGR_G_GetGeometryRef(g, i));
    return sum;
}

Totals ReadGdal() {
    Totals t;
    GDALDatasetH ds = GDALOpenEx(g_path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!ds) return t;
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    const int count = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), "COUNT");
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        ++t.objects;
        if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) t.points += PointCount(g);
        t.count += OGR_F_GetFieldAsDouble(f, count);
        OGR_F_Destroy(f);
    }
    GDALClose(ds);
    return t;
}

void Check(benchmark::State& state, const Totals& got) {
    if (!(got == g_expected)) state.SkipWithError("the totals differ from the file's");
}

void ReadMif(benchmark::State& state) {
    Totals t;
    for (auto _ : state) t = ReadOurs();
    Check(state, t);
    state.SetItemsProcessed(state.iterations() * kObjects);
}

void GdalReadMif(benchmark::State& state) {
    Totals t;
    for (auto _ : state) t = ReadGdal();
    Check(state, t);
    state.SetItemsProcessed(state.iterations() * kObjects);
}

BENCHMARK(ReadMif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GdalReadMif)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    GDALAllRegister();
    BenchTempDir dir("mif_read");
    if (dir.Path().empty()) return 1;
    g_path = dir.Path() + "/sample.mif";
    RatioReporter reporter;
    reporter.AddRatio("ours / GDAL's MapInfo driver", "ReadMif", "GdalReadMif", "(goal: at most 1)");
    return RunWithRatios(argc, argv, reporter, [] {
        if (!WriteSample(g_path)) return false;
        if (!(ReadOurs() == g_expected) || !(ReadGdal() == g_expected)) {
            std::fprintf(stderr, "the two readers do not agree with the file\n");
            return false;
        }
        return true;
    });
}
