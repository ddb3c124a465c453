// The preview of 100,000 sheets (1:25,000, 400 columns of 250 rows), or with --million of 1,000,000 (1:5,000, 1600
// columns of 625 rows): loading them into the sheet layer, and one full paint of the viewer at full extent into
// its bitmap, with the heap the loaded sheets add and the process's peak memory. Goal: the paint within the viewer
// window's 200 ms repaint tick.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "app/unCreateTessarRg.h"
#include "app/unPreview.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"

namespace {

bool million = false;

const TStandardTessarols& Sheets() {
    static const TStandardTessarols sheets = [] {
        TStandardTessarols s;
        if (million)  // 75 E .. 125 E, 25 N .. 38°01'15" N: 1600 x 625 sheets of 1'52.5" x 1'15".
            GetTessarols5k({{75, 0, 0}, {25, 0, 0}, {125, 0, 0}, {38, 1, 15}}, false, true, 117, s);
        else  // 75 E .. 125 E, 25 N .. 45°50' N: 400 x 250 sheets of 7'30" x 5'.
            GetTessarols25k({{75, 0, 0}, {25, 0, 0}, {125, 0, 0}, {45, 50, 0}}, false, true, 117, s);
        return s;
    }();
    return sheets;
}

size_t SheetCount() { return million ? 1000000 : 100000; }

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

size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

bool Loaded(TfrmPreview& f) {
    TGIS_LayerVector* layer = f.SheetLayer();
    return layer && layer->Shapes.size() == SheetCount();
}

// As the application does: the list built beforehand is moved in. `bytes_per_sheet` is the heap the window holds
// after the load beyond what it and the list held before, per sheet.
void LoadSheets(benchmark::State& state) {
    Setup();
    const TStandardTessarols& sheets = Sheets();
    size_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<TfrmPreview>(Application);
        TStandardTessarols copy = sheets;
        const size_t before = HeapInUse();
        state.ResumeTiming();
        f->LoadTessarols(std::move(copy), true);
        state.PauseTiming();
        added = HeapInUse() - before;
        if (!Loaded(*f)) state.SkipWithError("wrong sheet count");
        f.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations() * SheetCount()));
    state.counters["bytes_per_sheet"] = double(added) / double(SheetCount());
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

int main(int argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--million") == 0)
            million = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
