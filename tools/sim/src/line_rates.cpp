#include "line_rates.h"

#include <utility>

namespace vlrsim::detail {

namespace {
constexpr std::pair<speed_t, uint32_t> kRates[] = {
    {B300, 300},     {B600, 600},       {B1200, 1200},     {B2400, 2400},
    {B4800, 4800},   {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
};
}  // namespace

uint32_t BaudOfSpeed(unsigned speed_code) {
  for (const auto& [code, baud] : kRates) {
    if (code == speed_code) return baud;
  }
  return 0;
}

std::optional<speed_t> SpeedOfBaud(uint32_t baud) {
  for (const auto& [code, rate] : kRates) {
    if (rate == baud) return code;
  }
  return std::nullopt;
}

}  // namespace vlrsim::detail
