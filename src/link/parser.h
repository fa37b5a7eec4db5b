// The two adapter-to-host parsers. Both are pure: bytes and a kept tail
// in, deliveries to a sink out; no I/O, no threads, no hidden buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vlr::link {

constexpr size_t kMaxReadSize = 4000;
constexpr size_t kMaxRecordSize = 261;  // 6-byte J1939 header + 255

// Bytes held back between reads to join frames split across them; one per
// open device, kept by its session.
struct KeptTail {
  std::array<uint8_t, 800> bytes{};
  size_t count = 0;
};

enum class ParseProtocol : uint8_t { kJ1708, kJ1939 };

// Everything a parser asks of the open device or hands to it.
class ParserSink {
 public:
  virtual ~ParserSink() = default;
  // Some client of the device takes messages of `protocol`. Message frames
  // of a protocol nobody takes are scanned over like any other bytes.
  virtual bool Wants(ParseProtocol protocol) const = 0;
  // Some client's filter accepts the message.
  virtual bool AcceptJ1708(uint8_t mid) = 0;
  virtual bool AcceptJ1939(const uint8_t* message) = 0;  // 14+ bytes
  // Queue one message for the clients that take it and notify with
  // `notifyValue` as both window message parameters. A J1708 message is
  // MID, data and its checksum byte (each client's mode decides whether it
  // keeps the checksum); a J1939 record is the delivered layout, at most
  // kMaxRecordSize bytes.
  virtual void DeliverJ1708(std::span<const uint8_t> message,
                            int notifyValue) = 0;
  virtual void DeliverJ1939(std::span<const uint8_t> record,
                            int notifyValue) = 0;
  // J1708 flow control of the 2xx family.
  virtual bool OkToSend() const = 0;
  virtual void SetOkToSend() = 0;
  // The 2xx adapter acknowledged a command frame on `channel`.
  virtual void CommandAcknowledged(uint8_t channel) = 0;
};

// 2xx family (devices 201-204). `read` holds 1..kMaxReadSize bytes.
void ParseSyncedFrames(std::span<const uint8_t> read, KeptTail& tail,
                       ParserSink& sink);

// Devices 101 and 102. `read` holds 1..kMaxReadSize bytes.
void ParseCountedFrames(std::span<const uint8_t> read, KeptTail& tail,
                        ParserSink& sink);

bool SumIsZero(std::span<const uint8_t> bytes);

// Builds the delivered J1939 record from a 2xx J1939 payload (identifier x 8
// most significant byte first, data count c, c data bytes). Returns c + 6,
// or 0 when the payload is shorter than 5 + c bytes.
size_t ConvertJ1939Message(std::span<const uint8_t> payload,
                           std::span<uint8_t, kMaxRecordSize> out);

}  // namespace vlr::link
