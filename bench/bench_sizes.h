#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/school_generator.h"

// Growth benchmarks run each measure on the large school and on ten times it (the stress
// school) in the same process, so the two figures meet the same machine load.
inline SchoolSize SizeAt(int scale) {
    return scale == 1 ? SchoolSize::Large() : SchoolSize::Large().ScaledBy(scale);
}

// Whole optimiser runs and every handout of the stress school take minutes: they run only when
// QM_BENCH_STRESS is 1.
inline bool StressRunsWanted() {
    const char* wanted = std::getenv("QM_BENCH_STRESS");
    return wanted != nullptr && std::string(wanted) == "1";
}

// For Apply: the benchmark's first argument is the scale.
inline void AtBothScales(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("scale")->Arg(1)->Arg(10);
}

// The same, the stress school only when its slow runs are wanted.
inline void AtBothScalesWhenWanted(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("scale")->Arg(1);
    if (StressRunsWanted()) {
        benchmark->Arg(10);
    }
}

// How an operation grows from the large school to the stress school, with the two sizes taken
// in turn, round after round, so that a busy machine weighs on both alike. runOnce(scale) does
// the operation once and answers the milliseconds that count; it is repeated for at least 50 ms.
// Reports the median time of each size and the median of the rounds' ratios.
template <typename RunOnce>
void MeasureGrowth(benchmark::State& state, RunOnce runOnce, int rounds = 5) {
    auto timeOne = [&](int scale) {
        int repeats = 0;
        double counted = 0;
        const auto begin = std::chrono::steady_clock::now();
        do {
            counted += runOnce(scale);
            ++repeats;
        } while (std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                     .count() < 50.0);
        return counted / repeats;
    };
    std::vector<double> large;
    std::vector<double> stress;
    std::vector<double> growth;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            large.push_back(timeOne(1));
            stress.push_back(timeOne(10));
            growth.push_back(stress.back() / large.back());
        }
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0.0 : values[values.size() / 2];
    };
    state.counters["large_ms"] = median(large);
    state.counters["stress_ms"] = median(stress);
    state.counters["growth"] = median(growth);
}

// The milliseconds an action takes.
template <typename Action>
double TimeOf(Action action) {
    const auto begin = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
        .count();
}
