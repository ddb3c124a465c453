// Shapefile scan against GDAL's C API: a shapefile of 1,000,000 square polygons on a 1000 x 1000 grid (written by
// our writer before timing), scanned with a filter rectangle of 1 % of its extent, the "ID" attribute read for
// every hit. Ours: `TGIS_LayerSHP` in a viewer, SetFilter and ScanFirst/ScanNext, GetField; GDAL's:
// `OGR_L_SetSpatialFilterRect`, `OGR_L_GetNextFeature`, `OGR_F_GetFieldAsInteger`. Neither has a spatial index
// file. The squares make extents and geometries agree, so before timing both must find the same hits with the same
// sum of ids.
#include <cstdio>
#include <memory>
#include <string>

#include "bench/BenchRatios.h"
#include "gis/layers/GisLayerSHP.h"
#include "platform/ui/testsupport/UiTest.h"

// After ours: GDAL's headers define TRUE and FALSE as macros.
#include <gdal.h>
#include <ogr_api.h>

namespace {

constexpr int SIDE = 1000;  // squares per row and column
// 10 % of each axis: 1 % of the extent.
constexpr TGIS_Extent FILTER{450.2, 300.2, 550.2, 400.2};

struct Files {
    BenchTempDir dir{"qm_shp_scan"};
    std::string path;
    std::unique_ptr<TGIS_Viewer> viewer;
    TGIS_LayerSHP* layer = nullptr;
    GDALDatasetH gdal = nullptr;
};

Files& Data() {
    static Files f;
    return f;
}

bool Write(Files& f) {
    f.path = f.dir.Path() + "/grid.shp";
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    src.AddField("ID", gisFieldNumber, 9, 0);
    for (int i = 0; i < SIDE * SIDE; ++i) {
        const double x = i % SIDE, y = i / SIDE;
        TGIS_Shape* s = src.CreateShape(gisShapeTypePolygon);
        s->Lock(1);
        s->AddPart();
        for (const TGIS_Point& p : {TGIS_Point{x, y}, TGIS_Point{x, y + 0.8}, TGIS_Point{x + 0.8, y + 0.8},
                                    TGIS_Point{x + 0.8, y}, TGIS_Point{x, y}})
            s->AddPoint(p);
        s->Unlock();
        s->SetField("ID", Variant(i));
    }
    TGIS_LayerSHP writer;
    writer.WriteFromLayer(src, f.path, GisFullExtent(), gisShapeTypeNull, "", false);
    return true;
}

int64_t OursScan(Files& f, int& hits) {
    TGIS_LayerSHP& l = *f.layer;
    int64_t sum = 0;
    hits = 0;
    l.SetFilter(FILTER, "");
    for (l.ScanFirst(); !l.ScanEof(); l.ScanNext()) {
        sum += l.ScanCurrent()->GetField("ID").AsInteger();
        ++hits;
    }
    return sum;
}

int64_t GdalScan(Files& f, int& hits) {
    OGRLayerH l = GDALDatasetGetLayer(f.gdal, 0);
    OGR_L_SetSpatialFilterRect(l, FILTER.XMin, FILTER.YMin, FILTER.XMax, FILTER.YMax);
    OGR_L_ResetReading(l);
    int64_t sum = 0;
    hits = 0;
    while (OGRFeatureH feature = OGR_L_GetNextFeature(l)) {
        sum += OGR_F_GetFieldAsInteger(feature, 0);
        ++hits;
        OGR_F_Destroy(feature);
    }
    return sum;
}

void BM_OursScanFilter(benchmark::State& state) {
    int hits = 0;
    for (auto _ : state) benchmark::DoNotOptimize(OursScan(Data(), hits));
    state.counters["hits"] = hits;
}
BENCHMARK(BM_OursScanFilter)->Unit(benchmark::kMillisecond);

void BM_GdalScanFilter(benchmark::State& state) {
    int hits = 0;
    for (auto _ : state) benchmark::DoNotOptimize(GdalScan(Data(), hits));
    state.counters["hits"] = hits;
}
BENCHMARK(BM_GdalScanFilter)->Unit(benchmark::kMillisecond);

bool Ready() {
    Files& f = Data();
    if (f.dir.Path().empty() || !Write(f)) return false;
    UiTest::Init();
    f.viewer = std::make_unique<TGIS_Viewer>(nullptr);
    f.viewer->SetBounds(0, 0, 800, 600);
    // Shapes are then tested by their own extents, not by what a paint at the current zoom would cover.
    f.viewer->SetFullPaint(true);
    f.layer = new TGIS_LayerSHP;
    f.layer->Path = f.path;
    f.layer->UseConfig = false;
    f.viewer->Add(f.layer);
    GDALAllRegister();
    f.gdal = GDALOpenEx(f.path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!f.gdal) return false;
    int ours = 0, gdal = 0;
    const int64_t a = OursScan(f, ours), b = GdalScan(f, gdal);
    if (ours != gdal || a != b || ours == 0) {
        std::fprintf(stderr, "hits: ours %d (sum %lld), GDAL %d (sum %lld)\n", ours, (long long)a, gdal, (long long)b);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("Shapefile filtered scan quillmark / GDAL", "BM_OursScanFilter", "BM_GdalScanFilter",
                      "(goal: at most 1)");
    const int rc = RunWithRatios(argc, argv, reporter, Ready);
    Files& f = Data();
    if (f.gdal) GDALClose(f.gdal);
    f.viewer.reset();
    return rc;
}
