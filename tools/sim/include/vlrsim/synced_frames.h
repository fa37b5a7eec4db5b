// Frames of the 2xx family, both directions. Every 2xx frame has one shape:
//   01, n, n header bytes (the first is the channel), L, L data bytes, sum
// where sum is the plain 8-bit sum of every byte before it. Encoders here
// are pure functions; they never touch a port.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "vlrsim/family.h"

namespace vlrsim::synced {

// Channels (first header byte).
inline constexpr uint8_t kChannelJ1708 = 0x01;
inline constexpr uint8_t kChannelJ1939 = 0x02;
inline constexpr uint8_t kChannelLink = 0x08;
inline constexpr uint8_t kChannelFlow = 0x09;

// Command codes (second header byte of a command frame).
inline constexpr uint8_t kJ1708ReceiveOn = 0x11;
inline constexpr uint8_t kJ1708ReceiveOff = 0x10;
inline constexpr uint8_t kJ1939ReceiveOn = 0x01;
inline constexpr uint8_t kJ1939ReceiveOff = 0x00;
inline constexpr uint8_t kJ1939FilterMask = 0x04;
inline constexpr uint8_t kLinkRateChange = 0x01;
// Filter slot codes: 0x19, 0x29, 0x39, 0x49 for slots 0..3.
inline constexpr uint8_t FilterSlotCode(int slot) {
  return static_cast<uint8_t>(0x19 + 0x10 * slot);
}
// The slot a code programs, or -1 when the code is not a slot code.
int FilterSlotOf(uint8_t code);

// Second header byte of the host's message frames (01 03 01 12 01 L ...,
// 01 06 02 02 id id id id L ...).
inline constexpr uint8_t kHostJ1708Tag = 0x12;
inline constexpr uint8_t kHostJ1939Tag = 0x02;

// The host's start-up: 22 'B' bytes, then the rate change, then receive mode.
inline constexpr uint8_t kWakeUpByte = 0x42;
inline constexpr int kWakeUpCount = 22;

// Any frame of the common shape: header (channel first) and data.
Bytes Frame(std::span<const uint8_t> header, std::span<const uint8_t> data);

// ---- host to adapter -----------------------------------------------------

// Command frame: 01 n channel code args... 00 sum (n = 2 + args).
Bytes CommandFrame(uint8_t channel, uint8_t code,
                   std::span<const uint8_t> args = {});
// 01 05 08 01 03 04 00 00 16
Bytes RateChangeFrame();
// 01 02 01 11 00 15 (J1708) or 01 02 02 01 00 06 (J1939).
Bytes ReceiveModeFrame(bool j1939);
// Filter mask frame: 01 06 02 04 M0..M3 00 sum; `mask` as sent, MSB first.
Bytes FilterMaskFrame(uint32_t mask);
// Filter slot frame for slot 0..3: 01 06 02 code V3..V0 00 sum.
Bytes FilterSlotFrame(int slot, uint32_t value);
// Host J1708 message frame: 01 03 01 12 01 L payload sum, where the payload
// is the J1708 message as the host sends it (normally MID, data, checksum).
Bytes HostJ1708Frame(std::span<const uint8_t> payload);
// Host J1939 message frame: 01 06 02 02 (id<<3, BE) L data sum.
Bytes HostJ1939Frame(uint32_t identifier, std::span<const uint8_t> data);

// ---- adapter to host -----------------------------------------------------

// Acknowledgement of a command on `channel`: 01 01 channel 00 sum.
Bytes AckFrame(uint8_t channel);
// J1708 flow control: 01 01 09 00 0B.
Bytes ReadyFrame();
// Message frame: 01 05 channel s3 s2 s1 s0 n payload sum. The four `stamp`
// bytes are the adapter's own and the host does not examine them.
Bytes MessageFrame(uint8_t channel, std::span<const uint8_t> payload,
                   uint32_t stamp = 0);
// J1708 message frame; the payload is MID, data and the J1708 checksum,
// which this appends. At most 253 data bytes (longer data is cut).
Bytes J1708MessageFrame(uint8_t mid, std::span<const uint8_t> data,
                        uint32_t stamp = 0);
// J1939 message frame; payload (id<<3, BE), count, data. At most 250 data
// bytes (the payload length is one byte).
Bytes J1939MessageFrame(uint32_t identifier, std::span<const uint8_t> data,
                        uint32_t stamp = 0);

// The 29-bit identifier as the line carries it: shifted left by 3, MSB
// first, and back.
std::array<uint8_t, 4> IdentifierBytes(uint32_t identifier);
uint32_t IdentifierFromBytes(std::span<const uint8_t, 4> bytes);

}  // namespace vlrsim::synced
