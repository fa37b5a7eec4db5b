#include "vlrscenario/text_log.h"

#include <cstdio>
#include <vector>

#include "vlrcommon/hex_text.h"
#include "vlrscenario/text_fields.h"

namespace vlrscenario {
namespace {

using vlrsim::Bus;
using vlrsim::TimedMessage;

ParseError Error(std::string message) {
  return ParseError{0, std::move(message)};
}

Parsed<Bus> ParseBus(std::string_view word) {
  if (word == "J1708" || word == "j1708") return Bus::kJ1708;
  if (word == "J1939" || word == "j1939") return Bus::kJ1939;
  return Error("bus '" + std::string(word) + "' is neither J1708 nor J1939");
}

Parsed<uint32_t> ParseId(Bus bus, std::string_view word) {
  if (bus == Bus::kJ1708) {
    auto mid = vlrcommon::ParseHexNumber(word, 2);
    if (!mid)
      return Error("MID '" + std::string(word) + "' is not one hex byte");
    return *mid;
  }
  auto id = vlrcommon::ParseHexNumber(word, 8);
  if (!id || *id > kMaxJ1939Identifier) {
    return Error("identifier '" + std::string(word) +
                 "' is not a 29-bit hex number");
  }
  return *id;
}

}  // namespace

Parsed<std::optional<TimedMessage>> ParseTextLogLine(std::string_view line) {
  std::string_view rest = Trim(line.substr(0, line.find('#')));
  if (rest.empty()) return std::optional<TimedMessage>{};
  std::string_view time_word = TakeWord(rest);
  auto time = ParseSeconds(time_word);
  if (!time)
    return Error("time '" + std::string(time_word) +
                 "' is not decimal seconds");
  auto bus = ParseBus(TakeWord(rest));
  if (!bus) return bus.error();
  std::string_view id_word = TakeWord(rest);
  if (id_word.empty())
    return Error(bus.value() == Bus::kJ1708 ? "missing MID"
                                            : "missing identifier");
  auto id = ParseId(bus.value(), id_word);
  if (!id) return id.error();
  auto data = vlrcommon::ParseHexBytes(rest);
  if (!data)
    return Error("data '" + std::string(Trim(rest)) + "' is not hex bytes");
  const std::size_t limit =
      bus.value() == Bus::kJ1708 ? kMaxJ1708Data : kMaxJ1939Data;
  if (data->size() > limit) {
    return Error("more than " + std::to_string(limit) + " data bytes");
  }
  TimedMessage message;
  message.at = *time;
  message.bus = bus.value();
  message.id = id.value();
  message.data = std::move(*data);
  return std::optional<TimedMessage>(std::move(message));
}

std::string FormatTextLogLine(const TimedMessage& message) {
  const int64_t micros = message.at.count() < 0 ? 0 : message.at.count();
  char head[64];
  if (message.bus == Bus::kJ1708) {
    std::snprintf(head, sizeof head, "%lld.%06lld J1708 %02X",
                  static_cast<long long>(micros / 1'000'000),
                  static_cast<long long>(micros % 1'000'000),
                  static_cast<unsigned>(message.id & 0xFF));
  } else {
    std::snprintf(head, sizeof head, "%lld.%06lld J1939 %08X",
                  static_cast<long long>(micros / 1'000'000),
                  static_cast<long long>(micros % 1'000'000),
                  static_cast<unsigned>(message.id & kMaxJ1939Identifier));
  }
  std::string line = head;
  if (!message.data.empty()) {
    line.push_back(' ');
    line.append(vlrcommon::FormatHexBytes(message.data, " "));
  }
  return line;
}

Parsed<Capture> ReadTextLog(std::istream& in) {
  CaptureBuilder builder;
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    auto parsed = ParseTextLogLine(line);
    if (!parsed) return ParseError{number, parsed.error().message};
    if (!parsed.value()) continue;
    vlrsim::TimedMessage& message = *parsed.value();
    builder.Add(message.at, message.bus, message.id, std::move(message.data));
  }
  if (in.bad()) return ParseError{number, "read error"};
  return builder.Take();
}

}  // namespace vlrscenario
