#include "describe.h"

#include <cmath>
#include <cstdio>

#include "j1708_pids.h"
#include "j1939_network.h"
#include "pgn_names.h"

namespace vlrdecode {
namespace {

constexpr uint32_t kPgnDm1 = 0x00FECA;
constexpr uint32_t kPgnDm2 = 0x00FECB;
constexpr uint32_t kPgnVin = 0x00FEEC;
constexpr uint32_t kPgnComponentId = 0x00FEEB;

// The text of a VIN or component identification, its '*' delimiters kept;
// bytes that are not printable show as '.'.
std::string IdentificationText(const std::vector<uint8_t>& data) {
  std::string text;
  for (uint8_t byte : data) {
    text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
  }
  return text;
}

std::string FormatValue(double value) {
  char text[32];
  const bool whole = std::fabs(value - std::round(value)) < 1e-9;
  std::snprintf(text, sizeof text, whole ? "%.0f" : "%.2f", value);
  return text;
}

std::string DescribeUnknownPids(const std::vector<PidValue>& unknown,
                                bool complete) {
  std::string text;
  for (const PidValue& parameter : unknown) {
    if (!text.empty()) text += ", ";
    text += "PID " + std::to_string(parameter.pid) + " =";
    for (uint8_t byte : parameter.bytes) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", byte);
      text += hex;
    }
  }
  if (!complete)
    text += text.empty() ? "truncated parameter" : ", truncated parameter";
  return text;
}

}  // namespace

Description Describe(const J1939Message& message) {
  Description description;
  description.label = PgnLabel(message.pgn);
  description.signals = DecodeJ1939Signals(message.pgn, message.data);
  if (auto network = DescribeNetworkMessage(message))
    description.text = *network;
  if (message.pgn == kPgnVin)
    description.text = "VIN " + IdentificationText(message.data);
  if (message.pgn == kPgnComponentId)
    description.text = "component " + IdentificationText(message.data);
  if (message.pgn == kPgnDm1 || message.pgn == kPgnDm2) {
    description.diagnostics = ParseDiagnosticMessage(message.data);
    if (description.diagnostics) {
      description.text = DescribeDiagnosticMessage(*description.diagnostics);
    }
  }
  return description;
}

Description Describe(const J1708Message& message) {
  Description description;
  description.label = MidName(message.mid).value_or("");
  const PidSplit split = SplitPids(message.data);
  std::vector<PidValue> unknown;
  for (const PidValue& parameter : split.parameters) {
    if (auto signal = DecodePid(parameter)) {
      description.signals.push_back(*signal);
    } else {
      unknown.push_back(parameter);
    }
  }
  description.text = DescribeUnknownPids(unknown, split.complete);
  return description;
}

std::string DescriptionText(const Description& description) {
  std::string text;
  for (const Signal& signal : description.signals) {
    if (!text.empty()) text += ", ";
    text += signal.name + " " + FormatValue(signal.value) + " " + signal.unit;
  }
  if (!description.text.empty()) {
    if (!text.empty()) text += "; ";
    text += description.text;
  }
  return text;
}

}  // namespace vlrdecode
