// One output line per message, in the three forms the monitor writes:
// readable text, candump log lines (for can-utils and python-can), and
// JSON lines (for scripts).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "describe.h"
#include "messages.h"

namespace vlrdecode {

// kPcap: a SocketCAN-format capture (the monitor writes it with libpcap).
enum class OutputFormat { kText, kCandump, kJson, kPcap };

struct MessageEvent {
  uint32_t timestamp_ms = 0;  // the driver's
  int64_t elapsed_ms = 0;     // since the first message read
  bool echoed = false;        // this client's own transmission
  bool reassembled = false;   // joined from a multi-packet transfer
  Message message;
};

// Turns the driver's 32-bit millisecond stamps into time since the first,
// across the wrap after 49.7 days.
class DriverTimeline {
 public:
  int64_t Elapsed(uint32_t timestamp_ms);

 private:
  bool started_ = false;
  uint32_t last_ = 0;
  int64_t elapsed_ = 0;
};

//   "   1.234 J1939 0CF00400 F004  EEC1  p3 00->FF  [8] F0 7D .. | engine speed
//   603 rpm"
std::string FormatTextLine(const MessageEvent& event,
                           const Description& description);

// {"t":1.234,"ts":123456,"bus":"J1939","id":"0CF00400","pgn":61444,...}
std::string FormatJsonLine(const MessageEvent& event,
                           const Description& description);

// "(1700000000.123456) vlr0 0CF00400#F07D84D81200F084" with the time
// `wall_origin` + elapsed. Nothing for what a CAN log cannot hold: J1708
// messages, joined transfers (their packets are logged as they came), and
// J1939 data longer than 8 bytes.
std::optional<std::string> FormatCandumpLine(
    const MessageEvent& event, std::chrono::microseconds wall_origin,
    const std::string& interface = "vlr0");

}  // namespace vlrdecode
