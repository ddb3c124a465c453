// Writes the MIF/MID index of 1,000,000 sheets and, in the same run and process, has GDAL's MapInfo
// driver write the same polygons with the same 18 attributes through its C API.
#include <benchmark/benchmark.h>
#include <gdal.h>
#include <ogr_api.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchRatios.h"
#include "engine/testsupport/RecordingTessarProgress.h"
#include "engine/unTessarRgPub.h"

namespace {

// 1000 x 1000 sheets at 1:5,000, each point on its own zone's meridian.
const TDmsExtent kWindow = {{96, 0, 0}, {20, 0, 0}, {127, 15, 0}, {40, 50, 0}};
constexpr size_t kSheets = 1000000;
std::string g_dir;

const TStandardTessarols& Sheets() {
    static TStandardTessarols t = [] {
        TStandardTessarols r;
        GetNewTessarols(kWindow, false, true, 0, 7, r);
        return r;
    }();
    return t;
}

// Regions in a MIF file: its "Region" lines.
size_t CountRegions(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    size_t n = 0;
    char line[256];
    while (std::fgets(line, sizeof line, f))
        if (std::string(line).rfind("Region 1", 0) == 0) ++n;
    std::fclose(f);
    return n;
}

void WriteMif(benchmark::State& state) {
    const TStandardTessarols& t = Sheets();
    if (t.size() * t[0].size() != kSheets) state.SkipWithError("wrong sheet count");
    for (auto _ : state) {
        TRecordingTessarProgress progress;
        SetTessarProgress(&progress);
        if (!SaveTessarolsToMif(g_dir + "/ours.mif", t, true)) state.SkipWithError("the writer failed");
        SetTessarProgress(nullptr);
        if (progress.Dialogs.back().Percent != 100) state.SkipWithError("progress did not reach 100 %");
    }
    if (CountRegions(g_dir + "/ours.mif") != kSheets) state.SkipWithError("our file lacks regions");
    state.SetItemsProcessed(state.iterations() * kSheets);
}

double DmsValue(const TDmsAngle& a) { return a.Degrees + a.Minutes / 100 + a.Seconds / 10000; }

// The same index through GDAL: a MIF layer with the plane bounds, 2 text and 16 decimal fields, one
// polygon of five points per sheet.
bool GdalWrite(const std::string& path) {
    GDALDriverH driver = GDALGetDriverByName("MapInfo File");
    if (!driver) return false;
    const char* dsOptions[] = {"FORMAT=MIF", nullptr};
    GDALDatasetH ds = GDALCreate(driver, path.c_str(), 0, 0, 0, GDT_Unknown, const_cast<char**>(dsOptions));
    if (!ds) return false;
    const TStandardTessarols& t = Sheets();
    const TStandardTessarol &sw = t[0].back(), &ne = t.back()[0];
    const std::string bounds = "BOUNDS=" + std::to_string(sw.LB.X - 5 * (sw.RB.X - sw.LB.X)) + "," +
                               std::to_string(sw.LB.Y - 5 * (sw.LT.Y - sw.LB.Y)) + "," +
                               std::to_string(ne.RT.X + 5 * (ne.RT.X - ne.LT.X)) + "," +
                               std::to_string(ne.RT.Y + 5 * (ne.RT.Y - ne.RB.Y));
    const char* layerOptions[] = {bounds.c_str(), nullptr};
    OGRLayerH layer = GDALDatasetCreateLayer(ds, "gdal", nullptr, wkbPolygon, const_cast<char**>(layerOptions));
    bool ok = layer != nullptr;
    const char* names[18] = {"SheetNo", "SheetName", "LT_L", "LT_B", "RT_L", "RT_B", "RB_L", "RB_B", "LB_L",
                             "LB_B",    "LT_X",      "LT_Y", "RT_X", "RT_Y", "RB_X", "RB_Y", "LB_X", "LB_Y"};
    for (int i = 0; ok && i < 18; ++i) {
        OGRFieldDefnH fd = OGR_Fld_Create(names[i], i < 2 ? OFTString : OFTReal);
        OGR_Fld_SetWidth(fd, i < 2 ? 30 : 15);
        if (i >= 2) OGR_Fld_SetPrecision(fd, 5);
        ok = OGR_L_CreateField(layer, fd, TRUE) == OGRERR_NONE;
        OGR_Fld_Destroy(fd);
    }
    if (ok) {
        OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
        for (auto& col : t)
            for (auto& s : col) {
                OGRFeatureH f = OGR_F_Create(defn);
                OGR_F_SetFieldString(f, 0, s.SheetNo.c_str());
                OGR_F_SetFieldString(f, 1, "");
                const double dms[8] = {DmsValue(s.West), DmsValue(s.North), DmsValue(s.East), DmsValue(s.North),
                                       DmsValue(s.East), DmsValue(s.South), DmsValue(s.West), DmsValue(s.South)};
                const double xy[8] = {s.LT.X, s.LT.Y, s.RT.X, s.RT.Y, s.RB.X, s.RB.Y, s.LB.X, s.LB.Y};
                for (int i = 0; i < 8; ++i) {
                    OGR_F_SetFieldDouble(f, 2 + i, dms[i]);
                    OGR_F_SetFieldDouble(f, 10 + i, xy[i]);
                }
                OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
                for (const TPlanePoint* p : {&s.LT, &s.RT, &s.RB, &s.LB, &s.LT}) OGR_G_AddPoint_2D(ring, p->X, p->Y);
                OGRGeometryH polygon = OGR_G_CreateGeometry(wkbPolygon);
                OGR_G_AddGeometryDirectly(polygon, ring);
                OGR_F_SetGeometryDirectly(f, polygon);
                ok = OGR_L_CreateFeature(layer, f) == OGRERR_NONE && ok;
                OGR_F_Destroy(f);
            }
    }
    GDALClose(ds);
    return ok;
}

void GdalWriteMif(benchmark::State& state) {
    GDALAllRegister();
    const std::string path = g_dir + "/gdal.mif";
    for (auto _ : state) {
        std::filesystem::remove(path);
        std::filesystem::remove(g_dir + "/gdal.mid");
        if (!GdalWrite(path)) state.SkipWithError("GDAL failed to write the index");
    }
    if (CountRegions(path) != kSheets) state.SkipWithError("GDAL's file lacks regions");
    state.SetItemsProcessed(state.iterations() * kSheets);
}

BENCHMARK(WriteMif)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(GdalWriteMif)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchTempDir dir("qm_bench_mif_write");
    if (dir.Path().empty()) return 1;
    g_dir = dir.Path();
    RatioReporter reporter;
    reporter.AddRatio("ours / GDAL's MapInfo driver", "WriteMif", "GdalWriteMif", "(goal: at most 0.08)");
    return RunWithRatios(argc, argv, reporter);
}
