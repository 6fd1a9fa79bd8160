#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

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
