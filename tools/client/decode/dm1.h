// Diagnostic messages DM1 (active trouble codes) and DM2 (previously
// active): the lamp status and each trouble code's SPN, FMI and
// occurrence count.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vlrdecode {

enum class LampState : uint8_t {
  kOff = 0,
  kOn = 1,
  kError = 2,
  kNotAvailable = 3
};

struct TroubleCode {
  uint32_t spn = 0;
  uint8_t fmi = 0;
  uint8_t occurrences = 0;
  bool operator==(const TroubleCode&) const = default;
};

struct DiagnosticMessage {
  LampState malfunction = LampState::kNotAvailable;    // MIL
  LampState red_stop = LampState::kNotAvailable;       // RSL
  LampState amber_warning = LampState::kNotAvailable;  // AWL
  LampState protect = LampState::kNotAvailable;        // PL
  std::vector<TroubleCode> codes;
};

// Nothing when fewer than 6 bytes (lamps, flash, one code) are given. The
// "no active code" filler (a code of all zeros) and 0xFF padding are not
// codes.
std::optional<DiagnosticMessage> ParseDiagnosticMessage(
    std::span<const uint8_t> data);

// The name of a suspect parameter and the text of a failure mode; null
// when not known.
const char* SpnName(uint32_t spn);
const char* FmiText(uint8_t fmi);

// "AWL on; SPN 111 (coolant level) FMI 1 (below normal, most severe) OC 4"
std::string DescribeDiagnosticMessage(const DiagnosticMessage& message);

}  // namespace vlrdecode
