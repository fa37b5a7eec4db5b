// `vlr1210 send`: transmit one J1939 or J1708 message, optionally repeated,
// and confirm each frame was written to the adapter by reading back the
// driver's echo of it.
#pragma once

#include <span>
#include <string_view>

namespace vlrclient {

int RunSend(std::span<const std::string_view> args);

}  // namespace vlrclient
