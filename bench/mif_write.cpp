// Writes the MIF/MID index of 1,000,000 sheets and, in the same run, times GDAL's MapInfo driver
// writing the same polygons with the same 18 attributes (ogr2ogr from a CSV made beforehand).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/testsupport/RecordingTessarProgress.h"
#include "engine/unTessarRgPub.h"

namespace {

// 1000 x 1000 sheets at 1:5,000, each point on its own zone's meridian.
const TDmsExtent kWindow = {{96, 0, 0}, {20, 0, 0}, {127, 15, 0}, {40, 50, 0}};
constexpr size_t kSheets = 1000000;
double g_oursSeconds = 0, g_gdalSeconds = 0;
std::string g_dir;

const TStandardTessarols& Sheets() {
    static TStandardTessarols t = [] {
        TStandardTessarols r;
        GetNewTessarols(kWindow, false, true, 0, 7, r);
        return r;
    }();
    return t;
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
    state.SetItemsProcessed(state.iterations() * kSheets);
}

void WriteCsv(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("WKT,SheetNo,SheetName,LT_L,LT_B,RT_L,RT_B,RB_L,RB_B,LB_L,LB_B,LT_X,LT_Y,RT_X,RT_Y,RB_X,RB_Y,LB_X,LB_Y\n", f);
    for (auto& col : Sheets())
        for (auto& s : col) {
            std::fprintf(f, "\"POLYGON ((%.17g %.17g,%.17g %.17g,%.17g %.17g,%.17g %.17g,%.17g %.17g))\",\"%s\",\"\"",
                         s.LT.X, s.LT.Y, s.RT.X, s.RT.Y, s.RB.X, s.RB.Y, s.LB.X, s.LB.Y, s.LT.X, s.LT.Y,
                         s.SheetNo.c_str());
            for (auto* a : {&s.West, &s.North, &s.East, &s.North, &s.East, &s.South, &s.West, &s.South})
                std::fprintf(f, ",%s", DmsToDmsText(*a).c_str());
            for (double v : {s.LT.X, s.LT.Y, s.RT.X, s.RT.Y, s.RB.X, s.RB.Y, s.LB.X, s.LB.Y}) std::fprintf(f, ",%.17g", v);
            std::fputc('\n', f);
        }
    std::fclose(f);
    std::string csvt = path.substr(0, path.size() - 4) + ".csvt";
    f = std::fopen(csvt.c_str(), "w");
    std::fputs("WKT,String(30),String(30)", f);
    for (int i = 0; i < 16; ++i) std::fputs(",Real(15.5)", f);
    std::fputc('\n', f);
    std::fclose(f);
}

void GdalWriteMif(benchmark::State& state) {
    if (std::system("command -v ogr2ogr >/dev/null 2>&1") != 0) {
        state.SkipWithError("ogr2ogr (gdal-bin) is not installed");
        return;
    }
    WriteCsv(g_dir + "/sheets.csv");
    const std::string cmd = "cd '" + g_dir + "' && rm -rf gdal && mkdir gdal && ogr2ogr -f 'MapInfo File' -dsco FORMAT=MIF "
                            "gdal/gdal.mif sheets.csv -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("ogr2ogr failed");
    }
    state.SetItemsProcessed(state.iterations() * kSheets);
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (auto& r : runs) {
            double per = r.GetAdjustedRealTime() / 1000.0;  // milliseconds to seconds
            if (r.benchmark_name().find("GdalWriteMif") != std::string::npos) g_gdalSeconds = per;
            else if (r.benchmark_name().find("WriteMif") != std::string::npos) g_oursSeconds = per;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (g_oursSeconds > 0 && g_gdalSeconds > 0)
            std::printf("our MIF/MID / GDAL MapInfo driver: %.3f (goal: at most 1); %.0f sheets/s against %.0f\n",
                        g_oursSeconds / g_gdalSeconds, kSheets / g_oursSeconds, kSheets / g_gdalSeconds);
    }
};

BENCHMARK(WriteMif)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(GdalWriteMif)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/qm-mif-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    g_dir = tmpl;
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
}
