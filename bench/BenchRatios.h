// A console reporter that remembers each benchmark's time per iteration (the median when the run has
// repetitions) and prints the ratios asked for once every benchmark has run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Prints "label: a / b" after the run; `goal` (may be empty) follows the ratio.
    void AddRatio(std::string label, std::string a, std::string b, std::string goal = {}) {
        ratios_.emplace_back(std::move(label), std::move(a), std::move(b), std::move(goal));
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (auto& r : runs) {
            const std::string& name = r.run_name.function_name;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Iteration && !hasMedian_[name]) times_[name] = r.GetAdjustedRealTime();
            if (median) {
                times_[name] = r.GetAdjustedRealTime();
                hasMedian_[name] = true;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (auto& [label, a, b, goal] : ratios_) {
            auto ia = times_.find(a), ib = times_.find(b);
            if (ia == times_.end() || ib == times_.end() || ib->second <= 0) continue;
            std::printf("%s: %.3f%s%s\n", label.c_str(), ia->second / ib->second, goal.empty() ? "" : "  ",
                        goal.c_str());
        }
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, bool> hasMedian_;
    std::vector<std::tuple<std::string, std::string, std::string, std::string>> ratios_;
};

// Runs the registered benchmarks through `reporter`.
inline int RunWithRatios(int argc, char** argv, RatioReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
