// Records from RP1210_ReadMessage as timed, decoded events, with each
// multi-packet transfer joined after its last packet, as the monitor
// shows them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "output_format.h"
#include "transport.h"

namespace vlrdash {

class EventReader {
 public:
  explicit EventReader(vlrdecode::ReadLayout layout) : layout_(layout) {}

  // The record's message, then the transfer it completes if any; nothing
  // when the bytes are not a record of the layout.
  std::vector<vlrdecode::MessageEvent> Read(std::span<const uint8_t> bytes);

 private:
  vlrdecode::ReadLayout layout_;
  vlrdecode::DriverTimeline timeline_;
  vlrdecode::TransportReassembler reassembler_;
};

}  // namespace vlrdash
