#include "spread.h"

#include <algorithm>
#include <cmath>

namespace vlr::bench {
namespace {

double NearestRank(const std::vector<double>& sorted, double fraction) {
  const auto rank = static_cast<size_t>(
      std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

Spread SpreadOf(std::vector<double> values) {
  Spread spread;
  spread.count = values.size();
  if (values.empty()) return spread;
  std::sort(values.begin(), values.end());
  spread.p50 = NearestRank(values, 0.50);
  spread.p99 = NearestRank(values, 0.99);
  spread.max = values.back();
  return spread;
}

}  // namespace vlr::bench
