#include "dm1.h"

#include <array>

namespace vlrdecode {
namespace {

LampState Lamp(uint8_t byte, int shift) {
  return static_cast<LampState>((byte >> shift) & 0x03);
}

void AppendLamp(std::string& out, const char* name, LampState state) {
  if (state != LampState::kOn) return;
  if (!out.empty()) out += ", ";
  out += name;
  out += " on";
}

}  // namespace

const char* SpnName(uint32_t spn) {
  struct Entry {
    uint32_t spn;
    const char* name;
  };
  static constexpr std::array kNames = {
      Entry{84, "vehicle speed"},
      Entry{91, "accelerator pedal"},
      Entry{94, "fuel delivery pressure"},
      Entry{97, "water in fuel"},
      Entry{100, "engine oil pressure"},
      Entry{102, "boost pressure"},
      Entry{105, "intake manifold temperature"},
      Entry{110, "coolant temperature"},
      Entry{111, "coolant level"},
      Entry{157, "fuel rail pressure"},
      Entry{168, "battery potential"},
      Entry{175, "engine oil temperature"},
      Entry{190, "engine speed"},
      Entry{636, "engine position sensor"},
      Entry{651, "injector cylinder 1"},
      Entry{652, "injector cylinder 2"},
      Entry{653, "injector cylinder 3"},
      Entry{654, "injector cylinder 4"},
      Entry{655, "injector cylinder 5"},
      Entry{656, "injector cylinder 6"},
  };
  for (const Entry& entry : kNames) {
    if (entry.spn == spn) return entry.name;
  }
  return nullptr;
}

const char* FmiText(uint8_t fmi) {
  static constexpr std::array<const char*, 20> kTexts = {
      "above normal, most severe",
      "below normal, most severe",
      "erratic",
      "voltage above normal",
      "voltage below normal",
      "current below normal",
      "current above normal",
      "mechanical system not responding",
      "abnormal frequency",
      "abnormal update rate",
      "abnormal rate of change",
      "root cause not known",
      "bad device",
      "out of calibration",
      "special instructions",
      "above normal, least severe",
      "above normal, moderately severe",
      "below normal, least severe",
      "below normal, moderately severe",
      "received network data in error",
  };
  if (fmi < kTexts.size()) return kTexts[fmi];
  return fmi == 31 ? "condition exists" : nullptr;
}

std::optional<DiagnosticMessage> ParseDiagnosticMessage(
    std::span<const uint8_t> data) {
  if (data.size() < 6) return std::nullopt;
  DiagnosticMessage message;
  message.malfunction = Lamp(data[0], 6);
  message.red_stop = Lamp(data[0], 4);
  message.amber_warning = Lamp(data[0], 2);
  message.protect = Lamp(data[0], 0);
  for (std::size_t at = 2; at + 4 <= data.size(); at += 4) {
    const uint32_t raw = data[at] | uint32_t{data[at + 1]} << 8 |
                         uint32_t{data[at + 2]} << 16 |
                         uint32_t{data[at + 3]} << 24;
    if (raw == 0 || raw == 0xFFFFFFFF) continue;
    TroubleCode code;
    code.spn = data[at] | uint32_t{data[at + 1]} << 8 |
               (uint32_t{data[at + 2]} >> 5) << 16;
    code.fmi = data[at + 2] & 0x1F;
    code.occurrences = data[at + 3] & 0x7F;
    message.codes.push_back(code);
  }
  return message;
}

std::string DescribeDiagnosticMessage(const DiagnosticMessage& message) {
  std::string lamps;
  AppendLamp(lamps, "MIL", message.malfunction);
  AppendLamp(lamps, "RSL", message.red_stop);
  AppendLamp(lamps, "AWL", message.amber_warning);
  AppendLamp(lamps, "PL", message.protect);
  std::string out = lamps.empty() ? "no lamp on" : lamps;
  if (message.codes.empty()) out += "; no trouble code";
  for (const TroubleCode& code : message.codes) {
    out += "; SPN " + std::to_string(code.spn);
    if (const char* name = SpnName(code.spn))
      out += std::string(" (") + name + ")";
    out += " FMI " + std::to_string(code.fmi);
    if (const char* text = FmiText(code.fmi))
      out += std::string(" (") + text + ")";
    out += " OC " + std::to_string(code.occurrences);
  }
  return out;
}

}  // namespace vlrdecode
