#pragma once

// Benchmarks come in pairs measured in the same run: "<pair>/baseline" and "<pair>/editor".
// bench_main prints, after the table, each pair's ratio editor / baseline against its target.

#include <benchmark/benchmark.h>

#include <string>

namespace orv::bench {

// Declares the target of a pair: the editor's time may be at most `target` times the baseline's.
// Returns true so that it can initialise a static at namespace scope.
bool setTarget(const std::string& pair, double target);

}  // namespace orv::bench
