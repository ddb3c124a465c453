// Geodetic -> geocentric and back for 1,000,000 points on Krassovsky's ellipsoid, against PROJ's
// proj_trans_generic with "+proj=cart +ellps=krass" in the same run; prints the time ratios (goal: at most 1).
#include <benchmark/benchmark.h>
#include <proj.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/core/GisDatums.h"

namespace {

constexpr size_t kPoints = 1000000;
constexpr double kPi = 3.14159265358979323846;

struct Coords {
    std::vector<double> x, y, z;
};

// Longitudes and latitudes in radians over the whole globe, heights -1 km .. 9 km.
const Coords& Geodetic() {
    static Coords c = [] {
        Coords g;
        for (size_t i = 0; i < kPoints; ++i) {
            g.x.push_back(-kPi + 2 * kPi * static_cast<double>((i * 7919) % kPoints) / kPoints);
            g.y.push_back(-kPi / 2 + kPi * static_cast<double>((i * 104729) % kPoints) / kPoints);
            g.z.push_back(-1000 + 10000.0 * static_cast<double>(i % 1000) / 1000);
        }
        return g;
    }();
    return c;
}

const Coords& Geocentric() {
    static Coords c = [] {
        const TGIS_Ellipsoid& e = *GisEllipsoidList().FindByCode("KA");
        Coords g = Geodetic();
        for (size_t i = 0; i < kPoints; ++i) {
            TGIS_Point3D out;
            e.ToGeocentric(TGIS_Point3D(g.x[i], g.y[i], g.z[i]), out);
            g.x[i] = out.X, g.y[i] = out.Y, g.z[i] = out.Z;
        }
        return g;
    }();
    return c;
}

// Prepare runs outside the clock.
template <class P, class F>
void Timed(benchmark::State& state, P prepare, F run) {
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        state.ResumeTiming();
        run();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPoints));
}

void Ours(benchmark::State& state, bool inverse) {
    const TGIS_Ellipsoid& e = *GisEllipsoidList().FindByCode("KA");
    const Coords& in = inverse ? Geocentric() : Geodetic();
    Coords out{std::vector<double>(kPoints), std::vector<double>(kPoints), std::vector<double>(kPoints)};
    Timed(state, [] {}, [&] {
        TGIS_Point3D p;
        for (size_t i = 0; i < kPoints; ++i) {
            if (inverse)
                e.FromGeocentric(TGIS_Point3D(in.x[i], in.y[i], in.z[i]), p);
            else
                e.ToGeocentric(TGIS_Point3D(in.x[i], in.y[i], in.z[i]), p);
            out.x[i] = p.X, out.y[i] = p.Y, out.z[i] = p.Z;
        }
        benchmark::DoNotOptimize(out.x.data());
    });
}

void Proj(benchmark::State& state, bool inverse) {
    PJ* pj = proj_create(PJ_DEFAULT_CTX, "+proj=cart +ellps=krass");
    if (pj == nullptr) {
        state.SkipWithError("proj_create failed");
        return;
    }
    const Coords& in = inverse ? Geocentric() : Geodetic();
    Coords work;
    Timed(state, [&] { work = in; }, [&] {
        proj_trans_generic(pj, inverse ? PJ_INV : PJ_FWD, work.x.data(), sizeof(double), kPoints, work.y.data(),
                           sizeof(double), kPoints, work.z.data(), sizeof(double), kPoints, nullptr, 0, 0);
        benchmark::DoNotOptimize(work.x.data());
    });
    proj_destroy(pj);
}

BENCHMARK_CAPTURE(Ours, ToGeocentric, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Proj, ToGeocentric, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, FromGeocentric, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Proj, FromGeocentric, true)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    for (const std::string k : {"ToGeocentric", "FromGeocentric"})
        reporter.AddRatio(k + " / PROJ", "Ours/" + k, "Proj/" + k, "(goal: at most 1)");
    return RunWithRatios(argc, argv, reporter, [] {
        Geocentric();
        return true;
    });
}
