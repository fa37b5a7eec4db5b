#include "ping_probe.h"

#include <algorithm>

#include "rp1210.h"

namespace vlr::bench {
namespace {

constexpr uint32_t kRequestPf = 0xEA;
constexpr uint8_t kEngine = 0x00;
constexpr uint8_t kServiceTool = 0xF9;
constexpr size_t kTimestampBytes = 4;

// The requested PGN as it travels: least significant byte first.
constexpr std::array<uint8_t, 3> kRequestData{
    static_cast<uint8_t>(kRequestedPgn),
    static_cast<uint8_t>(kRequestedPgn >> 8),
    static_cast<uint8_t>(kRequestedPgn >> 16)};

}  // namespace

std::optional<RequestAnswer> AnswerTo(const vlrsim::HostFrame& frame) {
  if (frame.kind != vlrsim::HostFrame::Kind::kMessage ||
      frame.bus != vlrsim::Bus::kJ1939 ||
      (frame.id >> 16 & 0xFF) != kRequestPf ||
      (frame.id >> 8 & 0xFF) != kEngine ||
      !std::ranges::equal(frame.data, kRequestData)) {
    return std::nullopt;
  }
  RequestAnswer answer;
  answer.data = {0x10, 0x27, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
  return answer;
}

short SendRequest() {
  // PGN least significant byte first, priority, source, destination, data.
  std::array<uint8_t, 9> message{0x00,
                                 kRequestPf,
                                 0x00,
                                 0x06,
                                 kServiceTool,
                                 kEngine,
                                 kRequestData[0],
                                 kRequestData[1],
                                 kRequestData[2]};
  return RP1210_SendMessage(0, reinterpret_cast<char*>(message.data()),
                            static_cast<short>(message.size()), 0, 0);
}

bool IsAnswer(std::span<const uint8_t> read) {
  if (read.size() < kTimestampBytes + 3) return false;
  const auto pgn = read.subspan(kTimestampBytes, 3);
  return pgn[0] == static_cast<uint8_t>(kRequestedPgn) &&
         pgn[1] == static_cast<uint8_t>(kRequestedPgn >> 8) &&
         pgn[2] == static_cast<uint8_t>(kRequestedPgn >> 16);
}

}  // namespace vlr::bench
