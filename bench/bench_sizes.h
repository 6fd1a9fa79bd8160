#pragma once

#include <benchmark/benchmark.h>

#include "support/school_generator.h"

// Growth benchmarks run each measure on the large school and on ten times it (the stress
// school) in the same process, so the two figures meet the same machine load.
inline SchoolSize SizeAt(int scale) {
    return scale == 1 ? SchoolSize::Large() : SchoolSize::Large().ScaledBy(scale);
}

// For Apply: the benchmark's first argument is the scale.
inline void AtBothScales(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("scale")->Arg(1)->Arg(10);
}
