// 1,000,000 items into a check list, all checked, counted, scrolled to the end and painted; against the
// platform's plain multi-select list box doing the like (add, select all, count, scroll, paint). Goal: at most 1.1.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtChkLst.h"

namespace {

constexpr int kItems = 1000000;

const std::vector<std::string>& Texts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        t.reserve(kItems);
        for (int i = 0; i < kItems; ++i) t.push_back("J50E" + std::to_string(1000000 + i));
        return t;
    }();
    return texts;
}

void Setup() {
    static const bool done = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        return true;
    }();
    (void)done;
}

// A shown form holding a list of type L, 300 x 400 pixels.
template <class L>
struct Shown {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    L* list = new L(form.get());
    Shown() {
        form->SetBounds(0, 0, 320, 420);
        list->SetParent(form.get());
        list->SetBounds(0, 0, 300, 400);
        form->Show();
        list->Repaint();
    }
};

// fill adds the texts, marks every item and returns the count of marked items; marked(l, i) reads one back.
template <class L, class Fill, class Marked>
void Run(benchmark::State& state, Fill fill, Marked marked) {
    Setup();
    const auto& texts = Texts();
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Shown<L>>();
        state.ResumeTiming();
        int n = fill(s->list, texts);
        s->list->SetTopIndex(kItems - 1);
        s->list->Repaint();
        state.PauseTiming();
        if (n != kItems || s->list->TopIndex() <= 0 || !marked(s->list, 0) || !marked(s->list, kItems - 1))
            state.SkipWithError("wrong result");
        s.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kItems);
}

void BM_CheckList(benchmark::State& state) {
    Run<TVtCheckList>(state, [](TVtCheckList* l, const std::vector<std::string>& texts) {
        for (const auto& t : texts) l->Items()->Add(t);
        l->CheckAll();
        return l->ItemsChecked();
    }, [](TVtCheckList* l, int i) { return l->ItemChecked(i); });
}
BENCHMARK(BM_CheckList)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PlatformListBox(benchmark::State& state) {
    Run<TListBox>(state, [](TListBox* l, const std::vector<std::string>& texts) {
        l->SetMultiSelect(true);
        for (const auto& t : texts) l->Items()->Add(t);
        for (int i = 0; i < l->Items()->Count(); ++i) l->SetSelected(i, true);
        return l->SelCount();
    }, [](TListBox* l, int i) { return l->Selected(i); });
}
BENCHMARK(BM_PlatformListBox)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("1,000,000 items: check list / platform list box", "BM_CheckList", "BM_PlatformListBox",
                      "(goal: at most 1.1)");
    return RunWithRatios(argc, argv, reporter);
}
