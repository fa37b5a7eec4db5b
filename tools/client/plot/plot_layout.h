// Where everything of a plot goes, before any drawing: one panel per
// signal stacked down the page, a shared time axis in seconds, value axes
// with round ticks, and the points to join (at most a few per pixel column,
// each one a decoded value). The renderer only strokes what this says.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "signal_series.h"

namespace vlrplot {

struct Axis {
  double low = 0;
  double high = 1;
  std::vector<double> ticks;
};

struct Panel {
  std::string title;  // "engine speed (rpm)"
  // The plot area in pixels from the page's top left.
  double left = 0, top = 0, width = 0, height = 0;
  Axis time;
  Axis value;
  std::vector<std::pair<double, double>> points;  // (seconds, value)

  double X(double seconds) const;
  double Y(double value) const;
};

struct PlotLayout {
  int width = 0;
  int height = 0;
  std::vector<Panel> panels;
};

inline constexpr int kDefaultWidth = 1000;
inline constexpr int kDefaultPanelHeight = 220;

PlotLayout LayOutPlot(const std::vector<const Series*>& series, int width,
                      int height);

// Round values (1, 2 or 5 times a power of ten apart) covering
// [low, high], at most about `count` of them.
std::vector<double> NiceTicks(double low, double high, int count);

// The series' points, thinned to the first, lowest, highest and last of
// each of `columns` equal time slices, in time order; all of them when
// they are few. Every point kept is one of the series'.
std::vector<std::pair<double, double>> Thin(const Series& series, double start,
                                            double end, int columns);

}  // namespace vlrplot
