// The J1939 filter a monitor asks for, as the buffer of command 4: one
// seven-byte group (flags, PGN least significant byte first, priority,
// source, destination) for every combination of the PGNs, sources and
// destinations given, so "--pgn EEC1 --pgn CCVS --source 0" passes EEC1
// and CCVS from address 0 only.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vlrclient {

struct J1939Filter {
  std::vector<uint32_t> pgns;
  std::vector<uint8_t> sources;
  std::vector<uint8_t> destinations;
  std::optional<uint8_t> priority;

  bool empty() const {
    return pgns.empty() && sources.empty() && destinations.empty() && !priority;
  }
};

inline constexpr std::size_t kFilterGroupSize = 7;
// The driver stores at most this many groups.
inline constexpr std::size_t kMaxFilterGroups = 256;

std::vector<uint8_t> BuildFilterGroups(const J1939Filter& filter);

// The same filter applied to a received message. A 2xx adapter's own
// filter compares only the PF byte of a PGN and the upper six bits of an
// address, and the driver adds no test of its own for those adapters, so
// the monitor applies the exact test itself. A broadcast group's
// destination counts as the global address 0xFF.
bool Matches(const J1939Filter& filter, uint32_t pgn, uint8_t priority,
             uint8_t source, uint8_t destination);

}  // namespace vlrclient
