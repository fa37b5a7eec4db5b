// The message buffers RP1210_SendMessage takes, built from what a user
// typed: J1939 as PGN (least significant byte first), priority, source,
// destination, data; J1708 as priority, MID, data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vlrclient {

struct J1939Fields {
  uint32_t pgn = 0;
  uint8_t priority = 6;
  uint8_t source = 0xF9;  // the usual address of an off-board service tool
  uint8_t destination = 0xFF;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> BuildJ1939Message(const J1939Fields& fields);
// Command 19's buffer: the address, the NAME least significant byte first,
// and 0 = return once the claim is settled.
std::vector<uint8_t> BuildClaimCommand(uint8_t address, uint64_t name);

// The priority byte's mark of a broadcast transfer to a specific destination.
inline constexpr uint8_t kBroadcastTransferBit = 0x80;

std::vector<uint8_t> BuildJ1708Message(uint8_t priority, uint8_t mid,
                                       std::span<const uint8_t> data);

// A frame written the way cansend takes it: "18FEF100#0102030405060708"
// (8 hex digits, optionally after "0x", '#', up to 1785 data bytes in pairs
// of hex digits; longer than 8 goes out as a multi-packet transfer).
// Nothing, with a reason in `error`, for anything else.
std::optional<J1939Fields> ParseFrameText(std::string_view text,
                                          std::string& error);

// How many frames the driver writes for a J1939 message of `data_bytes`:
// one, or an announce and a packet per seven bytes.
std::size_t J1939FrameCount(std::size_t data_bytes);

}  // namespace vlrclient
