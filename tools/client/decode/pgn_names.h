// Names of the parameter groups a technician meets most, J1939 and the
// NMEA 2000 groups that share marine engine networks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vlrdecode {

struct PgnName {
  const char* acronym;  // "EEC1"; empty when the group has none
  const char* title;    // "Electronic Engine Controller 1"
};

// Known groups, plus the proprietary ranges (PropA, PropB). Nothing for
// any other number.
std::optional<PgnName> FindPgnName(uint32_t pgn);

// The short label printed beside a PGN: the acronym, else the title.
std::string PgnLabel(uint32_t pgn);

// A PGN from what a user typed: an acronym ("EEC1", any case), a decimal
// number ("61444"), or hex with "0x" ("0xF004") or with a hex letter
// ("F004"). Nothing for anything else or above 18 bits.
std::optional<uint32_t> ParsePgn(std::string_view text);

}  // namespace vlrdecode
