// The dashboard as lines of text for a terminal of a given size: the
// header with the keys, the signals with their history, the active faults,
// the traffic by group and source, and the driver's errors. Sections
// shrink to fit, signals and faults last.
#pragma once

#include <string>
#include <vector>

#include "dashboard_model.h"

namespace vlrdash {

struct DashStatus {
  std::string source;  // "device 201, J1939" or "replay of x.log, J1939"
  bool paused = false;
  std::string note;  // "connection lost: ...", empty when all is well
};

// Section titles start with "-- ", so the screen can mark them.
std::vector<std::string> LayOut(const DashboardModel& model,
                                const DashStatus& status, int width,
                                int height);

// The values as a line of `width` characters, low to high "_.:-=+*#%@",
// scaled between their own minimum and maximum.
std::string HistoryLine(const std::deque<double>& values, std::size_t width);

}  // namespace vlrdash
