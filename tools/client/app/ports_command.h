// `vlr1210 ports`: where each COM port leads and which setting says so;
// `ports set COMn PATH` and `ports unset COMn` edit the user's ports file.
#pragma once

#include <span>
#include <string_view>

namespace vlrclient {

int RunPorts(std::span<const std::string_view> args);

}  // namespace vlrclient
