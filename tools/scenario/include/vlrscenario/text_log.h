// A plain text format for traffic replay, written by hand or by a script,
// mainly for J1708, which has no common log format of its own:
//
//   # anything after '#' is a comment; blank lines are ignored
//   0.000  J1708 80 54 03 BE 6F     MID 80 (hex), then its data bytes
//   0.020  J1939 0CF00400 F07D84D81200F084
//
// Each line: the time in seconds (from any origin; the replay keeps the
// differences), the bus, then for J1708 the MID and its data bytes WITHOUT
// the checksum (the adapter adds it), for J1939 the 29-bit identifier and up
// to 8 data bytes. Bytes are hex, separated by spaces or written together.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "vlrscenario/capture.h"
#include "vlrscenario/parsed.h"

namespace vlrscenario {

// One line (comments allowed). Nothing when the line holds only a comment or
// blank; errors carry line 0.
Parsed<std::optional<vlrsim::TimedMessage>> ParseTextLogLine(
    std::string_view line);

// The line that ParseTextLogLine reads back as the same message.
std::string FormatTextLogLine(const vlrsim::TimedMessage& message);

Parsed<Capture> ReadTextLog(std::istream& in);

}  // namespace vlrscenario
