// Forward and inverse Gauss-Krueger projections per second on both datums.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/unTessarRgPub.h"

namespace {

std::vector<std::pair<TDmsAngle, TDmsAngle>> Points() {
    std::vector<std::pair<TDmsAngle, TDmsAngle>> pts;
    for (int i = 0; i < 1024; ++i)
        pts.push_back({DegreeToDms(114 + 6.0 * i / 1024), DegreeToDms(18 + 36.0 * ((i * 37) % 1024) / 1024)});
    return pts;
}

template <TPlanePoint (*F)(const TDmsAngle&, const TDmsAngle&, bool, double)>
void Forward(benchmark::State& state) {
    auto pts = Points();
    size_t i = 0;
    for (auto _ : state) {
        auto& p = pts[i++ & 1023];
        benchmark::DoNotOptimize(F(p.first, p.second, false, 117));
    }
    state.SetItemsProcessed(state.iterations());
}

template <TPlanePoint (*F)(const TDmsAngle&, const TDmsAngle&, bool, double),
          void (*G)(double, double, bool, double, TDmsAngle&, TDmsAngle&)>
void Inverse(benchmark::State& state) {
    std::vector<TPlanePoint> xy;
    for (auto& p : Points()) xy.push_back(F(p.first, p.second, false, 117));
    size_t i = 0;
    TDmsAngle L, B;
    for (auto _ : state) {
        auto& p = xy[i++ & 1023];
        G(p.Y, p.X, false, 117, L, B);
        benchmark::DoNotOptimize(L);
        benchmark::DoNotOptimize(B);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(Forward<BLToXY54>)->Name("BLToXY54");
BENCHMARK(Forward<BLToXY80>)->Name("BLToXY80");
BENCHMARK((Inverse<BLToXY54, XYToBL54>))->Name("XYToBL54");
BENCHMARK((Inverse<BLToXY80, XYToBL80>))->Name("XYToBL80");

}  // namespace

BENCHMARK_MAIN();
