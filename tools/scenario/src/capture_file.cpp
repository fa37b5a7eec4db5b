#include "vlrscenario/capture_file.h"

#include <fstream>
#include <string>

#include "vlrscenario/candump_log.h"
#include "vlrscenario/neovi_csv.h"
#include "vlrscenario/text_fields.h"
#include "vlrscenario/text_log.h"

namespace vlrscenario {

const char* FormatName(CaptureFormat format) {
  switch (format) {
    case CaptureFormat::kCandump:
      return "candump log";
    case CaptureFormat::kText:
      return "text log";
    case CaptureFormat::kNeoviCsv:
      return "neoVI CSV";
  }
  return "unknown";
}

std::optional<CaptureFormat> SniffCaptureFormat(std::istream& in) {
  std::string line;
  while (std::getline(in, line)) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '(') return CaptureFormat::kCandump;
    if (text.front() >= '0' && text.front() <= '9') return CaptureFormat::kText;
    return CaptureFormat::kNeoviCsv;
  }
  return std::nullopt;
}

Parsed<Capture> ReadCapture(std::istream& in, CaptureFormat format) {
  switch (format) {
    case CaptureFormat::kCandump:
      return ReadCandumpLog(in);
    case CaptureFormat::kText:
      return ReadTextLog(in);
    case CaptureFormat::kNeoviCsv:
      return ReadNeoviCsv(in);
  }
  return ParseError{0, "unknown capture format"};
}

Parsed<Capture> LoadCaptureFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return ParseError{0, "cannot open for reading", path};
  auto format = SniffCaptureFormat(in);
  if (!format) return ParseError{0, "holds no records", path};
  in.clear();
  in.seekg(0);
  auto capture = ReadCapture(in, *format);
  if (!capture) {
    return ParseError{
        capture.error().line,
        capture.error().message + " (read as " + FormatName(*format) + ")",
        path};
  }
  return capture;
}

}  // namespace vlrscenario
