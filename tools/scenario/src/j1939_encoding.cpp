#include "j1939_encoding.h"

#include <algorithm>
#include <cmath>

namespace vlrscenario {

uint32_t J1939Id(uint8_t priority, uint32_t pgn, uint8_t source,
                 uint8_t destination) {
  return vlrcommon::j1939::IdentifierOf({pgn, priority, source, destination});
}

uint8_t Scale8(double value, double resolution, double offset) {
  const double raw = std::round((value - offset) / resolution);
  return static_cast<uint8_t>(std::clamp(raw, 0.0, 250.0));
}

void Put16(std::vector<uint8_t>& data, std::size_t at, double value,
           double resolution, double offset) {
  const double raw = std::round((value - offset) / resolution);
  const auto word = static_cast<uint16_t>(std::clamp(raw, 0.0, 64255.0));
  data.at(at) = static_cast<uint8_t>(word & 0xFF);
  data.at(at + 1) = static_cast<uint8_t>(word >> 8);
}

std::vector<vlrsim::TimedMessage> BroadcastTransfer(
    uint32_t pgn, uint8_t priority, uint8_t source,
    std::span<const uint8_t> data, std::chrono::microseconds at,
    std::chrono::microseconds spacing) {
  const auto packets = static_cast<uint8_t>((data.size() + 6) / 7);
  std::vector<vlrsim::TimedMessage> out;
  vlrsim::TimedMessage announce;
  announce.at = at;
  announce.id = J1939Id(priority, kPgnTpCm, source);
  announce.data = {0x20, static_cast<uint8_t>(data.size() & 0xFF),
                   static_cast<uint8_t>(data.size() >> 8), packets, 0xFF};
  const auto pgn_bytes = vlrcommon::j1939::PgnBytes(pgn);
  announce.data.insert(announce.data.end(), pgn_bytes.begin(), pgn_bytes.end());
  out.push_back(announce);
  for (uint8_t k = 1; k <= packets; ++k) {
    vlrsim::TimedMessage packet;
    packet.at = at + spacing * k;
    packet.id = J1939Id(priority, kPgnTpDt, source);
    packet.data.assign(8, 0xFF);
    packet.data[0] = k;
    const std::size_t from = std::size_t{k - 1u} * 7;
    const std::size_t count = std::min<std::size_t>(7, data.size() - from);
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(from), count,
                packet.data.begin() + 1);
    out.push_back(std::move(packet));
  }
  return out;
}

std::vector<uint8_t> EncodeName(const EcuName& name) {
  const uint64_t value = (uint64_t{name.identity} & 0x1FFFFF) |
                         (uint64_t{name.manufacturer} & 0x7FF) << 21 |
                         (uint64_t{name.ecu_instance} & 0x7) << 32 |
                         (uint64_t{name.function_instance} & 0x1F) << 35 |
                         uint64_t{name.function} << 40 |
                         (uint64_t{name.vehicle_system} & 0x7F) << 49 |
                         (uint64_t{name.vehicle_system_instance} & 0xF) << 56 |
                         (uint64_t{name.industry_group} & 0x7) << 60 |
                         uint64_t{name.arbitrary_address_capable} << 63;
  std::vector<uint8_t> bytes(8);
  for (std::size_t i = 0; i < 8; ++i) {
    bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  }
  return bytes;
}

}  // namespace vlrscenario
