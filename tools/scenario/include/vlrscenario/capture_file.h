// Opening a capture file of any supported kind, told apart by its content
// rather than its name, so a user need not say which kind it is.
#pragma once

#include <istream>
#include <optional>
#include <string>

#include "vlrscenario/capture.h"
#include "vlrscenario/parsed.h"

namespace vlrscenario {

enum class CaptureFormat {
  kCandump,   // lines "(seconds) iface ID#DATA"
  kText,      // lines "seconds J1708|J1939 ...", see text_log.h
  kNeoviCsv,  // a neoVI bus-traffic CSV export
};

const char* FormatName(CaptureFormat format);

// The kind of the first line that is neither blank nor a '#' comment:
// '(' starts a candump log, a digit a text log, anything else is taken for
// a CSV export. Nothing for empty input.
std::optional<CaptureFormat> SniffCaptureFormat(std::istream& in);

// Reads the whole stream in the given format.
Parsed<Capture> ReadCapture(std::istream& in, CaptureFormat format);

// Opens, recognises and reads a file. Errors name the file and, for a
// malformed record, the line: "trace.log: line 7: missing '#'".
Parsed<Capture> LoadCaptureFile(const std::string& path);

}  // namespace vlrscenario
