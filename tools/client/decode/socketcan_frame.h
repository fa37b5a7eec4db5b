// J1939 frames as SocketCAN packets, the form Wireshark and tcpdump read
// from captures of link type 227 (LINKTYPE_CAN_SOCKETCAN).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "output_format.h"

namespace vlrdecode {

inline constexpr int kLinkTypeSocketCan = 227;
inline constexpr std::size_t kSocketCanFrameSize = 16;

// Identifier with the extended-frame flag (most significant byte first, as
// the link type wants), length, three reserved bytes, eight data bytes.
// Nothing for what never travelled as one CAN frame: J1708 messages,
// joined transfers, more than 8 data bytes.
std::optional<std::array<uint8_t, kSocketCanFrameSize>> SocketCanFrame(
    const MessageEvent& event);

}  // namespace vlrdecode
