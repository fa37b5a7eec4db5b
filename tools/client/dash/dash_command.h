// `vlr1210 dash`: a full-screen dashboard of a device's traffic, live or
// from a capture replayed through the simulated adapter.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace vlrclient {

int RunDash(std::span<const std::string_view> args);
void PrintDashHelp(std::ostream& out);

}  // namespace vlrclient
