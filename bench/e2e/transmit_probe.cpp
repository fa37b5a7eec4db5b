#include "transmit_probe.h"

#include <algorithm>
#include <array>

#include "rp1210.h"

namespace vlr::bench {

short SendSequenced(uint32_t sequence) {
  // The application's J1939 layout: PGN least significant byte first,
  // priority, source, destination, data.
  std::array<uint8_t, 14> message{static_cast<uint8_t>(kIdentifier >> 8),
                                  static_cast<uint8_t>(kIdentifier >> 16),
                                  0x00,
                                  static_cast<uint8_t>(kIdentifier >> 26),
                                  static_cast<uint8_t>(kIdentifier),
                                  0xFF};
  const auto data = SequenceData(sequence);
  std::copy(data.begin(), data.end(), message.begin() + 6);
  return RP1210_SendMessage(0, reinterpret_cast<char*>(message.data()),
                            static_cast<short>(message.size()), 0, 0);
}

Instants LineArrivals(const std::vector<vlrsim::HostFrame>& messages,
                      uint32_t count) {
  Instants arrivals(count);
  for (const vlrsim::HostFrame& frame : messages) {
    if (frame.bus != vlrsim::Bus::kJ1939 || frame.id != kIdentifier) continue;
    const auto sequence = SequenceOf(frame.data);
    if (sequence && *sequence < count && !arrivals[*sequence]) {
      arrivals[*sequence] = frame.at;
    }
  }
  return arrivals;
}

}  // namespace vlr::bench
