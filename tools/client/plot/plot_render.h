// Draws a laid-out plot with cairo into a PNG or an SVG file.
#pragma once

#include <string>

#include "plot_layout.h"

namespace vlrplot {

// The kind follows the name: ".svg" an SVG, anything else a PNG. The error
// text, empty on success.
std::string RenderPlot(const PlotLayout& layout, const std::string& path);

}  // namespace vlrplot
