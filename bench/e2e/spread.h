// Median, 99th percentile and maximum of a set of measurements.
#pragma once

#include <cstddef>
#include <vector>

namespace vlr::bench {

struct Spread {
  size_t count = 0;
  double p50 = 0;
  double p99 = 0;
  double max = 0;
};

// Nearest-rank percentiles: every figure is a value that was measured.
Spread SpreadOf(std::vector<double> values);

}  // namespace vlr::bench
