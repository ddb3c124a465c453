// Generate on the Beijing 1954 page for all of China: at 1:10,000 (73-135 E, 18-54 N, 857,088 sheets) and at
// 1:5,000 (73-135 E, 18-53 N, 3,333,120 sheets). Each benchmark lists twice in a fresh window: the first
// listing, then the same list made again over it. It reports the time of a listing and the peak memory each
// listing reached above the process's floor (its resident memory before the first), and ends with the lines
// that compare those with the goals.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "app/unCreateTessarRg.h"
#include "platform/rtl/MemoryStatus.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtChkLst.h"
#include "widgets/VtCmboBx.h"
#include "widgets/VtSpnEdt.h"

namespace {

// The resident memory now and its high-water mark ("VmRSS", "VmHWM" of /proc/self/status), in bytes.
double StatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string k = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.compare(0, k.size(), k) == 0) return std::strtod(line.c_str() + k.size(), nullptr) * 1024;
    return 0;
}

// Lowers the high-water mark to the resident memory now; false where the system cannot.
bool ResetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return bool(out);
}

struct Listing {
    double firstSeconds = 0, secondSeconds = 0;
    double firstPeak = 0, secondPeak = 0;  // above the floor, bytes
    long long sheets = 0;
    bool peaksKnown = false;
};
std::map<int, Listing> g_listings;  // by scale index

void GenerateChina(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const long long expected = scale == 7 ? 3333120 : 857088;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static bool initialised = false;
    if (!initialised) {
        Application->Initialize();
        RegisterAppClasses();
        initialised = true;
    }
    auto* f = new TfrmCreateTessarRg(Application);
    f->AfterConstruction();
    auto spin = [&](int n, double v) {
        dynamic_cast<TVtSpinEdit*>(f->FindComponent("VtSpinEdit" + std::to_string(n)))->SetValue(v);
    };
    spin(1, 73);
    spin(4, 18);
    spin(7, 135);
    spin(10, scale == 7 ? 53 : 54);
    dynamic_cast<TVtComboBox*>(f->FindComponent("VtComboBox2"))->SetItemIndex(scale);
    ReturnFreeMemory();
    const double floor = StatusBytes("VmRSS");
    Listing& l = g_listings[scale];
    l.sheets = expected;
    l.peaksKnown = ResetPeak();
    int run = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        f->VtBitBtn1Click(nullptr);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        if (f->CheckList(1)->Items()->Count() != expected) state.SkipWithError("wrong sheet count");
        const double peak = StatusBytes("VmHWM") - floor;
        (run == 0 ? l.firstSeconds : l.secondSeconds) = seconds;
        (run == 0 ? l.firstPeak : l.secondPeak) = peak;
        ++run;
        l.peaksKnown = l.peaksKnown && ResetPeak();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * expected);
    state.counters["floor_MiB"] = floor / (1 << 20);
    state.counters["first_MiB"] = l.firstPeak / (1 << 20);
    state.counters["second_MiB"] = l.secondPeak / (1 << 20);
    delete f;
}

BENCHMARK(GenerateChina)->Arg(6)->Arg(7)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [scale, l] : g_listings) {
        const char* name = scale == 7 ? "China at 1:5,000" : "China at 1:10,000";
        if (l.firstSeconds <= 0) continue;
        std::printf("%s, listing time: first %.3f s, second %.3f s  (goal at 1:5,000: at most 1.5 s)\n", name,
                    l.firstSeconds, l.secondSeconds);
        if (!l.peaksKnown) {
            std::printf("%s: the peak memory cannot be reset here, so it is not reported\n", name);
            continue;
        }
        std::printf("%s, bytes per listed sheet above the floor: %.0f  (goal: at most 400)\n", name,
                    l.firstPeak / static_cast<double>(l.sheets));
        std::printf("%s, second listing's peak / first's: %.3f  (goal: at most 1); %.0f MiB against %.0f MiB\n",
                    name, l.secondPeak / l.firstPeak, l.secondPeak / (1 << 20), l.firstPeak / (1 << 20));
    }
    std::fflush(stdout);
    return 0;
}
