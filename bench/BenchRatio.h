// For the benchmark programs that compare two ways of doing one job in a run: the seconds of every
// run by its function name, a summary printed at the end, and a temporary folder for their files.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

class SecondsReporter : public benchmark::ConsoleReporter {
public:
    using Seconds = std::map<std::string, double>;
    explicit SecondsReporter(std::function<void(const Seconds&)> summary) : summary_(std::move(summary)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (auto& r : runs)
            if (!r.error_occurred) seconds_[r.run_name.function_name] = r.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        summary_(seconds_);
    }

private:
    std::function<void(const Seconds&)> summary_;
    Seconds seconds_;
};

// Runs the benchmarks with `dir` set to a new folder under /tmp, removed afterwards. The times are in
// milliseconds for the reporter.
inline int RunInTempDir(int argc, char** argv, std::string& dir, SecondsReporter& reporter) {
    char tmpl[] = "/tmp/qm-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    dir = tmpl;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
