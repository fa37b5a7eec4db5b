#pragma once

#include <cstdint>

namespace vlr {

enum class Protocol : uint8_t { kJ1708, kJ1939 };

inline const char* ProtocolName(Protocol protocol) {
  return protocol == Protocol::kJ1939 ? "J1939" : "J1708";
}

}  // namespace vlr
