#include "j1939_network.h"

#include <cstdio>

#include "pgn_names.h"
#include "transport.h"

namespace vlrdecode {
namespace {

constexpr uint32_t kPgnAcknowledgement = 0x00E800;
constexpr uint32_t kPgnRequest = 0x00EA00;
constexpr uint32_t kPgnAddressClaimed = 0x00EE00;

uint32_t Pgn24(const std::vector<uint8_t>& d, std::size_t at) {
  return vlrcommon::j1939::PgnFromBytes(std::span(d).subspan(at).first<3>());
}

std::string PgnText(uint32_t pgn) {
  char text[32];
  std::snprintf(text, sizeof text, "PGN %04X", pgn);
  std::string label = PgnLabel(pgn);
  return label.empty() ? text : std::string(text) + " (" + label + ")";
}

std::string DescribeName(const std::vector<uint8_t>& d) {
  uint64_t name = 0;
  for (std::size_t i = 0; i < 8; ++i) name |= uint64_t{d[i]} << (8 * i);
  char text[200];
  std::snprintf(text, sizeof text,
                "NAME %016llX: function %u instance %u, ECU instance %u, "
                "industry group %u, "
                "vehicle system %u, manufacturer %u, identity %u%s",
                static_cast<unsigned long long>(name),
                static_cast<unsigned>((name >> 40) & 0xFF),
                static_cast<unsigned>((name >> 35) & 0x1F),
                static_cast<unsigned>((name >> 32) & 0x7),
                static_cast<unsigned>((name >> 60) & 0x7),
                static_cast<unsigned>((name >> 49) & 0x7F),
                static_cast<unsigned>((name >> 21) & 0x7FF),
                static_cast<unsigned>(name & 0x1FFFFF),
                (name >> 63) ? ", arbitrary address capable" : "");
  return text;
}

std::string DescribeAcknowledgement(const std::vector<uint8_t>& d) {
  static const char* const kControls[] = {"ACK", "NACK", "access denied",
                                          "cannot respond"};
  std::string control =
      d[0] < 4 ? kControls[d[0]] : "control " + std::to_string(d[0]);
  return control + " for " + PgnText(Pgn24(d, 5)) + " to address " +
         std::to_string(d[4]);
}

std::string DescribeTransportControl(const std::vector<uint8_t>& d) {
  const unsigned size = d[1] | d[2] << 8;
  const std::string of = " of " + PgnText(Pgn24(d, 5));
  switch (d[0]) {
    case 0x20:
      return "BAM: " + std::to_string(size) + " bytes in " +
             std::to_string(d[3]) + " packets" + of;
    case 0x10:
      return "RTS: " + std::to_string(size) + " bytes in " +
             std::to_string(d[3]) + " packets" + of;
    case 0x11:
      return "CTS: " + std::to_string(d[1]) + " packets from " +
             std::to_string(d[2]) + of;
    case 0x13:
      return "end of message ACK: " + std::to_string(size) + " bytes" + of;
    case 0xFF:
      return "abort, reason " + std::to_string(d[1]) + of;
    default:
      return "control " + std::to_string(d[0]) + of;
  }
}

}  // namespace

std::optional<std::string> DescribeNetworkMessage(const J1939Message& message) {
  const std::vector<uint8_t>& d = message.data;
  switch (message.pgn) {
    case kPgnAddressClaimed:
      if (d.size() < 8) return std::nullopt;
      return DescribeName(d);
    case kPgnRequest:
      if (d.size() < 3) return std::nullopt;
      return "request for " + PgnText(Pgn24(d, 0));
    case kPgnAcknowledgement:
      if (d.size() < 8) return std::nullopt;
      return DescribeAcknowledgement(d);
    case kPgnTpCm:
      if (d.size() < 8) return std::nullopt;
      return DescribeTransportControl(d);
    case kPgnTpDt:
      if (d.empty()) return std::nullopt;
      return "packet " + std::to_string(d[0]);
    default:
      return std::nullopt;
  }
}

}  // namespace vlrdecode
