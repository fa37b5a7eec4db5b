#include "pgn_names.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "vlrcommon/hex_text.h"

namespace vlrdecode {
namespace {

struct Entry {
  uint32_t pgn;
  PgnName name;
};

constexpr std::array kNames = {
    Entry{0x000000, {"TSC1", "Torque/Speed Control 1"}},
    Entry{0x00E800, {"ACKM", "Acknowledgement"}},
    Entry{0x00EA00, {"RQST", "Request"}},
    Entry{0x00EB00, {"TP.DT", "Transport Protocol - Data Transfer"}},
    Entry{0x00EC00, {"TP.CM", "Transport Protocol - Connection Management"}},
    Entry{0x00EE00, {"AC", "Address Claimed"}},
    Entry{0x00F001, {"EBC1", "Electronic Brake Controller 1"}},
    Entry{0x00F002, {"ETC1", "Electronic Transmission Controller 1"}},
    Entry{0x00F003, {"EEC2", "Electronic Engine Controller 2"}},
    Entry{0x00F004, {"EEC1", "Electronic Engine Controller 1"}},
    Entry{0x00F005, {"ETC2", "Electronic Transmission Controller 2"}},
    Entry{0x00FECA, {"DM1", "Active Diagnostic Trouble Codes"}},
    Entry{0x00FECB, {"DM2", "Previously Active Diagnostic Trouble Codes"}},
    Entry{0x00FECC, {"DM3", "Diagnostic Data Clear of Previously Active DTCs"}},
    Entry{0x00FED3, {"DM11", "Diagnostic Data Clear of Active DTCs"}},
    Entry{0x00FEDA, {"SOFT", "Software Identification"}},
    Entry{0x00FEDF, {"EEC3", "Electronic Engine Controller 3"}},
    Entry{0x00FEE0, {"VD", "Vehicle Distance"}},
    Entry{0x00FEE3, {"EC1", "Engine Configuration 1"}},
    Entry{0x00FEE4, {"SHUTDN", "Shutdown"}},
    Entry{0x00FEE5, {"HOURS", "Engine Hours, Revolutions"}},
    Entry{0x00FEE6, {"TD", "Time/Date"}},
    Entry{0x00FEE8, {"VDS", "Vehicle Direction/Speed"}},
    Entry{0x00FEE9, {"LFC", "Fuel Consumption (Liquid)"}},
    Entry{0x00FEEC, {"VI", "Vehicle Identification"}},
    Entry{0x00FEEE, {"ET1", "Engine Temperature 1"}},
    Entry{0x00FEEF, {"EFL/P1", "Engine Fluid Level/Pressure 1"}},
    Entry{0x00FEF0, {"PTO", "Power Takeoff Information"}},
    Entry{0x00FEF1, {"CCVS", "Cruise Control/Vehicle Speed"}},
    Entry{0x00FEF2, {"LFE", "Fuel Economy (Liquid)"}},
    Entry{0x00FEF3, {"VP", "Vehicle Position"}},
    Entry{0x00FEF5, {"AMB", "Ambient Conditions"}},
    Entry{0x00FEF6, {"IC1", "Inlet/Exhaust Conditions 1"}},
    Entry{0x00FEF7, {"VEP1", "Vehicle Electrical Power 1"}},
    Entry{0x00FEF8, {"TRF1", "Transmission Fluids 1"}},
    Entry{0x00FEFC, {"DD", "Dash Display"}},
    Entry{0x00FEC1, {"VDHR", "High Resolution Vehicle Distance"}},
    Entry{0x00FE6C, {"TCO1", "Tachograph"}},
    Entry{0x01F010, {"", "NMEA 2000 System Time"}},
    Entry{0x01F011, {"", "NMEA 2000 Heartbeat"}},
    Entry{0x01F014, {"", "NMEA 2000 Product Information"}},
    Entry{0x01F10D, {"", "NMEA 2000 Rudder"}},
    Entry{0x01F112, {"", "NMEA 2000 Vessel Heading"}},
    Entry{0x01F200, {"", "NMEA 2000 Engine Parameters, Rapid Update"}},
    Entry{0x01F201, {"", "NMEA 2000 Engine Parameters, Dynamic"}},
    Entry{0x01F205, {"", "NMEA 2000 Transmission Parameters, Dynamic"}},
    Entry{0x01F211, {"", "NMEA 2000 Fluid Level"}},
    Entry{0x01F214, {"", "NMEA 2000 Battery Status"}},
    Entry{0x01F503, {"", "NMEA 2000 Speed"}},
    Entry{0x01F50B, {"", "NMEA 2000 Water Depth"}},
    Entry{0x01F801, {"", "NMEA 2000 Position, Rapid Update"}},
    Entry{0x01F802, {"", "NMEA 2000 COG & SOG, Rapid Update"}},
    Entry{0x01FA03, {"", "NMEA 2000 GNSS DOPs"}},
    Entry{0x01FA04, {"", "NMEA 2000 GNSS Satellites in View"}},
    Entry{0x01FD06, {"", "NMEA 2000 Environmental Parameters"}},
    Entry{0x01FD07, {"", "NMEA 2000 Environmental Parameters"}},
};

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::optional<uint32_t> ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return value;
}

}  // namespace

std::optional<PgnName> FindPgnName(uint32_t pgn) {
  for (const Entry& entry : kNames) {
    if (entry.pgn == pgn) return entry.name;
  }
  if (pgn == 0x00EF00) return PgnName{"PropA", "Proprietary A"};
  if (pgn >= 0x00FF00 && pgn <= 0x00FFFF)
    return PgnName{"PropB", "Proprietary B"};
  return std::nullopt;
}

std::string PgnLabel(uint32_t pgn) {
  auto name = FindPgnName(pgn);
  if (!name) return "";
  return *name->acronym ? name->acronym : name->title;
}

std::optional<uint32_t> ParsePgn(std::string_view text) {
  const std::string upper = Upper(text);
  for (const Entry& entry : kNames) {
    if (*entry.name.acronym && upper == Upper(entry.name.acronym))
      return entry.pgn;
  }
  // Hexadecimal when it says so with 0x or a letter digit, else decimal.
  const bool hex = upper.rfind("0X", 0) == 0 ||
                   upper.find_first_of("ABCDEF") != std::string::npos;
  const std::optional<uint32_t> value =
      hex ? vlrcommon::ParseHexNumber(upper) : ParseDecimal(upper);
  if (!value || *value > 0x3FFFF) return std::nullopt;
  return value;
}

}  // namespace vlrdecode
