// Encoding and decoding of the frames the network layer speaks: transport
// control (TP.CM), transport data (TP.DT), Address Claimed and Request.
// Frames are in the application layout: PGN (3 bytes, LSB first), priority,
// source, destination, then up to 8 data bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "network/network_types.h"

namespace vlr::network {

constexpr size_t kHeaderSize = 6;
constexpr size_t kBytesPerPacket = 7;
constexpr size_t kMinTransportData = 9;  // 8 bytes or fewer go as one frame
constexpr uint8_t kGlobal = 255;
constexpr uint8_t kNullAddress = 254;
constexpr uint8_t kTransportPriority = 7;
constexpr uint8_t kClaimPriority = 6;

// PDU format byte (byte 1 of the application header).
namespace pf {
constexpr uint8_t kRequest = 0xEA;
constexpr uint8_t kTransportData = 0xEB;
constexpr uint8_t kTransportControl = 0xEC;
constexpr uint8_t kAddressClaimed = 0xEE;
}  // namespace pf

// First data byte of a TP.CM frame.
namespace control {
constexpr uint8_t kRts = 0x10;
constexpr uint8_t kCts = 0x11;
constexpr uint8_t kEndOfMessage = 0x13;
constexpr uint8_t kBam = 0x20;
constexpr uint8_t kAbort = 0xFF;
}  // namespace control

enum class AbortReason : uint8_t {
  kAlreadyInSession = 1,
  kResourcesNeeded = 2,
  kTimeout = 3,
  kCtsDuringData = 4,
  kRetransmitLimit = 5,
  kUnexpectedData = 6,
  kBadSequence = 7,
  kDuplicateSequence = 8,
  kTooLarge = 9,
};

using Pgn = std::array<uint8_t, 3>;  // LSB first, as in the header

// Same parameter group. For destination-specific groups (PF below 240) the
// low byte is where a destination would go, and senders disagree on
// whether to leave it 0, so it is not compared.
bool SamePgn(const Pgn& a, const Pgn& b);

struct FrameHeader {
  uint8_t pf = 0;
  uint8_t priority = 0;
  uint8_t source = 0;
  uint8_t destination = 0;
};
// `message` holds at least kHeaderSize bytes.
FrameHeader HeaderOf(std::span<const uint8_t> message);

// The eight data bytes of a TP.CM frame, read per control byte.
struct ControlData {
  std::array<uint8_t, 8> bytes{};
  uint8_t Code() const { return bytes[0]; }
  uint16_t Size() const;  // RTS, EOM ACK, BAM
  uint8_t Packets() const { return bytes[3]; }
  uint8_t MaxPerCts() const { return bytes[4]; }  // RTS
  uint8_t CtsCount() const { return bytes[1]; }   // CTS
  uint8_t CtsNext() const { return bytes[2]; }    // CTS
  uint8_t AbortCode() const { return bytes[1]; }  // Abort
  Pgn TransferredPgn() const { return {bytes[5], bytes[6], bytes[7]}; }
};
// nullopt when the frame has fewer than 8 data bytes.
std::optional<ControlData> DecodeControl(std::span<const uint8_t> message);

// Packets needed for `size` data bytes.
constexpr size_t PacketsFor(size_t size) {
  return (size + kBytesPerPacket - 1) / kBytesPerPacket;
}

Packet RtsPacket(uint8_t source, uint8_t destination, uint16_t size,
                 uint8_t packets, const Pgn& pgn);
Packet CtsPacket(uint8_t source, uint8_t destination, uint8_t count,
                 uint8_t next, const Pgn& pgn);
Packet EndOfMessagePacket(uint8_t source, uint8_t destination, uint16_t size,
                          uint8_t packets, const Pgn& pgn);
Packet BamPacket(uint8_t source, uint16_t size, uint8_t packets,
                 const Pgn& pgn);
Packet AbortPacket(uint8_t source, uint8_t destination, AbortReason reason,
                   const Pgn& pgn);
// Packet `sequence` (1-based) of `data`; the last one is padded with 0xFF.
Packet DataPacket(uint8_t source, uint8_t destination, uint8_t sequence,
                  std::span<const uint8_t> data);
Packet AddressClaimedPacket(uint8_t source, const Name& name);

// A Request frame asking for Address Claimed.
bool IsAddressClaimRequest(std::span<const uint8_t> message);

// NAME as the number that decides a contest (lower wins).
uint64_t NameValue(const Name& name);

}  // namespace vlr::network
