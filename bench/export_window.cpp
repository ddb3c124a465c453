// The MIF (metres) and spreadsheet exports of 1,000,000 sheets from the main window (off screen, with the
// real progress form) against the engine's exporters with the recording progress, in one run: the
// window's share of the time is its progress form and message processing.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

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

bool RightCount(benchmark::State& state) {
    size_t n = 0;
    for (auto& column : Window()->Sheets54()) n += column.size();
    if (n == kSheets) return true;
    state.SkipWithError("wrong sheet count");
    return false;
}

void FromWindow(benchmark::State& state, void (TfrmCreateTessarRg::*command)(TObject*), const std::string& file) {
    TfrmCreateTessarRg* f = Window();
    if (!RightCount(state)) return;
    SetFileDialogHook([file](TOpenDialog*) { return file; });
    // The shell's own progress, as the window installs it (the engine's runs replace it).
    static TProgBarProgress shell;
    SetTessarProgress(&shell);
    for (auto _ : state) {
        (f->*command)(nullptr);
        if (!frmProgBar || frmProgBar->VtProgressBar1->Percent() != 100 || !std::filesystem::exists(file)) {
            state.SkipWithError("the export did not finish");
            break;
        }
        state.PauseTiming();
        std::filesystem::remove(file);
        frmProgBar->VtBitBtn1Click(nullptr);
        Application->ProcessMessages();
        state.ResumeTiming();
    }
    SetFileDialogHook(nullptr);
    state.SetItemsProcessed(state.iterations() * kSheets);
}

template <class Export>
void FromEngine(benchmark::State& state, const std::string& file, Export run) {
    if (!RightCount(state)) return;
    for (auto _ : state) {
        TRecordingTessarProgress progress;
        SetTessarProgress(&progress);
        run(file);
        SetTessarProgress(nullptr);
        if (progress.Dialogs.back().Percent != 100 || !std::filesystem::exists(file)) {
            state.SkipWithError("the export did not finish");
            break;
        }
        state.PauseTiming();
        std::filesystem::remove(file);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSheets);
}

void MifWindow(benchmark::State& state) { FromWindow(state, &TfrmCreateTessarRg::N2Click, g_dir + "/w.mif"); }
void MifEngine(benchmark::State& state) {
    FromEngine(state, g_dir + "/e.mif",
               [](const std::string& file) { SaveTessarolsToMif(file, Window()->Sheets54(), true); });
}
void XlsWindow(benchmark::State& state) { FromWindow(state, &TfrmCreateTessarRg::Excel1Click, g_dir + "/w.xlsx"); }
void XlsEngine(benchmark::State& state) {
    FromEngine(state, g_dir + "/e.xlsx", [](const std::string& file) {
        ExportTessarolsToExcel(file, "图幅表（北京54坐标系，单位：米）", kHeader, Window()->Sheets54(), true, true, false);
    });
}

BENCHMARK(MifEngine)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(MifWindow)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(XlsEngine)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(XlsWindow)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchTempDir dir("qm_bench_export_window");
    if (dir.Path().empty()) return 1;
    g_dir = dir.Path();
    RatioReporter reporter;
    // The progress bar repaints only when its percentage changes, so the MIF export through the window costs
    // little more than the engine's.
    for (const std::string kind : {"Mif", "Xls"})
        reporter.AddRatio(kind + " export, main window / engine", kind + "Window", kind + "Engine",
                          kind == "Mif" ? "(goal: at most 1.05)" : "(goal: at most 1.3)");
    return RunWithRatios(argc, argv, reporter);
}
