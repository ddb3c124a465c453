// Timing of one side of a comparison with a peer library, kept over all repetitions so that the
// printed ratio is one of medians, not of whichever repetition ran last.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

struct PeerRun {
    std::vector<double> seconds;  // per pass, one per repetition
    int64_t hits = -1;            // of the last pass

    // Adds the repetition that `state` ran; `total` is the time of all its passes.
    void Add(benchmark::State& state, double total, int64_t passHits) {
        seconds.push_back(total / static_cast<double>(state.iterations()));
        hits = passHits;
    }
    double Median() const {
        if (seconds.empty()) return 0;
        std::vector<double> s = seconds;
        std::nth_element(s.begin(), s.begin() + static_cast<long>(s.size() / 2), s.end());
        return s[s.size() / 2];
    }
};

inline double SecondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Times passes over `items` while `state` runs, adding up what `count` gives for each item; adds the
// repetition to `run` and returns the hits of the last pass.
template <class Items, class Count>
int64_t TimePasses(benchmark::State& state, PeerRun& run, const Items& items, Count count) {
    double seconds = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        auto t0 = std::chrono::steady_clock::now();
        for (const auto& item : items) hits += count(item);
        seconds += SecondsSince(t0);
    }
    run.Add(state, seconds, hits);
    return hits;
}
