// Shapefile scans against GDAL's C API.
// Filtered: a shapefile of 1,000,000 square polygons on a 1000 x 1000 grid (written by our writer before timing),
// scanned with a filter rectangle of 1 % of its extent, the "ID" attribute read for every hit. Ours:
// `TGIS_LayerSHP` in a viewer, SetFilter and ScanFirst/ScanNext, GetField; GDAL's: `OGR_L_SetSpatialFilterRect`,
// `OGR_L_GetNextFeature`, `OGR_F_GetFieldAsInteger`. Neither has a spatial index file. The squares make extents
// and geometries agree, so before timing both must find the same hits with the same sum of ids.
// Full: a table-heavy shapefile like a land-parcel layer, 6,630 polygons of 40 to 100 vertices with 43 fields
// (text, integers, decimals, dates, logicals), scanned whole: every vertex and every value read. Ours by field
// name through GetField, GDAL's by index with the getter of the field's type. Both must give the same sums.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/layers/GisLayerSHP.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/testsupport/UiTest.h"

// After ours: GDAL's headers define TRUE and FALSE as macros.
#include <gdal.h>
#include <ogr_api.h>

namespace {

constexpr int SIDE = 1000;  // squares per row and column
// 10 % of each axis: 1 % of the extent.
constexpr TGIS_Extent FILTER{450.2, 300.2, 550.2, 400.2};

constexpr int PARCELS = 6630;
constexpr int FIELDS = 43;

struct Files {
    BenchTempDir dir{"qm_shp_scan"};
    std::string path, parcels;
    std::unique_ptr<TGIS_Viewer> viewer;
    TGIS_LayerSHP* layer = nullptr;
    TGIS_LayerSHP* parcelLayer = nullptr;
    GDALDatasetH gdal = nullptr;
    GDALDatasetH gdalParcels = nullptr;
    std::vector<std::string> names;
    std::vector<uint8_t> types;
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

// Field i: text, integer, decimal, date or logical, in a repeating pattern that gives 15, 14, 10, 2 and 2.
uint8_t ParcelFieldType(int i) {
    if (i == 20 || i == 41) return gisFieldDate;
    if (i == 21 || i == 42) return gisFieldLogical;
    static const uint8_t cycle[] = {gisFieldString, gisFieldNumber, gisFieldString, gisFieldNumber, gisFieldFloat};
    return cycle[i % 5];
}

bool WriteParcels(Files& f) {
    f.parcels = f.dir.Path() + "/parcels.shp";
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    for (int i = 0; i < FIELDS; ++i) {
        const uint8_t t = ParcelFieldType(i);
        f.names.push_back("F" + std::to_string(i));
        f.types.push_back(t);
        // Decimals are N fields with 3 decimals: an F field is not read back.
        if (t == gisFieldFloat)
            src.AddField(f.names.back(), gisFieldNumber, 15, 3);
        else if (t == gisFieldString)
            src.AddField(f.names.back(), gisFieldString, 10 + i * 2, 0);
        else
            src.AddField(f.names.back(), t, t == gisFieldNumber ? 9 : 8, 0);
    }
    for (int k = 0; k < PARCELS; ++k) {
        const double cx = (k % 80) * 100.0, cy = (k / 80) * 100.0;
        const int n = 40 + k % 61;
        TGIS_Shape* s = src.CreateShape(gisShapeTypePolygon);
        s->Lock(1);
        s->AddPart();
        for (int v = 0; v <= n; ++v) {
            const double a = 2 * M_PI * (v % n) / n, r = 40 + (v * 7 % 11);
            s->AddPoint(TGIS_Point{cx + r * std::cos(a), cy + r * std::sin(a)});
        }
        s->Unlock();
        for (int i = 0; i < FIELDS; ++i) {
            Variant v;
            switch (f.types[size_t(i)]) {
            case gisFieldString:
                v = Variant("parcel " + std::to_string(k * 31 + i) + std::string(size_t(k % 9), 'x'));
                break;
            case gisFieldNumber: v = Variant(k * 1000 + i); break;
            case gisFieldFloat: v = Variant(k * 0.125 + i); break;
            case gisFieldDate: v = Variant::FromDate(EncodeDate(1990 + k % 30, 1 + k % 12, 1 + k % 28)); break;
            default: v = Variant(k % 3 == 0); break;
            }
            s->SetField(f.names[size_t(i)], v);
        }
    }
    TGIS_LayerSHP writer;
    writer.WriteFromLayer(src, f.parcels, GisFullExtent(), gisShapeTypeNull, "", false);
    return true;
}

// What a full scan read: vertex count and coordinate sum, and a sum of every value.
struct Totals {
    int64_t records = 0, vertices = 0, integers = 0, text = 0, dates = 0, truths = 0;
    double coordinates = 0, decimals = 0;
    bool operator==(const Totals& o) const {
        return records == o.records && vertices == o.vertices && integers == o.integers && text == o.text &&
               dates == o.dates && truths == o.truths && std::fabs(coordinates - o.coordinates) < 1e-3 &&
               std::fabs(decimals - o.decimals) < 1e-3;
    }
};

Totals OursFull(Files& f) {
    TGIS_LayerSHP& l = *f.parcelLayer;
    Totals t;
    l.SetFilter(GisFullExtent(), "");
    for (l.ScanFirst(); !l.ScanEof(); l.ScanNext()) {
        TGIS_Shape* s = l.ScanCurrent();
        ++t.records;
        for (int p = 0; p < s->GetNumParts(); ++p)
            for (int i = 0, n = s->GetPartSize(p); i < n; ++i) {
                const TGIS_Point pt = s->GetPoint(p, i);
                t.coordinates += pt.X + pt.Y;
                ++t.vertices;
            }
        for (int i = 0; i < FIELDS; ++i) {
            const Variant v = s->GetField(f.names[size_t(i)]);
            switch (f.types[size_t(i)]) {
            case gisFieldString: t.text += int64_t(v.AsString().size()); break;
            case gisFieldNumber: t.integers += v.AsInteger(); break;
            case gisFieldFloat: t.decimals += v.AsDouble(); break;
            case gisFieldDate: t.dates += int64_t(v.AsDouble()); break;
            default: t.truths += v.AsBoolean(); break;
            }
        }
    }
    return t;
}

Totals GdalFull(Files& f) {
    OGRLayerH l = GDALDatasetGetLayer(f.gdalParcels, 0);
    OGR_L_ResetReading(l);
    Totals t;
    while (OGRFeatureH feature = OGR_L_GetNextFeature(l)) {
        ++t.records;
        OGRGeometryH g = OGR_F_GetGeometryRef(feature);
        for (int r = 0, rings = g ? OGR_G_GetGeometryCount(g) : 0; r < rings; ++r) {
            OGRGeometryH ring = OGR_G_GetGeometryRef(g, r);
            for (int i = 0, n = OGR_G_GetPointCount(ring); i < n; ++i) {
                t.coordinates += OGR_G_GetX(ring, i) + OGR_G_GetY(ring, i);
                ++t.vertices;
            }
        }
        for (int i = 0; i < FIELDS; ++i) {
            switch (f.types[size_t(i)]) {
            case gisFieldString: t.text += int64_t(std::strlen(OGR_F_GetFieldAsString(feature, i))); break;
            case gisFieldNumber: t.integers += OGR_F_GetFieldAsInteger(feature, i); break;
            case gisFieldFloat: t.decimals += OGR_F_GetFieldAsDouble(feature, i); break;
            case gisFieldDate: {
                int y = 0, m = 0, d = 0, h = 0, mi = 0, tz = 0;
                float sec = 0;
                OGR_F_GetFieldAsDateTimeEx(feature, i, &y, &m, &d, &h, &mi, &sec, &tz);
                t.dates += int64_t(EncodeDate(y, m, d));
                break;
            }
            default: {
                // A logical field is text or a Boolean integer, depending on GDAL's version.
                const char c = OGR_F_GetFieldAsString(feature, i)[0];
                t.truths += c == '1' || c == 'T' || c == 'Y';
                break;
            }
            }
        }
        OGR_F_Destroy(feature);
    }
    return t;
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

void BM_OursScanFull(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(OursFull(Data()));
    state.counters["records"] = PARCELS;
}
BENCHMARK(BM_OursScanFull)->Unit(benchmark::kMillisecond);

void BM_GdalScanFull(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GdalFull(Data()));
    state.counters["records"] = PARCELS;
}
BENCHMARK(BM_GdalScanFull)->Unit(benchmark::kMillisecond);

bool Ready() {
    Files& f = Data();
    if (f.dir.Path().empty() || !Write(f) || !WriteParcels(f)) return false;
    UiTest::Init();
    f.viewer = std::make_unique<TGIS_Viewer>(nullptr);
    f.viewer->SetBounds(0, 0, 800, 600);
    // Shapes are then tested by their own extents, not by what a paint at the current zoom would cover.
    f.viewer->SetFullPaint(true);
    f.layer = new TGIS_LayerSHP;
    f.layer->Path = f.path;
    f.layer->UseConfig = false;
    f.viewer->Add(f.layer);
    f.parcelLayer = new TGIS_LayerSHP;
    f.parcelLayer->Path = f.parcels;
    f.parcelLayer->UseConfig = false;
    f.viewer->Add(f.parcelLayer);
    GDALAllRegister();
    f.gdal = GDALOpenEx(f.path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    f.gdalParcels = GDALOpenEx(f.parcels.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!f.gdal || !f.gdalParcels) return false;
    const Totals mine = OursFull(f), theirs = GdalFull(f);
    if (!(mine == theirs) || mine.records != PARCELS) {
        std::fprintf(stderr,
                     "full scan: ours %lld records %lld vertices %.3f xy %lld int %.3f dec %lld text %lld dates "
                     "%lld true; GDAL %lld %lld %.3f %lld %.3f %lld %lld %lld\n",
                     (long long)mine.records, (long long)mine.vertices, mine.coordinates, (long long)mine.integers,
                     mine.decimals, (long long)mine.text, (long long)mine.dates, (long long)mine.truths,
                     (long long)theirs.records, (long long)theirs.vertices, theirs.coordinates,
                     (long long)theirs.integers,
                     theirs.decimals, (long long)theirs.text, (long long)theirs.dates, (long long)theirs.truths);
        return false;
    }
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
    reporter.AddRatio("Shapefile full scan quillmark / GDAL", "BM_OursScanFull", "BM_GdalScanFull",
                      "(goal: at most 1)");
    const int rc = RunWithRatios(argc, argv, reporter, Ready);
    Files& f = Data();
    if (f.gdal) GDALClose(f.gdal);
    if (f.gdalParcels) GDALClose(f.gdalParcels);
    f.viewer.reset();
    return rc;
}
