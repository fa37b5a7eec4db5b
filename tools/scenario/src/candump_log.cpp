#include "vlrscenario/candump_log.h"

#include <cstdio>

#include "vlrcommon/hex_text.h"
#include "vlrscenario/text_fields.h"

namespace vlrscenario {
namespace {

ParseError Error(std::string message) {
  return ParseError{0, std::move(message)};
}

// "(seconds.micros)" at the start of the line; returns what follows it.
Parsed<std::chrono::microseconds> TakeTime(std::string_view& rest) {
  if (rest.empty() || rest.front() != '(') {
    return Error("expected '(seconds.microseconds)' at the start of the line");
  }
  const std::size_t close = rest.find(')');
  if (close == std::string_view::npos)
    return Error("missing ')' after the time");
  auto time = ParseSeconds(rest.substr(1, close - 1));
  if (!time)
    return Error("time '" + std::string(rest.substr(1, close - 1)) +
                 "' is not decimal seconds");
  rest.remove_prefix(close + 1);
  return *time;
}

Parsed<CandumpFrame> ParseFrameField(std::string_view field) {
  const std::size_t hash = field.find('#');
  if (hash == std::string_view::npos)
    return Error("expected ID#DATA, found '" + std::string(field) + "'");
  std::string_view id_text = field.substr(0, hash);
  std::string_view data_text = field.substr(hash + 1);
  if (!data_text.empty() && data_text.front() == '#')
    return Error("CAN FD frames are not supported");
  if (!data_text.empty() &&
      (data_text.front() == 'R' || data_text.front() == 'r')) {
    return Error("remote frames carry no data and are not supported");
  }
  CandumpFrame frame;
  if (id_text.size() == 3) {
    frame.extended = false;
  } else if (id_text.size() != 8) {
    return Error("identifier '" + std::string(id_text) +
                 "' must have 3 or 8 hex digits");
  }
  auto id = vlrcommon::ParseHexDigits(id_text);
  if (!id)
    return Error("identifier '" + std::string(id_text) +
                 "' is not hexadecimal");
  if (frame.extended && *id > kMaxJ1939Identifier) {
    return Error("identifier " + std::string(id_text) +
                 " is above 29 bits (an error frame?)");
  }
  if (data_text.size() % 2 != 0)
    return Error("data '" + std::string(data_text) +
                 "' has an odd number of hex digits");
  auto data = vlrcommon::ParseHexBytes(data_text);
  if (!data)
    return Error("data '" + std::string(data_text) + "' is not hexadecimal");
  if (data->size() > kMaxJ1939Data) return Error("more than 8 data bytes");
  frame.id = *id;
  frame.data = std::move(*data);
  return frame;
}

}  // namespace

Parsed<CandumpFrame> ParseCandumpLine(std::string_view line) {
  std::string_view rest = Trim(line);
  auto time = TakeTime(rest);
  if (!time) return time.error();
  std::string_view interface = TakeWord(rest);
  if (interface.empty()) return Error("missing interface name after the time");
  std::string_view field = TakeWord(rest);
  if (field.empty()) return Error("missing ID#DATA after the interface name");
  if (!Trim(rest).empty())
    return Error("unexpected text after ID#DATA: '" + std::string(Trim(rest)) +
                 "'");
  auto frame = ParseFrameField(field);
  if (!frame) return frame.error();
  frame.value().time = time.value();
  frame.value().interface = std::string(interface);
  return frame;
}

std::string FormatCandumpLine(std::chrono::microseconds time,
                              std::string_view interface, uint32_t id,
                              std::span<const uint8_t> data) {
  const int64_t micros = time.count() < 0 ? 0 : time.count();
  char head[64];
  std::snprintf(head, sizeof head, "(%lld.%06lld) ",
                static_cast<long long>(micros / 1'000'000),
                static_cast<long long>(micros % 1'000'000));
  char id_text[16];
  std::snprintf(id_text, sizeof id_text, "%08X#",
                static_cast<unsigned>(id & kMaxJ1939Identifier));
  std::string line = head;
  line.append(interface);
  line.push_back(' ');
  line.append(id_text);
  line.append(vlrcommon::FormatHexBytes(data));
  return line;
}

Parsed<Capture> ReadCandumpLog(std::istream& in) {
  CaptureBuilder builder;
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (Trim(line).empty()) continue;
    auto frame = ParseCandumpLine(line);
    if (!frame) return ParseError{number, frame.error().message};
    if (!frame.value().extended) {
      builder.Skip();
      continue;
    }
    builder.Add(frame.value().time, vlrsim::Bus::kJ1939, frame.value().id,
                std::move(frame.value().data));
  }
  if (in.bad()) return ParseError{number, "read error"};
  return builder.Take();
}

}  // namespace vlrscenario
