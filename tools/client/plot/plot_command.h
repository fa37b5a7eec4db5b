// `vlr1210 plot`: decoded signals over time into PNG and SVG files, from a
// capture file or from a device for a given time.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace vlrclient {

int RunPlot(std::span<const std::string_view> args);
void PrintPlotHelp(std::ostream& out);

}  // namespace vlrclient
