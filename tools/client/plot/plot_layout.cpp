#include "plot_layout.h"

#include <algorithm>
#include <cmath>

namespace vlrplot {
namespace {

constexpr double kLeftMargin = 80;
constexpr double kRightMargin = 24;
constexpr double kTitleHeight = 28;
constexpr double kTickLabelHeight = 34;
constexpr double kTopMargin = 8;
constexpr int kTimeTicks = 10;
constexpr int kValueTicks = 5;
// Below this many points per column the series is drawn whole.
constexpr std::size_t kPointsPerColumn = 4;

Axis MakeAxis(double low, double high, int ticks) {
  if (!(high > low)) {  // one value, or none: a band around it
    const double pad = std::max(std::abs(low) * 0.1, 1.0);
    low -= pad;
    high += pad;
  }
  Axis axis;
  axis.ticks = NiceTicks(low, high, ticks);
  axis.low = std::min(low, axis.ticks.front());
  axis.high = std::max(high, axis.ticks.back());
  return axis;
}

// A little room above and below, so the line does not run along the
// frame; none below zero for a signal that never goes negative.
Axis ValueAxis(const std::vector<double>& values) {
  if (values.empty()) return MakeAxis(0, 0, kValueTicks);
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  const double pad = (*high - *low) * 0.04;
  const double floor = *low < 0 ? *low - pad : std::max(0.0, *low - pad);
  return MakeAxis(floor, *high + pad, kValueTicks);
}

}  // namespace

double Panel::X(double seconds) const {
  return left + (seconds - time.low) / (time.high - time.low) * width;
}

double Panel::Y(double value) const {
  return top + height -
         (value - this->value.low) / (this->value.high - this->value.low) *
             height;
}

std::vector<double> NiceTicks(double low, double high, int count) {
  const double raw = (high - low) / std::max(count, 1);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power * 10;
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (power * factor >= raw) {
      step = power * factor;
      break;
    }
  }
  std::vector<double> ticks;
  const double first = std::floor(low / step);
  const auto count_needed =
      static_cast<int>(std::ceil(high / step - first - 1e-9)) + 1;
  for (int i = 0; i < count_needed; ++i) {
    const double tick = (first + i) * step;
    // Zero, not -0 or 1e-17, where a tick lands on it.
    ticks.push_back(std::abs(tick) < step * 1e-9 ? 0.0 : tick);
  }
  return ticks;
}

std::vector<std::pair<double, double>> Thin(const Series& series, double start,
                                            double end, int columns) {
  std::vector<std::pair<double, double>> points;
  const std::size_t n = series.values.size();
  if (columns < 1 ||
      n <= kPointsPerColumn * static_cast<std::size_t>(columns)) {
    for (std::size_t i = 0; i < n; ++i)
      points.emplace_back(series.seconds[i], series.values[i]);
    return points;
  }
  const double slice = (end - start) / columns;
  std::size_t i = 0;
  while (i < n) {
    const auto column = static_cast<long>((series.seconds[i] - start) / slice);
    std::size_t last = i;
    std::size_t low = i;
    std::size_t high = i;
    while (last + 1 < n &&
           static_cast<long>((series.seconds[last + 1] - start) / slice) ==
               column) {
      ++last;
      if (series.values[last] < series.values[low]) low = last;
      if (series.values[last] > series.values[high]) high = last;
    }
    std::vector<std::size_t> kept = {i, low, high, last};
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    for (const std::size_t k : kept)
      points.emplace_back(series.seconds[k], series.values[k]);
    i = last + 1;
  }
  return points;
}

PlotLayout LayOutPlot(const std::vector<const Series*>& series, int width,
                      int height) {
  PlotLayout layout{width, height, {}};
  if (series.empty()) return layout;
  double end = 0;
  for (const Series* s : series) {
    if (!s->seconds.empty()) end = std::max(end, s->seconds.back());
  }
  const Axis time = MakeAxis(0, end, kTimeTicks);
  const double slot =
      (height - kTopMargin) / static_cast<double>(series.size());
  for (std::size_t i = 0; i < series.size(); ++i) {
    const Series& s = *series[i];
    Panel panel;
    panel.title = s.name + (s.unit.empty() ? "" : " (" + s.unit + ")");
    panel.left = kLeftMargin;
    panel.top = kTopMargin + slot * static_cast<double>(i) + kTitleHeight;
    panel.width = width - kLeftMargin - kRightMargin;
    panel.height = std::max(slot - kTitleHeight - kTickLabelHeight, 10.0);
    panel.time = time;
    panel.value = ValueAxis(s.values);
    panel.points = Thin(s, time.low, time.high, static_cast<int>(panel.width));
    layout.panels.push_back(std::move(panel));
  }
  return layout;
}

}  // namespace vlrplot
