// Frames of the 1xx family (devices 101 and 102), both directions. Each
// frame begins with its own total length and every frame's bytes sum to
// zero modulo 256. Pure functions; they never touch a port.
#pragma once

#include <cstdint>
#include <span>

#include "vlrsim/family.h"

namespace vlrsim::counted {

// Host frames: T 6F DE type ... check.
inline constexpr uint8_t kHostMark1 = 0x6F;
inline constexpr uint8_t kHostMark2 = 0xDE;
inline constexpr uint8_t kHostJ1708Type = 0x80;
inline constexpr uint8_t kHostJ1939Type = 0x83;

// Adapter frames: the second byte tells J1708 (81) from J1939 (84); the host
// looks only for the 84 mark when resynchronising its J1939 stream.
inline constexpr uint8_t kAdapterJ1708Type = 0x81;
inline constexpr uint8_t kAdapterJ1939Type = 0x84;
inline constexpr uint8_t kJ1939FrameLength = 19;
// Length of a J1708 counted frame for a message (MID, data, checksum) of n
// bytes: n + 5.
inline constexpr int kJ1708FrameOverhead = 5;

// ---- host to adapter -----------------------------------------------------

// Host J1708 frame: T 6F DE 80 payload check, where the payload is the
// message as the host sends it (MID, data, and the J1708 checksum in
// converted mode). T = payload + 5.
Bytes HostJ1708Frame(std::span<const uint8_t> payload);
// Host J1939 frame: T 6F DE 83 message check, where the message is the
// application's 6..14-byte J1939 layout (PGN LSB first, how/priority,
// source, destination, data) as the host passes it.
Bytes HostJ1939Frame(std::span<const uint8_t> message);

// ---- adapter to host -----------------------------------------------------

// J1708 counted frame: L 81 00 00 MID data checksum check, L = message + 5.
// The last byte makes the frame sum zero (the host does not examine it).
// The message must leave L within one byte (at most 248 data bytes).
Bytes J1708Frame(uint8_t mid, std::span<const uint8_t> data);
// J1939 counted frame, 19 bytes: 13 84 00 00, then the 14-byte layout the
// host delivers (PGN LSB first, priority, source, destination, 8 data bytes)
// and a byte making the sum of all 19 zero. The PGN's first byte carries PS
// whatever the PF (the host clears it for destination-specific groups); the
// destination is PS for those, else 0. The priority byte carries the data
// page bit only. Data shorter than 8 bytes is padded with FF; more than 8 is
// cut to 8 (one CAN frame).
Bytes J1939Frame(uint32_t identifier, std::span<const uint8_t> data);

// The 14-byte message layout the 1xx J1939 frame carries (see J1939Frame).
Bytes J1939Layout(uint32_t identifier, std::span<const uint8_t> data);
// The identifier of a J1939 layout, as the host's frames and the adapter's
// carry it: from its first five bytes (PS, PF, data page, priority,
// source). `layout` holds at least those five.
uint32_t J1939LayoutIdentifier(std::span<const uint8_t> layout);

}  // namespace vlrsim::counted
