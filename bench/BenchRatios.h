// For the benchmark programs that compare our way of doing a job with a peer's in one run: a console
// reporter that remembers each benchmark's time per iteration (the median when the run has repetitions)
// and prints the ratios asked for once every benchmark has run, and a temporary folder for their files.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Prints "label: a / b" after the run; `goal` (may be empty) follows the ratio. `a` and `b` name
    // benchmarks by function name, or by function name and argument ("Name/4") when they take one.
    void AddRatio(std::string label, std::string a, std::string b, std::string goal = {}) {
        ratios_.emplace_back(std::move(label), std::move(a), std::move(b), std::move(goal));
    }

    // Whether some benchmark stopped with an error, i.e. one of its checks failed.
    bool Failed() const { return failed_; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (auto& r : runs) {
            if (r.error_occurred) {
                failed_ = true;
                continue;
            }
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type != Run::RT_Iteration && !median) continue;
            const std::string& name = r.run_name.function_name;
            Keep(name, r, median);
            if (!r.run_name.args.empty()) Keep(name + "/" + r.run_name.args, r, median);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (auto& [label, a, b, goal] : ratios_) {
            auto ia = times_.find(a), ib = times_.find(b);
            if (ia == times_.end() || ib == times_.end() || ib->second.seconds <= 0) continue;
            const Time &ta = ia->second, &tb = ib->second;
            std::printf("%s: %.3f%s%s; %s%s %s against %s %s\n", label.c_str(), ta.seconds / tb.seconds,
                        goal.empty() ? "" : "  ", goal.c_str(), ta.median && tb.median ? "medians " : "", a.c_str(),
                        Shown(ta).c_str(), b.c_str(), Shown(tb).c_str());
        }
        std::fflush(stdout);
    }

private:
    struct Time {
        double seconds = 0;  // per iteration; benchmarks may report in different units
        benchmark::TimeUnit unit = benchmark::kNanosecond;
        bool median = false;
    };

    void Keep(const std::string& name, const Run& r, bool median) {
        Time& t = times_[name];
        if (t.median && !median) return;
        t = {r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit), r.time_unit, median};
    }

    static std::string Shown(const Time& t) {
        const double v = t.seconds * benchmark::GetTimeUnitMultiplier(t.unit);
        char s[64];
        std::snprintf(s, sizeof s, v >= 100 ? "%.0f %s" : "%.3g %s", v, benchmark::GetTimeUnitString(t.unit));
        return s;
    }

    std::map<std::string, Time> times_;
    std::vector<std::tuple<std::string, std::string, std::string, std::string>> ratios_;
    bool failed_ = false;
};

// Runs the registered benchmarks through `reporter`; 1 when the arguments are wrong or a benchmark
// stopped with an error. `ready` runs once the arguments are read and before any timing: a check that
// the two sides agree, or a preparation, whose false ends the run without timing.
inline int RunWithRatios(int argc, char** argv, RatioReporter& reporter, const std::function<bool()>& ready) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const bool timed = ready();
    if (timed) benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return timed && !reporter.Failed() ? 0 : 1;
}

inline int RunWithRatios(int argc, char** argv, RatioReporter& reporter) {
    return RunWithRatios(argc, argv, reporter, [] { return true; });
}

// Passes over `items` while `state` runs, adding up what `count` gives for each item; returns the sum of
// the last pass, for the caller to check against the peer's.
template <class Items, class Count>
int64_t CountPasses(benchmark::State& state, const Items& items, Count count) {
    int64_t sum = 0;
    for (auto _ : state) {
        sum = 0;
        for (const auto& item : items) sum += count(item);
    }
    return sum;
}

// A fresh folder of this run only under the system's temporary folder, removed with its files when the
// object goes; so that no run reuses another's files. Path() is empty when it could not be made.
class BenchTempDir {
public:
    explicit BenchTempDir(const std::string& prefix) {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        std::string tmpl = ((ec ? std::filesystem::path("/tmp") : base) / (prefix + "_XXXXXX")).string();
        if (mkdtemp(tmpl.data())) path_ = tmpl;
        else std::perror(("temporary folder " + tmpl).c_str());
    }
    ~BenchTempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    BenchTempDir(const BenchTempDir&) = delete;
    BenchTempDir& operator=(const BenchTempDir&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
