// Forward and inverse Gauss-Krueger projections on both datums beside PROJ's transverse Mercator, exact
// and +approx, on the same 1024 points (6-degree zone of 117 E, 18 N to 54 N). Each iteration
// projects all the points: the engine one call per point, PROJ one proj_trans_generic call over
// arrays (its fastest way). Before timing, the results are checked against each other.
#include <benchmark/benchmark.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "engine/unTessarRgPub.h"

namespace {

constexpr int kPoints = 1024;
constexpr double kCm = 117, kFalseEasting = 20500000;

struct Datum {
    const char* name;  // "54" or "80"
    const char* label;
    const char* ellipsoid;
    TPlanePoint (*forward)(const TDmsAngle&, const TDmsAngle&, bool, double);
    void (*inverse)(double, double, bool, double, TDmsAngle&, TDmsAngle&);
};
const Datum kDatums[] = {{"54", "Beijing 1954", "+a=6378245 +rf=298.3", BLToXY54, XYToBL54},
                         {"80", "Xi'an 1980", "+a=6378140 +rf=298.257", BLToXY80, XYToBL80}};

// Longitude and latitude in degrees.
struct Points {
    std::vector<double> lon, lat;
    std::vector<TDmsAngle> L, B;
};

const Points& GeoPoints() {
    static const Points pts = [] {
        Points p;
        for (int i = 0; i < kPoints; ++i) {
            p.L.push_back(DegreeToDms(114 + 6.0 * i / kPoints));
            p.B.push_back(DegreeToDms(18 + 36.0 * ((i * 37) % kPoints) / kPoints));
            p.lon.push_back(DmsToDegree(p.L.back()));
            p.lat.push_back(DmsToDegree(p.B.back()));
        }
        return p;
    }();
    return pts;
}

// The engine's own forward projection of the points: the input of every inverse.
std::vector<TPlanePoint> PlanePoints(const Datum& d) {
    const Points& g = GeoPoints();
    std::vector<TPlanePoint> xy;
    for (int i = 0; i < kPoints; ++i) xy.push_back(d.forward(g.L[i], g.B[i], false, kCm));
    return xy;
}

class Proj {
public:
    Proj(const Datum& d, bool approx) : ctx_(proj_context_create()) {
        std::string def = "+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=20500000 +y_0=0 " + std::string(d.ellipsoid) +
                          " +units=m +no_defs" + (approx ? " +approx" : "");
        pj_ = proj_create(ctx_, def.c_str());
    }
    ~Proj() {
        proj_destroy(pj_);
        proj_context_destroy(ctx_);
    }
    bool Ok() const { return pj_ != nullptr; }
    // In place: radians to metres (PJ_FWD) or metres to radians (PJ_INV).
    void Trans(PJ_DIRECTION dir, std::vector<double>& a, std::vector<double>& b) const {
        proj_trans_generic(pj_, dir, a.data(), sizeof(double), a.size(), b.data(), sizeof(double), b.size(), nullptr,
                           0, 0, nullptr, 0, 0);
    }

private:
    PJ_CONTEXT* ctx_;
    PJ* pj_;
};

void EngineForward(benchmark::State& state, const Datum& d) {
    const Points& g = GeoPoints();
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) benchmark::DoNotOptimize(d.forward(g.L[i], g.B[i], false, kCm));
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void EngineInverse(benchmark::State& state, const Datum& d) {
    const std::vector<TPlanePoint> xy = PlanePoints(d);
    TDmsAngle L, B;
    for (auto _ : state)
        for (auto& p : xy) {
            d.inverse(p.Y, p.X, false, kCm, L, B);
            benchmark::DoNotOptimize(L);
            benchmark::DoNotOptimize(B);
        }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

// PROJ transforms in place, so each iteration first copies the input (16 KiB, a small part of the time).
void ProjRun(benchmark::State& state, const Datum& d, bool approx, PJ_DIRECTION dir) {
    Proj pj(d, approx);
    if (!pj.Ok()) {
        state.SkipWithError("proj_create failed");
        return;
    }
    std::vector<double> a0, b0;
    if (dir == PJ_FWD) {
        for (double v : GeoPoints().lon) a0.push_back(proj_torad(v));
        for (double v : GeoPoints().lat) b0.push_back(proj_torad(v));
    } else {
        for (auto& p : PlanePoints(d)) {
            a0.push_back(p.X);
            b0.push_back(p.Y);
        }
    }
    std::vector<double> a(kPoints), b(kPoints);
    for (auto _ : state) {
        a = a0;
        b = b0;
        pj.Trans(dir, a, b);
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

// The engine against PROJ exact and +approx on every point; false (with the worst case printed) when
// they disagree beyond what the series and the rounded constants account for.
bool ResultsAgree() {
    constexpr double kMetres = 0.005, kArcSec = 0.0002;
    const Points& g = GeoPoints();
    bool ok = true;
    for (const Datum& d : kDatums) {
        const std::vector<TPlanePoint> xy = PlanePoints(d);
        for (bool approx : {false, true}) {
            Proj pj(d, approx);
            if (!pj.Ok()) return false;
            std::vector<double> x, y;
            for (int i = 0; i < kPoints; ++i) {
                x.push_back(proj_torad(g.lon[i]));
                y.push_back(proj_torad(g.lat[i]));
            }
            pj.Trans(PJ_FWD, x, y);
            std::vector<double> lon, lat;
            for (auto& p : xy) {
                lon.push_back(p.X);
                lat.push_back(p.Y);
            }
            pj.Trans(PJ_INV, lon, lat);
            double fwd = 0, inv = 0, closing = 0;
            for (int i = 0; i < kPoints; ++i) {
                fwd = std::fmax(fwd, std::fmax(std::fabs(x[i] - xy[i].X), std::fabs(y[i] - xy[i].Y)));
                TDmsAngle L, B;
                d.inverse(xy[i].Y, xy[i].X, false, kCm, L, B);
                const double dLon = DmsToDegree(L) - proj_todeg(lon[i]), dLat = DmsToDegree(B) - proj_todeg(lat[i]);
                inv = std::fmax(inv, 3600 * std::fmax(std::fabs(dLon), std::fabs(dLat)));
                const double cLon = DmsToDegree(L) - g.lon[i], cLat = DmsToDegree(B) - g.lat[i];
                closing = std::fmax(closing, 3600 * std::fmax(std::fabs(cLon), std::fabs(cLat)));
            }
            std::printf("%s against PROJ%s: forward %.2g m, inverse %.2g\", engine closing %.2g\"\n",
                        d.label, approx ? " +approx" : "", fwd, inv, closing);
            if (fwd > kMetres || inv > kArcSec || closing > 0.0001) ok = false;
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (!ResultsAgree()) {
        std::fprintf(stderr, "the engine and PROJ disagree: no timing\n");
        return 1;
    }
    RatioReporter reporter;
    for (const Datum& d : kDatums) {
        const std::string n = d.name;
        benchmark::RegisterBenchmark(("BLToXY" + n).c_str(), EngineForward, d);
        benchmark::RegisterBenchmark(("ProjFwd" + n).c_str(), ProjRun, d, false, PJ_FWD);
        benchmark::RegisterBenchmark(("ProjFwdApprox" + n).c_str(), ProjRun, d, true, PJ_FWD);
        benchmark::RegisterBenchmark(("XYToBL" + n).c_str(), EngineInverse, d);
        benchmark::RegisterBenchmark(("ProjInv" + n).c_str(), ProjRun, d, false, PJ_INV);
        benchmark::RegisterBenchmark(("ProjInvApprox" + n).c_str(), ProjRun, d, true, PJ_INV);
        reporter.AddRatio("BLToXY" + n + " / PROJ exact forward", "BLToXY" + n, "ProjFwd" + n);
        reporter.AddRatio("BLToXY" + n + " / PROJ +approx forward", "BLToXY" + n, "ProjFwdApprox" + n);
        reporter.AddRatio("XYToBL" + n + " / PROJ exact inverse", "XYToBL" + n, "ProjInv" + n);
        reporter.AddRatio("XYToBL" + n + " / PROJ +approx inverse", "XYToBL" + n, "ProjInvApprox" + n,
                          "(goal: at most 1)");
    }
    return RunWithRatios(argc, argv, reporter);
}
