// R-tree: 1,000,000 extents, then 10,000 window searches of about 100 hits each, against libspatialindex
// (R*-tree) on the same data. Ours searches its pages held in memory (a file-backed index writes them
// through to its file), so libspatialindex runs twice: with its memory storage, the like-for-like peer,
// and with its disk storage. Every index must give the same hits for every window; prints the time ratios.
#include <benchmark/benchmark.h>
#include <spatialindex/SpatialIndex.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/core/GisRTree.h"

namespace {

constexpr int kExtents = 1000000;
constexpr int kWindows = 10000;
// 1,000,000 extents of up to 1 x 1 on 1000 x 1000: a 10 x 10 window meets about 110.
constexpr double kWorld = 1000, kWindow = 10;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct Data {
    std::vector<TGIS_Extent> extents, windows;
    Data() {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> pos(0, kWorld), size(0, 1), win(0, kWorld - kWindow);
        for (int i = 0; i < kExtents; ++i) {
            double x = pos(rng), y = pos(rng);
            extents.push_back(GisMakeExtent(x, y, x + size(rng), y + size(rng)));
        }
        for (int i = 0; i < kWindows; ++i) {
            double x = win(rng), y = win(rng);
            windows.push_back(GisMakeExtent(x, y, x + kWindow, y + kWindow));
        }
    }
};

Data& TheData() {
    static Data d;
    return d;
}

// The run's temporary folder.
std::string g_dir;

std::unique_ptr<TGIS_RTree> g_ours;

TGIS_RTree& Ours() {
    if (!g_ours) {
        Data& d = TheData();
        auto t0 = Clock::now();
        g_ours = std::make_unique<TGIS_RTree>(g_dir + "/quillmark.rtree");
        for (int i = 0; i < kExtents; ++i) g_ours->Insert(d.extents[i], i + 1);
        std::printf("quillmark build: %.2f s, %s\n", SecondsSince(t0),
                    g_ours->Path().empty() ? "in memory (file unusable)" : "file-backed");
    }
    return *g_ours;
}

struct Peer {
    std::unique_ptr<SpatialIndex::IStorageManager> storage;
    std::unique_ptr<SpatialIndex::ISpatialIndex> tree;
};

Peer g_disk, g_memory;

SpatialIndex::Region RegionOf(const TGIS_Extent& e) {
    double lo[2] = {e.XMin, e.YMin}, hi[2] = {e.XMax, e.YMax};
    return SpatialIndex::Region(lo, hi, 2);
}

SpatialIndex::ISpatialIndex& Theirs(bool disk) {
    Peer& p = disk ? g_disk : g_memory;
    if (!p.tree) {
        Data& d = TheData();
        auto t0 = Clock::now();
        std::string base = g_dir + "/libspatialindex";
        p.storage.reset(disk ? SpatialIndex::StorageManager::createNewDiskStorageManager(base, 4096)
                             : SpatialIndex::StorageManager::createNewMemoryStorageManager());
        SpatialIndex::id_type indexId;
        p.tree.reset(SpatialIndex::RTree::createNewRTree(*p.storage, 0.7, 100, 100, 2,
                                                          SpatialIndex::RTree::RV_RSTAR, indexId));
        for (int i = 0; i < kExtents; ++i) p.tree->insertData(0, nullptr, RegionOf(d.extents[i]), i + 1);
        p.tree->flush();
        std::printf("libspatialindex build (%s storage): %.2f s\n", disk ? "disk" : "memory", SecondsSince(t0));
    }
    return *p.tree;
}

struct Counter : SpatialIndex::IVisitor {
    int64_t hits = 0;
    void visitNode(const SpatialIndex::INode&) override {}
    void visitData(const SpatialIndex::IData&) override { ++hits; }
    void visitData(std::vector<const SpatialIndex::IData*>& v) override { hits += static_cast<int64_t>(v.size()); }
};

int64_t OurHits(TGIS_RTree& t, const TGIS_Extent& e) {
    int64_t hits = 0;
    for (int32_t id = t.FindFirst(e, -1); id >= 0; id = t.FindNext()) ++hits;
    return hits;
}

int64_t TheirHits(SpatialIndex::ISpatialIndex& t, const TGIS_Extent& e) {
    Counter c;
    t.intersectsWithQuery(RegionOf(e), c);
    return c.hits;
}

// Window by window, every index finds as many extents as a plain scan.
bool SameHits() {
    const Data& d = TheData();
    for (int w = 0; w < kWindows; w += 97) {
        const TGIS_Extent& e = d.windows[w];
        int64_t scan = 0;
        for (const TGIS_Extent& x : d.extents) scan += GisExtentsOverlap(x, e);
        int64_t ours = OurHits(Ours(), e), disk = TheirHits(Theirs(true), e), memory = TheirHits(Theirs(false), e);
        if (ours != scan || disk != scan || memory != scan) {
            std::fprintf(stderr, "window %d: scan %lld, quillmark %lld, libspatialindex disk %lld, memory %lld\n", w,
                         static_cast<long long>(scan), static_cast<long long>(ours), static_cast<long long>(disk),
                         static_cast<long long>(memory));
            return false;
        }
    }
    return true;
}

// All hits of one pass over the windows, of whichever index was timed first.
int64_t g_hits = -1;

template <class Search>
void Measure(benchmark::State& state, Search search) {
    const int64_t hits = CountPasses(state, TheData().windows, search);
    if (g_hits < 0) g_hits = hits;
    if (hits != g_hits) state.SkipWithError("the hits differ from another index's");
    state.counters["hits_per_search"] = static_cast<double>(hits) / kWindows;
    state.SetItemsProcessed(state.iterations() * kWindows);
}

void BM_QuillmarkSearch(benchmark::State& state) {
    TGIS_RTree& t = Ours();
    Measure(state, [&t](const TGIS_Extent& e) { return OurHits(t, e); });
}
BENCHMARK(BM_QuillmarkSearch)->Unit(benchmark::kMillisecond);

void BM_LibSpatialIndexMemorySearch(benchmark::State& state) {
    SpatialIndex::ISpatialIndex& t = Theirs(false);
    Measure(state, [&t](const TGIS_Extent& e) { return TheirHits(t, e); });
}
BENCHMARK(BM_LibSpatialIndexMemorySearch)->Unit(benchmark::kMillisecond);

void BM_LibSpatialIndexDiskSearch(benchmark::State& state) {
    SpatialIndex::ISpatialIndex& t = Theirs(true);
    Measure(state, [&t](const TGIS_Extent& e) { return TheirHits(t, e); });
}
BENCHMARK(BM_LibSpatialIndexDiskSearch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    BenchTempDir dir("qm_bench_rtree");
    if (dir.Path().empty()) return 1;
    g_dir = dir.Path();
    RatioReporter reporter;
    reporter.AddRatio("search time quillmark / libspatialindex memory storage", "BM_QuillmarkSearch",
                      "BM_LibSpatialIndexMemorySearch", "(goal: at most 1)");
    reporter.AddRatio("search time quillmark / libspatialindex disk storage", "BM_QuillmarkSearch",
                      "BM_LibSpatialIndexDiskSearch", "(goal: at most 1)");
    const int rc = RunWithRatios(argc, argv, reporter, [] {
        if (SameHits()) return true;
        std::fprintf(stderr, "bench_rtree: the indexes disagree; no timing\n");
        return false;
    });
    // Their files close before the folder goes.
    g_ours.reset();
    for (Peer* p : {&g_disk, &g_memory}) {
        p->tree.reset();
        p->storage.reset();
    }
    return rc;
}
