// The log format of can-utils' `candump -l`, one CAN frame per line:
//   (1708107535.406793) can1 0CF00400#F07D84D81200F084
// J1939 uses 29-bit identifiers, always written with eight hex digits.
// Standard 11-bit frames (three digits) carry no J1939 message and are
// counted as skipped; remote frames, CAN FD frames and error frames are
// refused with the line number.
#pragma once

#include <chrono>
#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vlrscenario/capture.h"
#include "vlrscenario/parsed.h"

namespace vlrscenario {

struct CandumpFrame {
  std::chrono::microseconds time{0};  // as written, from the epoch of the log
  std::string interface;
  bool extended = true;  // false: an 11-bit frame
  uint32_t id = 0;
  std::vector<uint8_t> data;
};

// One line, without its line end. Errors carry line 0; the log reader puts
// in the real number.
Parsed<CandumpFrame> ParseCandumpLine(std::string_view line);

// "(1708107535.406793) vlr0 0CF00400#F07D84D81200F084": the exact shape
// candump writes, which python-can's CanutilsLogReader and log2asc read.
std::string FormatCandumpLine(std::chrono::microseconds time,
                              std::string_view interface, uint32_t id,
                              std::span<const uint8_t> data);

// Every line of a log; blank lines are allowed. Times become offsets from
// the first frame.
Parsed<Capture> ReadCandumpLog(std::istream& in);

}  // namespace vlrscenario
