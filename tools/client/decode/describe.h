// Everything the monitor can say about one message: a label, the
// engineering values, and free text for what is not a value (a NAME, a
// trouble code list, a transport announce).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dm1.h"
#include "j1939_signals.h"
#include "messages.h"

namespace vlrdecode {

struct Description {
  std::string label;  // "EEC1", "Engine #1"; empty when unknown
  std::vector<Signal> signals;
  std::string text;
  std::optional<DiagnosticMessage> diagnostics;  // DM1 and DM2
};

Description Describe(const J1939Message& message);
Description Describe(const J1708Message& message);

// "engine speed 1350.0 rpm, vehicle speed 88.1 km/h; <text>"
std::string DescriptionText(const Description& description);

}  // namespace vlrdecode
