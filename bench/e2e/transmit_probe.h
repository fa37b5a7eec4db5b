// The application's transmit side: sequenced J1939 messages handed to
// RP1210_SendMessage, and the instants their frames reached the simulator.
#pragma once

#include <cstdint>
#include <vector>

#include "sequenced_traffic.h"

namespace vlr::bench {

// Sends the message numbered `sequence` (the benchmark identifier, eight
// data bytes); the driver's result code.
short SendSequenced(uint32_t sequence);

// When the last byte of each sequenced frame (below `count`) arrived at the
// simulator, from its decoded host frames.
Instants LineArrivals(const std::vector<vlrsim::HostFrame>& messages,
                      uint32_t count);

}  // namespace vlr::bench
