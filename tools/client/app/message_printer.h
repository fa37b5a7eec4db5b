// Turns each record the driver hands over into output lines: decodes it,
// joins multi-packet transfers (printed after their last packet), writes
// it in the chosen format, and counts it for the summary.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>

#include "filter_groups.h"
#include "messages.h"
#include "output_format.h"
#include "pcap_output.h"
#include "statistics.h"
#include "transport.h"

namespace vlrclient {

class MessagePrinter {
 public:
  // `wall_clock` gives the time stamped on candump lines for the first
  // message; later ones follow the driver's own timestamps from there.
  MessagePrinter(vlrdecode::ReadLayout layout, vlrdecode::OutputFormat format,
                 std::ostream& out, Statistics& statistics,
                 std::chrono::microseconds (*wall_clock)() = &SystemWallClock);

  // The bytes RP1210_ReadMessage wrote. False when they are not a record
  // of the layout (counted as nothing, reported by the caller).
  bool Handle(std::span<const uint8_t> bytes);

  static std::chrono::microseconds SystemWallClock();

  // Received J1939 messages outside `filter` are passed over (and
  // counted); this client's own echoed transmissions always show.
  void SetLocalFilter(J1939Filter filter) { filter_ = std::move(filter); }

  // Also writes the J1939 frames into `capture` (kept by the caller).
  void SetCapture(PcapOutput* capture) { capture_ = capture; }

 private:
  void Print(const vlrdecode::MessageEvent& event);
  bool Wanted(const vlrdecode::MessageEvent& event) const;

  vlrdecode::ReadLayout layout_;
  vlrdecode::OutputFormat format_;
  std::ostream& out_;
  Statistics& statistics_;
  std::chrono::microseconds (*wall_clock_)();
  std::optional<std::chrono::microseconds> wall_origin_;
  std::optional<J1939Filter> filter_;
  PcapOutput* capture_ = nullptr;
  vlrdecode::DriverTimeline timeline_;
  vlrdecode::TransportReassembler reassembler_;
};

}  // namespace vlrclient
