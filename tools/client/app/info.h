// `vlr1210 info`: the driver's version numbers, the device table with
// where each COM port leads, and, for a device, its hardware status.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace vlrclient {

int RunInfo(std::span<const std::string_view> args);
void PrintInfoHelp(std::ostream& out);

}  // namespace vlrclient
