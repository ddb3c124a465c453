// The preview of 100,000 sheets (1:25,000, 400 columns of 250 rows): loading them into the sheet layer, and one
// full paint of the viewer at full extent into its bitmap, with the process's peak memory. Goal: the paint within
// the viewer window's 200 ms repaint tick.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <memory>

#include "app/unCreateTessarRg.h"
#include "app/unPreview.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"

namespace {

constexpr size_t kSheets = 100000;

const TStandardTessarols& Sheets() {
    static const TStandardTessarols sheets = [] {
        TStandardTessarols s;
        // 75 E .. 125 E, 25 N .. 45°50' N: 400 x 250 sheets of 7'30" x 5'.
        GetTessarols25k({{75, 0, 0}, {25, 0, 0}, {125, 0, 0}, {45, 50, 0}}, false, true, 117, s);
        return s;
    }();
    return sheets;
}

void Setup() {
    static const bool done = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        RegisterAppClasses();
        return true;
    }();
    (void)done;
}

void PeakMemory(benchmark::State& state) {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["peak_MiB"] = ru.ru_maxrss / 1024.0;
}

bool Loaded(TfrmPreview& f) {
    TGIS_LayerVector* layer = f.SheetLayer();
    return layer && layer->Shapes.size() == kSheets;
}

void LoadSheets(benchmark::State& state) {
    Setup();
    const TStandardTessarols& sheets = Sheets();
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<TfrmPreview>(Application);
        state.ResumeTiming();
        f->LoadTessarols(sheets, true);
        state.PauseTiming();
        if (!Loaded(*f)) state.SkipWithError("wrong sheet count");
        f.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations() * kSheets));
    PeakMemory(state);
}

// Arg 1: with the sheet numbers, as the preview draws; 0: the outlines alone, to tell the two costs apart.
void PaintFullExtent(benchmark::State& state) {
    Setup();
    auto f = std::make_unique<TfrmPreview>(Application);
    f->LoadTessarols(Sheets(), true);
    if (!Loaded(*f)) state.SkipWithError("wrong sheet count");
    if (!state.range(0)) f->SheetLayer()->GetParams()->Labels().SetField("");
    TGIS_ViewerWnd* v = f->Viewer();
    v->FullExtent();
    for (auto _ : state) {
        v->InvalidateCache();
        v->Draw();
    }
    state.counters["width"] = v->DeviceWidth();
    state.counters["height"] = v->DeviceHeight();
    PeakMemory(state);
}

BENCHMARK(LoadSheets)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(PaintFullExtent)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(0);

}  // namespace

BENCHMARK_MAIN();
