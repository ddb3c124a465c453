// File-backed R-tree: 1,000,000 extents, then 10,000 window searches of about 100 hits each,
// against libspatialindex (disk storage, R*-tree) on the same data; prints the time ratio.
#include <benchmark/benchmark.h>
#include <spatialindex/SpatialIndex.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "gis/core/GisRTree.h"

namespace {

constexpr int kExtents = 1000000;
constexpr int kWindows = 10000;
// 1,000,000 extents of up to 1 x 1 on 1000 x 1000: a 10 x 10 window meets about 110.
constexpr double kWorld = 1000, kWindow = 10;

using Clock = std::chrono::steady_clock;

struct Data {
    std::vector<TGIS_Extent> extents, windows;
    std::string dir;
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
        dir = (std::filesystem::temp_directory_path() / "qm_bench_rtree").string();
        std::filesystem::create_directories(dir);
    }
};

Data& TheData() {
    static Data d;
    return d;
}

double g_ours = 0, g_theirs = 0;  // seconds per 10,000 searches

TGIS_RTree& Ours() {
    static TGIS_RTree* tree = [] {
        Data& d = TheData();
        std::string path = d.dir + "/quillmark.rtree";
        std::filesystem::remove(path);
        auto t0 = Clock::now();
        auto* t = new TGIS_RTree(path);
        for (int i = 0; i < kExtents; ++i) t->Insert(d.extents[i], i + 1);
        std::printf("quillmark build: %.2f s, %s\n", std::chrono::duration<double>(Clock::now() - t0).count(),
                    t->Path().empty() ? "in memory (file unusable)" : "file-backed");
        return t;
    }();
    return *tree;
}

struct Counter : SpatialIndex::IVisitor {
    int64_t hits = 0;
    void visitNode(const SpatialIndex::INode&) override {}
    void visitData(const SpatialIndex::IData&) override { ++hits; }
    void visitData(std::vector<const SpatialIndex::IData*>& v) override { hits += static_cast<int64_t>(v.size()); }
};

SpatialIndex::Region RegionOf(const TGIS_Extent& e) {
    double lo[2] = {e.XMin, e.YMin}, hi[2] = {e.XMax, e.YMax};
    return SpatialIndex::Region(lo, hi, 2);
}

SpatialIndex::ISpatialIndex& Theirs() {
    static SpatialIndex::ISpatialIndex* tree = [] {
        Data& d = TheData();
        std::string base = d.dir + "/libspatialindex";
        std::filesystem::remove(base + ".dat");
        std::filesystem::remove(base + ".idx");
        auto t0 = Clock::now();
        SpatialIndex::IStorageManager* disk = SpatialIndex::StorageManager::createNewDiskStorageManager(base, 4096);
        SpatialIndex::id_type indexId;
        SpatialIndex::ISpatialIndex* t =
            SpatialIndex::RTree::createNewRTree(*disk, 0.7, 100, 100, 2, SpatialIndex::RTree::RV_RSTAR, indexId);
        for (int i = 0; i < kExtents; ++i) t->insertData(0, nullptr, RegionOf(d.extents[i]), i + 1);
        t->flush();
        std::printf("libspatialindex build: %.2f s\n", std::chrono::duration<double>(Clock::now() - t0).count());
        return t;
    }();
    return *tree;
}

void BM_QuillmarkSearch(benchmark::State& state) {
    TGIS_RTree& t = Ours();
    const auto& w = TheData().windows;
    int64_t hits = 0;
    double seconds = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        for (const TGIS_Extent& e : w)
            for (int32_t id = t.FindFirst(e, -1); id >= 0; id = t.FindNext()) ++hits;
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    g_ours = seconds / static_cast<double>(state.iterations());
    state.counters["hits_per_search"] = static_cast<double>(hits) / (static_cast<double>(state.iterations()) * kWindows);
    state.SetItemsProcessed(state.iterations() * kWindows);
}
BENCHMARK(BM_QuillmarkSearch)->Unit(benchmark::kMillisecond);

void BM_LibSpatialIndexSearch(benchmark::State& state) {
    SpatialIndex::ISpatialIndex& t = Theirs();
    const auto& w = TheData().windows;
    Counter c;
    double seconds = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        for (const TGIS_Extent& e : w) t.intersectsWithQuery(RegionOf(e), c);
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    g_theirs = seconds / static_cast<double>(state.iterations());
    state.counters["hits_per_search"] = static_cast<double>(c.hits) / (static_cast<double>(state.iterations()) * kWindows);
    state.SetItemsProcessed(state.iterations() * kWindows);
}
BENCHMARK(BM_LibSpatialIndexSearch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_ours > 0 && g_theirs > 0)
        std::printf("search time quillmark / libspatialindex: %.3f (goal: at most 1)\n", g_ours / g_theirs);
    benchmark::Shutdown();
    return 0;
}
