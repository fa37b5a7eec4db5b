// Drives a parser with a fuzz input the way the reader thread would: the
// first bytes choose the connection's settings and how the rest is cut into
// reads, each read sits in a heap block of exactly its size so that reading
// past it is caught, and every result is checked against its bounds.
//
// Input: settings byte, two bytes seeding the read sizes, then the stream.
// Settings bits: 0 J1939 (else J1708), 1 J1708 raw mode, 2 OkToSend at the
// start, 3 OkToSend cleared again after every ready frame (as the writer
// does), 4-5 filter: pass all, reject all, reject odd, reject even.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

#include "link/parser.h"

namespace vlr::link::fuzz {

inline void Require(bool holds) {
  if (!holds) std::abort();
}

class CheckingSink : public ParserSink {
 public:
  CheckingSink(uint8_t settings, int notifyValue)
      : settings_(settings),
        notifyValue_(notifyValue),
        okToSend_(settings & 0x04) {}

  bool Wants(ParseProtocol protocol) const override {
    if (settings_ & 0x40) return true;
    return protocol ==
           (settings_ & 0x01 ? ParseProtocol::kJ1939 : ParseProtocol::kJ1708);
  }
  bool AcceptJ1708(uint8_t mid) override { return Accept(mid); }
  bool AcceptJ1939(const uint8_t* message) override {
    // The filter reads the whole record; all 14 bytes must be readable.
    uint8_t sum = 0;
    for (int i = 0; i < 14; ++i) sum = static_cast<uint8_t>(sum + message[i]);
    return Accept(static_cast<uint8_t>(message[4] + (sum & 0x80)));
  }
  void DeliverJ1708(std::span<const uint8_t> message,
                    int notifyValue) override {
    Require(!message.empty());
    DeliverJ1939(message.first(message.size() - (settings_ & 0x02 ? 0 : 1)),
                 notifyValue);
  }
  void DeliverJ1939(std::span<const uint8_t> record, int notifyValue) override {
    Require(record.size() <= kMaxRecordSize);
    Require(notifyValue == notifyValue_);
    // Copied as the queue copies it, so a record reaching outside the
    // parser's buffers is caught here.
    auto entry = std::make_unique<uint8_t[]>(record.size() + 1);
    if (!record.empty()) std::memcpy(entry.get(), record.data(), record.size());
  }
  bool OkToSend() const override { return okToSend_; }
  void SetOkToSend() override { okToSend_ = !(settings_ & 0x08); }
  void CommandAcknowledged(uint8_t channel) override {
    Require(channel == 0x01 || channel == 0x02 || channel == 0x08);
  }

 private:
  bool Accept(uint8_t key) const {
    switch ((settings_ >> 4) & 0x03) {
      case 0:
        return true;
      case 1:
        return false;
      case 2:
        return key % 2 == 0;
      default:
        return key % 2 == 1;
    }
  }

  uint8_t settings_;
  int notifyValue_;
  bool okToSend_;
};

// Read sizes of every scale up to the largest read: mostly a few bytes,
// sometimes a few dozen, now and then thousands.
class ReadSizes {
 public:
  explicit ReadSizes(uint16_t seed) : state_(seed | 0x10000u) {}
  size_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    static constexpr size_t kLimits[] = {4, 64, 600, kMaxReadSize};
    return 1 + (state_ >> 2) % kLimits[state_ & 0x03];
  }

 private:
  uint32_t state_;
};

using Parser = void (*)(std::span<const uint8_t>, KeptTail&, ParserSink&);

inline int RunParser(const uint8_t* data, size_t size, Parser parse,
                     size_t longestTail, int notifyValue) {
  if (size < 3) return 0;
  CheckingSink sink(data[0], notifyValue);
  ReadSizes sizes(static_cast<uint16_t>(data[1] << 8 | data[2]));
  KeptTail tail;
  std::span<const uint8_t> stream(data + 3, size - 3);
  while (!stream.empty()) {
    const size_t count = std::min(sizes.Next(), stream.size());
    auto read = std::make_unique<uint8_t[]>(count);
    std::memcpy(read.get(), stream.data(), count);
    parse({read.get(), count}, tail, sink);
    Require(tail.count <= longestTail);
    stream = stream.subspan(count);
  }
  return 0;
}

}  // namespace vlr::link::fuzz
