#include "connection/protocol_string.h"

#include <span>
#include <string_view>

namespace vlr {
namespace {

// The adapters run J1939 at 250 kbit/s and J1708 at 9600 bit/s only, so
// "Auto" can only ever find those.
constexpr std::string_view kJ1939Rates[] = {"Auto", "250", "250000"};
constexpr std::string_view kJ1708Rates[] = {"Auto", "9600"};

struct KnownProtocol {
  std::string_view name;
  Protocol protocol;
  std::span<const std::string_view> rates;  // what may follow ":Baud="
};

constexpr KnownProtocol kKnownProtocols[] = {
    {"J1939", Protocol::kJ1939, kJ1939Rates},
    {"J1708", Protocol::kJ1708, kJ1708Rates},
};

constexpr std::string_view kBaudParameter = ":Baud=";

bool IsRunnableRate(const KnownProtocol& known, std::string_view rate) {
  for (std::string_view runnable : known.rates) {
    if (rate == runnable) return true;
  }
  return false;
}

}  // namespace

std::optional<Protocol> ParseProtocolString(const char* text) {
  if (text == nullptr) return std::nullopt;
  const std::string_view whole(text);
  for (const KnownProtocol& known : kKnownProtocols) {
    if (!whole.starts_with(known.name)) continue;
    const std::string_view rest = whole.substr(known.name.size());
    if (rest.empty()) return known.protocol;
    if (rest.starts_with(kBaudParameter) &&
        IsRunnableRate(known, rest.substr(kBaudParameter.size()))) {
      return known.protocol;
    }
  }
  return std::nullopt;
}

}  // namespace vlr
