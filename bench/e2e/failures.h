// A benchmark that cannot run (no pseudo-terminal, a refused connect, a
// frame that never reached the line) is a fault, not a slow figure: it is
// reported through Google Benchmark and makes the program exit non-zero,
// which is all the smoke test checks. Slow or lossy figures never fail.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace vlr::bench {

void Fail(benchmark::State& state, const std::string& why);
bool AnyFailed();

}  // namespace vlr::bench
