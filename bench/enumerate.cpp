// Enumerates the whole of China at 1:5,000 (new standard, corners included) and times PROJ projecting
// the corner nodes of the same sheets: each of the 3,432,065 nodes once (the sheets share them), each
// in its own 6-degree zone as the engine projects it with central meridian 0, with PROJ's exact
// transverse Mercator and with its +approx variant.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <proj.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"

namespace {

const TDmsExtent kChina = {{73, 0, 0}, {18, 0, 0}, {135, 0, 0}, {54, 0, 0}};
constexpr int kColumns = 1984, kRows = 1728;  // of sheets, 112.5" x 75"
constexpr size_t kSheets = size_t{kColumns} * kRows;
constexpr size_t kNodes = size_t{kColumns + 1} * (kRows + 1);

void PeakMemory(benchmark::State& state) {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["peak_MiB"] = ru.ru_maxrss / 1024.0;
}

// Hands the memory the allocator kept back to the system, so that every enumeration writes its 650 MB
// to fresh pages, as the first one of a process does: otherwise the result of a later run depends on
// what the allocator happened to keep.
void ColdMemory(benchmark::State& state) {
    state.PauseTiming();
    malloc_trim(0);
    state.ResumeTiming();
}

void EnumerateChina(benchmark::State& state) {
    for (auto _ : state) {
        ColdMemory(state);
        TStandardTessarols t;
        GetNewTessarols(kChina, false, true, 0, 7, t);
        benchmark::DoNotOptimize(t.data());
        if (t.size() * t[0].size() != kSheets) state.SkipWithError("wrong sheet count");
    }
    state.SetItemsProcessed(state.iterations() * kSheets);
    PeakMemory(state);
}

// The same enumeration with a given number of workers (1: the caller's thread alone, the one the
// headline ratio takes, since PROJ runs on one thread).
void EnumerateChinaWorkers(benchmark::State& state) {
    const TessarIndexWindow w{73 * 32, 135 * 32, 18 * 48, 54 * 48};  // 1:5,000 sheets per degree: 32 x 48
    for (auto _ : state) {
        ColdMemory(state);
        TStandardTessarols t;
        TessarEnumerate(7, true, w, false, true, 0, t, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(t.data());
        if (t.size() * t[0].size() != kSheets) state.SkipWithError("wrong sheet count");
    }
    state.SetItemsProcessed(state.iterations() * kSheets);
}

// The nodes column by column (west to east), each column's nodes south to north, in radians; the
// nodes of one zone are contiguous.
struct Nodes {
    std::vector<double> lon, lat;
    std::vector<PJ*> zones;  // one per run of columns in one zone
    std::vector<size_t> starts;
};

Nodes MakeNodes(PJ_CONTEXT* ctx, bool approx) {
    Nodes n;
    n.lon.reserve(kNodes);
    n.lat.reserve(kNodes);
    double cmBefore = -1;
    for (int i = 0; i <= kColumns; ++i) {
        const double lonDeg = (73 * 3600.0 + i * 112.5) / 3600;
        const double cm = GetCentralMeridian(false, lonDeg);
        if (cm != cmBefore) {
            std::string def = "+proj=tmerc +lat_0=0 +lon_0=" + std::to_string(cm) +
                              " +k=1 +x_0=500000 +y_0=0 +a=6378245 +rf=298.3 +units=m +no_defs";
            if (approx) def += " +approx";
            n.zones.push_back(proj_create(ctx, def.c_str()));
            n.starts.push_back(n.lon.size());
            cmBefore = cm;
        }
        for (int j = 0; j <= kRows; ++j) {
            n.lon.push_back(proj_torad(lonDeg));
            n.lat.push_back(proj_torad((18 * 3600.0 + j * 75.0) / 3600));
        }
    }
    n.starts.push_back(n.lon.size());
    return n;
}

void ProjNodes(benchmark::State& state, bool approx) {
    PJ_CONTEXT* ctx = proj_context_create();
    const Nodes nodes = MakeNodes(ctx, approx);
    if (nodes.lon.size() != kNodes) state.SkipWithError("wrong node count");
    std::vector<double> x(kNodes), y(kNodes);
    for (auto _ : state) {
        state.PauseTiming();
        x = nodes.lon;
        y = nodes.lat;
        state.ResumeTiming();
        for (size_t z = 0; z < nodes.zones.size(); ++z) {
            const size_t b = nodes.starts[z], n = nodes.starts[z + 1] - b;
            proj_trans_generic(nodes.zones[z], PJ_FWD, &x[b], sizeof(double), n, &y[b], sizeof(double), n, nullptr,
                               0, 0, nullptr, 0, 0);
        }
        benchmark::DoNotOptimize(x.data());
    }
    if (x[0] == HUGE_VAL || y[kNodes - 1] == HUGE_VAL) state.SkipWithError("PROJ failed");
    state.SetItemsProcessed(state.iterations() * kNodes);
    for (PJ* pj : nodes.zones) proj_destroy(pj);
    proj_context_destroy(ctx);
}

void ProjNodesExact(benchmark::State& state) { ProjNodes(state, false); }
void ProjNodesApprox(benchmark::State& state) { ProjNodes(state, true); }

BENCHMARK(EnumerateChina)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(EnumerateChinaWorkers)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime()
    ->Arg(1)->Arg(2)->Arg(4);
BENCHMARK(ProjNodesExact)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ProjNodesApprox)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    // The headline compares like with like: our enumeration on one thread against PROJ on one thread.
    // The enumeration on every thread follows for information, beside its own one-thread time.
    RatioReporter reporter;
    reporter.AddRatio("enumeration on one thread / PROJ exact on the unique nodes", "EnumerateChinaWorkers/1",
                      "ProjNodesExact", "(goal: at most 1)");
    reporter.AddRatio("enumeration on one thread / PROJ +approx on the unique nodes", "EnumerateChinaWorkers/1",
                      "ProjNodesApprox", "(aim: at most 1)");
    reporter.AddRatio("enumeration on every thread / on one thread", "EnumerateChina", "EnumerateChinaWorkers/1",
                      "(threaded time for information, no goal)");
    return RunWithRatios(argc, argv, reporter);
}
