// What the simulated ECUs hold, as the bytes they send.
#include "vlrsim/j1939_ecu.h"

namespace vlrsim {

namespace {
constexpr uint8_t kAmberLampOn = 0x04;
constexpr size_t kShortestDiagnostic = 8;

Bytes Diagnostic(const std::vector<TroubleCode>& codes, bool active) {
  Bytes bytes{
      static_cast<uint8_t>(active && !codes.empty() ? kAmberLampOn : 0x00),
      0xFF};
  for (const TroubleCode& code : codes) {
    bytes.push_back(static_cast<uint8_t>(code.spn));
    bytes.push_back(static_cast<uint8_t>(code.spn >> 8));
    bytes.push_back(static_cast<uint8_t>(((code.spn >> 16) & 0x07) << 5 |
                                         (code.fmi & 0x1F)));
    bytes.push_back(code.occurrences & 0x7F);
  }
  // No code at all still carries one empty record.
  if (codes.empty()) bytes.insert(bytes.end(), 4, 0x00);
  if (bytes.size() < kShortestDiagnostic)
    bytes.resize(kShortestDiagnostic, 0xFF);
  return bytes;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
}  // namespace

std::vector<uint8_t> NameBytes(uint64_t name) {
  Bytes bytes(8);
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<uint8_t>(name >> (8 * i));
  }
  return bytes;
}

std::optional<std::vector<uint8_t>> EcuPayload(const EcuOptions& ecu,
                                               uint32_t pgn) {
  switch (pgn) {
    case kPgnVin:
      if (ecu.vin.empty()) return std::nullopt;
      return Text(ecu.vin.ends_with('*') ? ecu.vin : ecu.vin + '*');
    case kPgnComponentId:
      if (ecu.component_id.empty()) return std::nullopt;
      return Text(ecu.component_id);
    case kPgnDm1:
      return Diagnostic(ecu.dm1, true);
    case kPgnDm2:
      return Diagnostic(ecu.dm2, false);
    case kPgnAddressClaimed:
      return NameBytes(ecu.name);
    default:
      return std::nullopt;
  }
}

}  // namespace vlrsim
