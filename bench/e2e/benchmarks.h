// Registration of the end-to-end benchmarks, each group in its own file.
#pragma once

#include "run_length.h"

namespace vlr::bench {

void RegisterReceiveBenchmarks(const RunLength& length);
void RegisterTransmitBenchmarks(const RunLength& length);
void RegisterCommandBenchmarks(const RunLength& length);
void RegisterIdleBenchmarks(const RunLength& length);
void RegisterComparisonBenchmarks(const RunLength& length);
void RegisterTransportBenchmarks(const RunLength& length);

}  // namespace vlr::bench
