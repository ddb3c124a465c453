// Enumerates the whole of China at 1:5,000 (new standard, corners included) and, in the same run,
// times PROJ projecting the same number of corner points on the same ellipsoid.
#include <benchmark/benchmark.h>
#include <proj.h>
#include <sys/resource.h>

#include <cstdio>
#include <vector>

#include "engine/unTessarRgPub.h"

namespace {

const TDmsExtent kChina = {{73, 0, 0}, {18, 0, 0}, {135, 0, 0}, {54, 0, 0}};
constexpr size_t kSheets = 3428352;
double g_engineSeconds = 0, g_projSeconds = 0;

void EnumerateChina(benchmark::State& state) {
    for (auto _ : state) {
        TStandardTessarols t;
        GetNewTessarols(kChina, false, true, 0, 7, t);
        benchmark::DoNotOptimize(t.data());
        if (t.size() * t[0].size() != kSheets) state.SkipWithError("wrong sheet count");
    }
    state.SetItemsProcessed(state.iterations() * kSheets);
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["peak_MiB"] = ru.ru_maxrss / 1024.0;
}

void ProjCorners(benchmark::State& state) {
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* pj = proj_create(ctx, "+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=20500000 +y_0=0 +a=6378245 +rf=298.3");
    const size_t n = 4 * kSheets;
    std::vector<double> x(n), y(n);
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < n; ++i) {
            x[i] = proj_torad(73 + 62.0 * (i % 1985) / 1985);
            y[i] = proj_torad(18 + 36.0 * (i / 1985 % 1729) / 1729);
        }
        state.ResumeTiming();
        proj_trans_generic(pj, PJ_FWD, x.data(), sizeof(double), n, y.data(), sizeof(double), n, nullptr, 0, 0,
                           nullptr, 0, 0);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(state.iterations() * kSheets);
    proj_destroy(pj);
    proj_context_destroy(ctx);
}

// Times each side over whole iterations and reports the ratio once both have run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (auto& r : runs) {
            double per = r.GetAdjustedRealTime() / 1000.0;  // milliseconds to seconds
            if (r.benchmark_name().find("EnumerateChina") != std::string::npos) g_engineSeconds = per;
            if (r.benchmark_name().find("ProjCorners") != std::string::npos) g_projSeconds = per;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (g_engineSeconds > 0 && g_projSeconds > 0)
            std::printf("whole enumeration / PROJ corners alone: %.3f (goal: at most 1)\n", g_engineSeconds / g_projSeconds);
    }
};

BENCHMARK(EnumerateChina)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ProjCorners)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
