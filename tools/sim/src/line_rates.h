// Conversions between termios speed codes and bits per second, for the
// standard rates the adapters and their hosts use.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

namespace vlrsim::detail {

// Bits per second for a termios speed code, 0 when unknown.
uint32_t BaudOfSpeed(unsigned speed_code);
// The termios speed code for `baud`, nothing when it is not a standard rate.
std::optional<speed_t> SpeedOfBaud(uint32_t baud);

}  // namespace vlrsim::detail
