// A client's network layer on a simulated clock, and the frames a peer on
// the bus would send it, written out byte by byte rather than with the
// layer's own encoders so that a wrong encoding shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "network/client_network.h"

namespace vlr::network::testing {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kUs = 0x80;                  // the address our client claims
constexpr uint8_t kPeer = 0x20;                // the ECU on the other end
constexpr uint8_t kTp = 7;                     // priority of transport frames
inline const Bytes kPgn = {0xCA, 0xFE, 0x00};  // a broadcast group, 0xFECA

inline Bytes FrameOf(uint8_t pf, uint8_t priority, uint8_t source,
                     uint8_t destination, const Bytes& data) {
  Bytes frame = {0x00, pf, 0x00, priority, source, destination};
  frame.insert(frame.end(), data.begin(), data.end());
  return frame;
}

inline Bytes Cm(uint8_t source, uint8_t destination, Bytes eight) {
  return FrameOf(0xEC, kTp, source, destination, eight);
}
inline Bytes Rts(uint8_t source, uint8_t destination, uint16_t size,
                 uint8_t packets, uint8_t maxPerCts) {
  return Cm(source, destination,
            {0x10, uint8_t(size), uint8_t(size >> 8), packets, maxPerCts,
             kPgn[0], kPgn[1], kPgn[2]});
}
inline Bytes Cts(uint8_t source, uint8_t destination, uint8_t count,
                 uint8_t next) {
  return Cm(source, destination,
            {0x11, count, next, 0xFF, 0xFF, kPgn[0], kPgn[1], kPgn[2]});
}
inline Bytes Eom(uint8_t source, uint8_t destination, uint16_t size,
                 uint8_t packets) {
  return Cm(source, destination,
            {0x13, uint8_t(size), uint8_t(size >> 8), packets, 0xFF, kPgn[0],
             kPgn[1], kPgn[2]});
}
inline Bytes Bam(uint8_t source, uint16_t size, uint8_t packets) {
  return Cm(source, 0xFF,
            {0x20, uint8_t(size), uint8_t(size >> 8), packets, 0xFF, kPgn[0],
             kPgn[1], kPgn[2]});
}
inline Bytes AbortFrame(uint8_t source, uint8_t destination, uint8_t reason) {
  return Cm(source, destination,
            {0xFF, reason, 0xFF, 0xFF, 0xFF, kPgn[0], kPgn[1], kPgn[2]});
}

// The data bytes of test messages: recognisable and never 0xFF padding.
inline Bytes Payload(size_t size) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) data[i] = uint8_t(i % 251);
  return data;
}

// Packet `sequence` of `data` as a sender puts it on the bus.
inline Bytes Dt(uint8_t source, uint8_t destination, uint8_t sequence,
                const Bytes& data) {
  Bytes eight(8, 0xFF);
  eight[0] = sequence;
  for (size_t i = 0; i < 7; ++i) {
    const size_t at = (size_t{sequence} - 1) * 7 + i;
    if (at < data.size()) eight[1 + i] = data[at];
  }
  return FrameOf(0xEB, kTp, source, destination, eight);
}

// A message in the application layout.
inline Bytes Message(uint8_t how, uint8_t source, uint8_t destination,
                     const Bytes& data) {
  Bytes message = {kPgn[0], kPgn[1], kPgn[2], how, source, destination};
  message.insert(message.end(), data.begin(), data.end());
  return message;
}

inline Bytes NameBytes(uint64_t value) {
  Bytes name(8);
  for (size_t i = 0; i < 8; ++i) name[i] = uint8_t(value >> (8 * i));
  return name;
}
inline Name NameOf(uint64_t value) {
  Name name;
  for (size_t i = 0; i < 8; ++i) name[i] = uint8_t(value >> (8 * i));
  return name;
}
inline Bytes Claimed(uint8_t source, uint64_t name) {
  return FrameOf(0xEE, 6, source, 0xFF, NameBytes(name));
}

// The client, its clock, and what it said.
struct Bus {
  explicit Bus(Options options = {}) : net(options) {}

  Disposition Hear(const Bytes& frame) {
    return net.OnFrame(frame, now, events);
  }
  // Everything due now, as the writer would take it.
  std::vector<Bytes> Take() {
    std::vector<Bytes> out;
    Packet packet;
    while (net.TakeFrame(now, packet, events)) {
      out.emplace_back(packet.begin(), packet.end());
      EXPECT_LT(out.size(), 1000u) << "the layer never stops emitting";
      if (out.size() >= 1000) break;
    }
    return out;
  }
  // Moves the clock, running what falls due.
  void Advance(Millis ms) {
    now += ms;
    net.OnTime(now, events);
  }
  // Claims `address` and lets the wait pass without contenders.
  void ClaimQuietly(uint8_t address, uint64_t name = 0x1000) {
    ASSERT_TRUE(net.Claim(address, NameOf(name), now));
    Take();
    Advance(250);
    ASSERT_EQ(net.StateOf(address), ClaimState::kClaimed);
    events.Clear();
  }

  ClientNetwork net;
  Millis now = 1000;
  Events events;
};

}  // namespace vlr::network::testing
