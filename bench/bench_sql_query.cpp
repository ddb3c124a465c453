// Rows per second of a three-condition query, as a layer selecting shapes evaluates it.
#include <benchmark/benchmark.h>

#include <vector>

#include "gis/core/GisSqlQuery.h"

namespace {

struct Row {
    Variant pop, code, name;
};

std::vector<Row> MakeRows(int n) {
    static const char* names[] = {"Alpha", "Beta", "Gamma", "Delta", "Anhui", "Beijing"};
    std::vector<Row> rows;
    rows.reserve(n);
    uint32_t seed = 12345;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        rows.push_back({Variant(static_cast<double>(seed % 5000)), Variant(static_cast<int>(seed >> 20) % 100),
                        Variant(names[(seed >> 8) % 6])});
    }
    return rows;
}

void BM_ThreeConditions(benchmark::State& state) {
    static const std::vector<Row> rows = MakeRows(1000000);
    TGIS_SqlQuery q;
    q.Prepare("POP > 1000 AND (CODE BETWEEN 10 AND 60) OR NAME LIKE 'A%'");
    const Row* row = nullptr;
    TGIS_SqlFieldEvent field = [&row](const std::string& f) -> Variant {
        if (f == "POP") return row->pop;
        if (f == "CODE") return row->code;
        return row->name;
    };
    int64_t hits = 0;
    for (auto _ : state) {
        for (const Row& r : rows) {
            row = &r;
            hits += q.Evaluate(false, field);
        }
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows.size()));
    state.counters["rows_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations() * rows.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ThreeConditions)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
