// Rows of (member code, SetUp values, PROJ definition, area): forward and inverse of the same points on a
// registered projection, one Project / Unproject call per point, and on PROJ's proj_trans_generic over
// arrays (its fastest way), with the ratios of ours to PROJ. Before timing, each row checks that both
// agree on every point and refuses to time otherwise.
#pragma once

#include <benchmark/benchmark.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/core/GisProjections.h"

struct ProjRow {
    const char* code;
    int32_t zone;
    double setUp[14];                         // SetUp's fourteen values after the zone
    const char* proj;                         // the same projection for PROJ, WGS 84
    double lonMin, lonMax, latMin, latMax;    // degrees
    double tolerance;                         // metres on the ground, both ways
};

class ProjBench {
public:
    explicit ProjBench(int points) : points_(points) {}

    // Registers the row's four benchmarks and its two ratios.
    void Add(const ProjRow& row, RatioReporter& reporter) {
        auto side = std::make_shared<Side>(row, points_);
        const std::string code = row.code;
        for (bool forward : {true, false}) {
            const std::string way = forward ? "Forward" : "Inverse";
            const std::string ours = code + way + "Quillmark", peer = code + way + "Proj";
            benchmark::RegisterBenchmark(ours.c_str(), [side, forward](benchmark::State& s) { side->Ours(s, forward); })
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(peer.c_str(), [side, forward](benchmark::State& s) { side->Proj(s, forward); })
                ->Unit(benchmark::kMillisecond);
            reporter.AddRatio(code + " " + (forward ? "forward" : "inverse") + " (ours / PROJ)", ours, peer,
                              "goal <= 1.0");
        }
    }

private:
    // One row's points and both sides' results, built on first use.
    class Side {
    public:
        Side(const ProjRow& row, int points) : row_(row), points_(points) {}

        void Ours(benchmark::State& state, bool forward) {
            if (!Ready(state)) return;
            const std::vector<double>&a = forward ? lon_ : x_, &b = forward ? lat_ : y_;
            std::vector<double> outA(a.size()), outB(b.size());
            TGIS_Point3D in, out;
            for (auto _ : state) {
                for (size_t i = 0; i < a.size(); ++i) {
                    in.X = a[i];
                    in.Y = b[i];
                    if (forward)
                        p_->Project(in, out);
                    else
                        p_->Unproject(in, out);
                    outA[i] = out.X;
                    outB[i] = out.Y;
                }
                benchmark::DoNotOptimize(outA.data());
                benchmark::DoNotOptimize(outB.data());
            }
            state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(a.size()));
        }

        // PROJ transforms in place, so each pass first copies its input (a small part of the time).
        void Proj(benchmark::State& state, bool forward) {
            if (!Ready(state)) return;
            const std::vector<double>&a = forward ? lon_ : x_, &b = forward ? lat_ : y_;
            std::vector<double> outA(a.size()), outB(b.size());
            for (auto _ : state) {
                outA = a;
                outB = b;
                Trans(forward, outA, outB);
                benchmark::DoNotOptimize(outA.data());
                benchmark::DoNotOptimize(outB.data());
            }
            state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(a.size()));
        }

        ~Side() {
            if (pj_) proj_destroy(pj_);
            if (ctx_) proj_context_destroy(ctx_);
        }

    private:
        bool Ready(benchmark::State& state) {
            if (!built_) Build();
            if (!error_.empty()) state.SkipWithError(error_.c_str());
            return error_.empty();
        }

        void Trans(bool forward, std::vector<double>& a, std::vector<double>& b) const {
            proj_trans_generic(pj_, forward ? PJ_FWD : PJ_INV, a.data(), sizeof(double), a.size(), b.data(),
                               sizeof(double), b.size(), nullptr, 0, 0, nullptr, 0, 0);
        }

        void Build() {
            built_ = true;
            TGIS_ProjectionAbstract* member = GisProjectionList().FindByCode(row_.code);
            if (member == nullptr) {
                error_ = std::string("no member ") + row_.code;
                return;
            }
            p_ = member->NewInstance();
            const double* v = row_.setUp;
            p_->SetUp(row_.zone, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12],
                      v[13]);
            ctx_ = proj_context_create();
            pj_ = proj_create(ctx_, row_.proj);
            if (pj_ == nullptr) {
                error_ = std::string("proj_create failed: ") + row_.proj;
                return;
            }
            // A lattice stepped by two incommensurate fractions covers the area evenly.
            const double d2r = M_PI / 180;
            for (int i = 0; i < points_; ++i) {
                const double u = std::fmod(i * 0.6180339887498949, 1), w = (i + 0.5) / points_;
                lon_.push_back((row_.lonMin + u * (row_.lonMax - row_.lonMin)) * d2r);
                lat_.push_back((row_.latMin + w * (row_.latMax - row_.latMin)) * d2r);
            }
            x_ = lon_;
            y_ = lat_;
            Trans(true, x_, y_);
            Agree();
        }

        // Ours against PROJ both ways on every point; the worst case goes into the error.
        void Agree() {
            double worstF = 0, worstI = 0;
            size_t atF = 0, atI = 0;
            TGIS_Point3D out;
            for (size_t i = 0; i < lon_.size(); ++i) {
                p_->Project(TGIS_Point3D(lon_[i], lat_[i], 0), out);
                const double f = std::hypot(out.X - x_[i], out.Y - y_[i]);
                p_->Unproject(TGIS_Point3D(x_[i], y_[i], 0), out);
                const double dl = std::remainder(out.X - lon_[i], 2 * M_PI);
                const double g = 6.371e6 * std::hypot(out.Y - lat_[i], dl * std::cos(lat_[i]));
                if (!(f <= worstF)) worstF = f, atF = i;
                if (!(g <= worstI)) worstI = g, atI = i;
            }
            std::printf("%s: worst forward %.6f m, inverse %.6f m over %zu points\n", row_.code, worstF, worstI,
                        lon_.size());
            if (!(worstF <= row_.tolerance) || !(worstI <= row_.tolerance)) {
                char text[200];
                std::snprintf(text, sizeof text, "%s disagrees with PROJ: forward %.6g m at point %zu, inverse %.6g m at %zu",
                              row_.code, worstF, atF, worstI, atI);
                error_ = text;
            }
        }

        ProjRow row_;
        int points_;
        bool built_ = false;
        std::string error_;
        std::unique_ptr<TGIS_ProjectionAbstract> p_;
        PJ_CONTEXT* ctx_ = nullptr;
        PJ* pj_ = nullptr;
        std::vector<double> lon_, lat_, x_, y_;  // radians and PROJ's metres
    };

    int points_;
};
