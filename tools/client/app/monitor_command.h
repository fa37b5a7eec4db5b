// `vlr1210 monitor`, from its command line.
#pragma once

#include <span>
#include <string_view>

namespace vlrclient {

int RunMonitorCommand(std::span<const std::string_view> args);

}  // namespace vlrclient
