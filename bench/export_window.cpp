// The MIF (metres) and spreadsheet exports of 1,000,000 sheets from the main window (off screen, with the
// real progress form) against the engine's exporters with the recording progress, in one run: the
// window's share of the time is its progress form and message processing.
//
// An export runs on the caller's thread alone, so its time is that thread's CPU time: on a shared machine the
// wall time also holds whatever else ran on the core. The MIF exports run in pairs, one from each side, which
// side first turning each time; the ratio is the median of the pairs' ratios.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/unCreateTessarRg.h"
#include "app/unProgBar.h"
#include "bench/BenchRatios.h"
#include "engine/testsupport/RecordingTessarProgress.h"
#include "engine/unTessarRgPub.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtCmboBx.h"
#include "widgets/VtPrgres.h"
#include "widgets/VtRadChk.h"
#include "widgets/VtSpnEdt.h"

namespace {

constexpr size_t kSheets = 1000000;
const char* const kHeader = "图幅号,最小经度,最小纬度,最大经度,最大纬度,X1,Y1,X2,Y2,X3,Y3,X4,Y4";
std::string g_dir;

// The main window with 1000 x 1000 sheets at 1:5,000 (new numbering) generated on page 0.
TfrmCreateTessarRg* Window() {
    static TfrmCreateTessarRg* f = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        RegisterAppClasses();
        auto* w = new TfrmCreateTessarRg(Application);
        w->AfterConstruction();
        w->Show();
        auto spin = [&](int n, double v) {
            dynamic_cast<TVtSpinEdit*>(w->FindComponent("VtSpinEdit" + std::to_string(n)))->SetValue(v);
        };
        const double window[12] = {96, 0, 0, 20, 0, 0, 127, 15, 0, 40, 50, 0};
        for (int i = 0; i < 12; ++i) spin(i + 1, window[i]);
        spin(13, 0);
        dynamic_cast<TVtRadioButton*>(w->FindComponent("VtRadioButton1"))->SetChecked(true);
        dynamic_cast<TVtComboBox*>(w->FindComponent("VtComboBox1"))->SetItemIndex(1);  // 6-degree zones
        dynamic_cast<TVtComboBox*>(w->FindComponent("VtComboBox2"))->SetItemIndex(7);  // 1:5,000
        w->VtBitBtn1Click(nullptr);
        Application->ProcessMessages();
        return w;
    }();
    return f;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

bool RightCount(benchmark::State& state) {
    size_t n = 0;
    for (auto& column : Window()->Sheets54()) n += column.size();
    if (n == kSheets) return true;
    state.SkipWithError("wrong sheet count");
    return false;
}

// One export from the window, as the user makes it: the thread's CPU seconds, or -1 when it did not finish.
double WindowExport(void (TfrmCreateTessarRg::*command)(TObject*), const std::string& file) {
    TfrmCreateTessarRg* f = Window();
    SetFileDialogHook([file](TOpenDialog*) { return file; });
    // The shell's own progress, as the window installs it (the engine's runs replace it).
    static TProgBarProgress shell;
    SetTessarProgress(&shell);
    const double start = ThreadCpuSeconds();
    (f->*command)(nullptr);
    const double seconds = ThreadCpuSeconds() - start;
    SetFileDialogHook(nullptr);
    const bool done = frmProgBar && frmProgBar->VtProgressBar1->Percent() == 100 && std::filesystem::exists(file);
    std::filesystem::remove(file);
    if (frmProgBar) frmProgBar->VtBitBtn1Click(nullptr);
    Application->ProcessMessages();
    return done ? seconds : -1;
}

// One export by the engine's exporter with the recording progress.
template <class Export>
double EngineExport(const std::string& file, Export run) {
    TRecordingTessarProgress progress;
    SetTessarProgress(&progress);
    const double start = ThreadCpuSeconds();
    run(file);
    const double seconds = ThreadCpuSeconds() - start;
    SetTessarProgress(nullptr);
    const bool done = !progress.Dialogs.empty() && progress.Dialogs.back().Percent == 100 && std::filesystem::exists(file);
    std::filesystem::remove(file);
    return done ? seconds : -1;
}

double MifFromWindow() { return WindowExport(&TfrmCreateTessarRg::N2Click, g_dir + "/w.mif"); }
double MifFromEngine() {
    return EngineExport(g_dir + "/e.mif", [](const std::string& file) { SaveTessarolsToMif(file, Window()->Sheets54(), true); });
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Paired {
    double ratio = 0, window = 0, engine = 0;
    size_t pairs = 0;
} g_mif;

// The MIF export from the engine and from the window in pairs, which side first turning each time: the load of a
// shared machine drifts over seconds, and a pair shares it. The ratio is the median of the pairs' ratios.
void MifPairs(benchmark::State& state) {
    if (!RightCount(state)) return;
    std::vector<double> ratios, windows, engines;
    for (auto _ : state) {
        double engine, window;
        if (ratios.size() % 2 == 0) {
            engine = MifFromEngine();
            window = MifFromWindow();
        } else {
            window = MifFromWindow();
            engine = MifFromEngine();
        }
        if (engine <= 0 || window <= 0) {
            state.SkipWithError("the export did not finish");
            break;
        }
        state.SetIterationTime(window);
        ratios.push_back(window / engine);
        windows.push_back(window);
        engines.push_back(engine);
    }
    g_mif = {Median(ratios), Median(windows), Median(engines), ratios.size()};
    state.counters["engine_ms"] = g_mif.engine * 1000;
    state.counters["window_ms"] = g_mif.window * 1000;
    state.counters["ratio"] = g_mif.ratio;
    state.SetItemsProcessed(state.iterations() * kSheets);
}

template <class Export>
void Timed(benchmark::State& state, Export run) {
    if (!RightCount(state)) return;
    for (auto _ : state) {
        const double seconds = run();
        if (seconds <= 0) {
            state.SkipWithError("the export did not finish");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.SetItemsProcessed(state.iterations() * kSheets);
}

void XlsWindow(benchmark::State& state) {
    Timed(state, [] { return WindowExport(&TfrmCreateTessarRg::Excel1Click, g_dir + "/w.xlsx"); });
}
void XlsEngine(benchmark::State& state) {
    Timed(state, [] {
        return EngineExport(g_dir + "/e.xlsx", [](const std::string& file) {
            ExportTessarolsToExcel(file, "图幅表（北京54坐标系，单位：米）", kHeader, Window()->Sheets54(), true, true, false);
        });
    });
}

// The window's export time of the pairs is the benchmark's.
BENCHMARK(MifPairs)->Unit(benchmark::kMillisecond)->Iterations(10)->UseManualTime();
BENCHMARK(XlsEngine)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(XlsWindow)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    BenchTempDir dir("qm_bench_export_window");
    if (dir.Path().empty()) return 1;
    g_dir = dir.Path();
    RatioReporter reporter;
    // The progress bar repaints only when its percentage changes, so the MIF export through the window costs
    // little more than the engine's.
    reporter.AddRatio("Xls export, main window / engine", "XlsWindow", "XlsEngine", "(goal: at most 1.3)");
    const int status = RunWithRatios(argc, argv, reporter);
    if (g_mif.pairs > 0)
        std::printf("Mif export, main window / engine: %.3f  (goal: at most 1.05); median of %zu pairs, window %.0f ms "
                    "against engine %.0f ms (medians)\n",
                    g_mif.ratio, g_mif.pairs, g_mif.window * 1000, g_mif.engine * 1000);
    return status;
}
