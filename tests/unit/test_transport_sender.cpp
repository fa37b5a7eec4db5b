// Sending long messages: broadcast paced by the interpacket time, and
// connection mode driven by the receiver's CTS, holds and time-outs; the
// backlog that keeps transfers in order.
#include <gtest/gtest.h>

#include <string>

#include "network_test_bus.h"

namespace vlr::network::testing {
namespace {

size_t PacketCount(size_t size) { return (size + 6) / 7; }

// ------------------------------------------------------------- broadcast

TEST(BroadcastSend, AnnounceThenPacketsAtTheInterpacketTime) {
  struct Case {
    size_t size;
    uint8_t how, destination;
    uint32_t interpacketMs;
  } cases[] = {
      {9, 6, 0xFF, 50}, {1785, 6, 0xFF, 50}, {20, 0x86, kPeer, 50},
      {20, 3, 0xFF, 0}, {64, 7, 0xFF, 200},
  };
  for (const Case& c : cases) {
    Bus bus;
    bus.net.SetInterpacketMs(c.interpacketMs);
    const Bytes data = Payload(c.size);
    const Bytes message = Message(c.how, kUs, c.destination, data);
    const auto packets = uint8_t(PacketCount(c.size));
    ASSERT_EQ(bus.net.Send(message, 77, bus.now), SendResult::kStarted);
    std::vector<Bytes> sent;
    for (size_t i = 0; i <= packets; ++i) {
      ASSERT_EQ(bus.net.NextDeadline(), bus.now) << c.size;
      std::vector<Bytes> due = bus.Take();
      ASSERT_EQ(due.size(), c.interpacketMs == 0 ? packets + 1u : 1u);
      sent.insert(sent.end(), due.begin(), due.end());
      if (sent.size() == packets + 1u) break;
      bus.Advance(c.interpacketMs);
    }
    ASSERT_EQ(sent.size(), packets + 1u);
    EXPECT_EQ(sent[0], Bam(kUs, uint16_t(c.size), packets));
    for (int seq = 1; seq <= packets; ++seq) {
      EXPECT_EQ(sent[seq], Dt(kUs, 0xFF, seq, data)) << int(seq);
    }
    ASSERT_EQ(bus.events.ended.size(), 1u);
    EXPECT_EQ(bus.events.ended[0].id, 77u);
    EXPECT_TRUE(bus.events.ended[0].ok);
    EXPECT_EQ(bus.events.ended[0].message, message);
    EXPECT_EQ(bus.net.NextDeadline(), std::nullopt);
  }
}

TEST(BroadcastSend, OnePerSourceAtATimeInOrder) {
  Bus bus;
  bus.net.SetInterpacketMs(0);
  const Bytes data = Payload(9);
  ASSERT_EQ(bus.net.Send(Message(6, 0x01, 0xFF, data), 1, bus.now),
            SendResult::kStarted);
  ASSERT_EQ(bus.net.Send(Message(6, 0x01, 0xFF, data), 2, bus.now),
            SendResult::kStarted);
  ASSERT_EQ(bus.net.Send(Message(6, 0x02, 0xFF, data), 3, bus.now),
            SendResult::kStarted);
  EXPECT_EQ(bus.net.CurrentSizes().transfersRunning, 2u);
  const auto sent = bus.Take();
  ASSERT_EQ(sent.size(), 9u);
  ASSERT_EQ(bus.events.ended.size(), 3u);
  EXPECT_EQ(bus.events.ended[0].id, 1u);
  // The second from 0x01 began only after the first had ended.
  const auto first = std::find(sent.begin(), sent.end(), Bam(0x01, 9, 2));
  const auto second = std::find(first + 1, sent.end(), Bam(0x01, 9, 2));
  ASSERT_NE(second, sent.end());
  EXPECT_EQ(*(second - 1), Dt(0x01, 0xFF, 2, data));
}

TEST(BroadcastSend, SizesOutsideTheTransportAreRefused) {
  Bus bus;
  for (size_t size : {0, 5, 8, 1786}) {
    EXPECT_EQ(bus.net.Send(Message(6, kUs, 0xFF, Payload(size)), 1, bus.now),
              SendResult::kTooLong)
        << size;
  }
  EXPECT_EQ(bus.net.Send(Bytes{0xCA, 0xFE}, 1, bus.now), SendResult::kTooLong);
  EXPECT_EQ(bus.net.NextDeadline(), std::nullopt);
}

TEST(BroadcastSend, BacklogIsBounded) {
  Bus bus;
  const Bytes message = Message(6, kUs, 0xFF, Payload(20));
  ASSERT_EQ(bus.net.Send(message, 0, bus.now), SendResult::kStarted);
  for (uint32_t id = 1; id <= 64; ++id) {
    ASSERT_EQ(bus.net.Send(message, id, bus.now), SendResult::kStarted);
  }
  EXPECT_EQ(bus.net.Send(message, 65, bus.now), SendResult::kBusy);
  EXPECT_EQ(bus.net.CurrentSizes().transfersWaiting, 64u);
}

// ------------------------------------------------------- connection mode

// The receiver asks `windows` (count, next) one after the other; each is
// answered with exactly those packets back to back, and EOM ACK ends it.
TEST(ConnectionSend, PacketsAsTheReceiverAsks) {
  struct Case {
    size_t size;
    std::vector<std::pair<uint8_t, uint8_t>> windows;
  } cases[] = {
      {9, {{2, 1}}},
      {1785, {{255, 1}}},
      {100, {{5, 1}, {5, 6}, {5, 11}}},
      {30, {{0, 0}, {2, 1}, {0, 0}, {3, 3}}},  // holds between windows
      {30, {{5, 1}, {2, 2}}},                  // packets asked again
      {30, {{16, 1}}},                         // window past the message
  };
  for (const Case& c : cases) {
    Bus bus;
    const Bytes data = Payload(c.size);
    const Bytes message = Message(6, kUs, kPeer, data);
    const auto packets = uint8_t(PacketCount(c.size));
    ASSERT_EQ(bus.net.Send(message, 5, bus.now), SendResult::kStarted);
    ASSERT_EQ(bus.Take(), std::vector<Bytes>{
                              Cm(kUs, kPeer,
                                 {0x10, uint8_t(c.size), uint8_t(c.size >> 8),
                                  packets, 0xFF, kPgn[0], kPgn[1], kPgn[2]})});
    bool refused = false;
    for (const auto& [count, next] : c.windows) {
      bus.Advance(1000);  // each CTS comes late, but in time
      EXPECT_EQ(bus.Hear(Cts(kPeer, kUs, count, next)), Disposition::kConsumed);
      std::vector<Bytes> expected;
      if (next + count - 1 > packets) {
        expected = {AbortFrame(kUs, kPeer, 7)};
        refused = true;
      }
      for (uint8_t i = 0; i < count && !refused; ++i) {
        expected.push_back(Dt(kUs, kPeer, uint8_t(next + i), data));
      }
      EXPECT_EQ(bus.Take(), expected) << c.size;
    }
    if (!refused) {
      EXPECT_TRUE(bus.events.ended.empty());
      bus.Advance(1000);
      EXPECT_EQ(bus.Hear(Eom(kPeer, kUs, uint16_t(c.size), packets)),
                Disposition::kConsumed);
    }
    ASSERT_EQ(bus.events.ended.size(), 1u) << c.size;
    EXPECT_EQ(bus.events.ended[0].ok, !refused);
    EXPECT_EQ(bus.events.ended[0].id, 5u);
    EXPECT_EQ(bus.net.NextDeadline(), std::nullopt);
  }
}

// 4 packets; `script` is what the receiver does, then nothing more. The
// transfer must end failed, with our Abort `reason` sent (0: none sent).
TEST(ConnectionSend, FailuresEndTheTransfer) {
  struct Step {
    Millis advance;
    Bytes frame;  // empty: only the time passes
    size_t take = 99;
  };
  struct Case {
    std::string name;
    std::vector<Step> script;
    uint8_t reason;
  } cases[] = {
      {"no CTS", {{1250, {}}}, 3},
      {"hold too long", {{0, Cts(kPeer, kUs, 0, 0)}, {1050, {}}}, 3},
      {"no CTS after a window", {{0, Cts(kPeer, kUs, 2, 1)}, {1250, {}}}, 3},
      {"no EOM ACK", {{0, Cts(kPeer, kUs, 4, 1)}, {1250, {}}}, 3},
      {"aborted by the receiver",
       {{0, Cts(kPeer, kUs, 2, 1)}, {10, AbortFrame(kPeer, kUs, 1)}},
       0},
      {"CTS while packets are unsent",
       {{0, Cts(kPeer, kUs, 3, 1), 1}, {0, Cts(kPeer, kUs, 3, 1)}},
       4},
      {"CTS before packet 1", {{0, Cts(kPeer, kUs, 1, 0)}}, 7},
      {"CTS past the message", {{0, Cts(kPeer, kUs, 1, 5)}}, 7},
  };
  for (const Case& c : cases) {
    Bus bus;
    ASSERT_EQ(bus.net.Send(Message(6, kUs, kPeer, Payload(28)), 9, bus.now),
              SendResult::kStarted);
    std::vector<Bytes> sent = bus.Take();  // the RTS
    for (const Step& step : c.script) {
      bus.Advance(step.advance);
      if (!step.frame.empty()) bus.Hear(step.frame);
      Packet packet;
      for (size_t i = 0;
           i < step.take && bus.net.TakeFrame(bus.now, packet, bus.events);
           ++i) {
        sent.emplace_back(packet.begin(), packet.end());
      }
    }
    ASSERT_EQ(bus.events.ended.size(), 1u) << c.name;
    EXPECT_FALSE(bus.events.ended[0].ok) << c.name;
    if (c.reason != 0) {
      EXPECT_EQ(sent.back(), AbortFrame(kUs, kPeer, c.reason)) << c.name;
    } else {
      EXPECT_NE(sent.back()[6], 0xFF) << c.name << ": no Abort back";
    }
    EXPECT_TRUE(bus.Take().empty()) << c.name;
    EXPECT_EQ(bus.net.NextDeadline(), std::nullopt) << c.name;
  }
}

TEST(ConnectionSend, JustInsideTheTimeOutsStillRuns) {
  Bus bus;
  const Bytes data = Payload(14);
  bus.net.Send(Message(6, kUs, kPeer, data), 1, bus.now);
  bus.Take();
  bus.Advance(1249);
  bus.Hear(Cts(kPeer, kUs, 0, 0));
  bus.Advance(1049);
  bus.Hear(Cts(kPeer, kUs, 2, 1));
  EXPECT_EQ(bus.Take().size(), 2u);
  bus.Advance(1249);
  bus.Hear(Eom(kPeer, kUs, 14, 2));
  ASSERT_EQ(bus.events.ended.size(), 1u);
  EXPECT_TRUE(bus.events.ended[0].ok);
}

TEST(ConnectionSend, HandshakeRunsWithoutReassemblyButReachesTheApp) {
  Bus bus(Options{.reassemble = false});
  bus.net.Send(Message(6, kUs, kPeer, Payload(9)), 1, bus.now);
  bus.Take();
  EXPECT_EQ(bus.Hear(Cts(kPeer, kUs, 2, 1)), Disposition::kDeliver);
  EXPECT_EQ(bus.Take().size(), 2u);
  EXPECT_EQ(bus.Hear(Eom(kPeer, kUs, 9, 2)), Disposition::kDeliver);
  ASSERT_EQ(bus.events.ended.size(), 1u);
  EXPECT_TRUE(bus.events.ended[0].ok);
}

TEST(ConnectionSend, ForeignHandshakeFramesAreNotOurs) {
  Bus bus;
  bus.net.Send(Message(6, kUs, kPeer, Payload(9)), 1, bus.now);
  bus.Take();
  const Bytes frames[] = {
      Cts(0x21, kUs, 2, 1),    // another node
      Cts(kPeer, 0x81, 2, 1),  // another of its peers
      Cm(kPeer, kUs, {0x11, 2, 1, 0xFF, 0xFF, 0x00, 0xEF, 0x00}),  // other PGN
  };
  for (const Bytes& frame : frames) {
    EXPECT_EQ(bus.Hear(frame), Disposition::kDeliver);
  }
  EXPECT_TRUE(bus.Take().empty());
}

TEST(ConnectionSend, OnePerPairAndTheSessionLimit) {
  Bus bus(Options{.maxRtsCtsSessions = 2});
  const Bytes data = Payload(9);
  for (uint8_t destination : {0x01, 0x01, 0x02, 0x03}) {
    bus.net.Send(Message(6, kUs, destination, data), destination, bus.now);
  }
  // 0x01 once and 0x02: the second to 0x01 waits for its pair, 0x03 for a
  // session.
  auto sent = bus.Take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0][5], 0x01);
  EXPECT_EQ(sent[1][5], 0x02);
  bus.Hear(AbortFrame(0x01, kUs, 1));
  sent = bus.Take();
  ASSERT_EQ(sent.size(), 1u) << "the next in line is the second to 0x01";
  EXPECT_EQ(sent[0][5], 0x01);
  bus.Hear(AbortFrame(0x02, kUs, 1));
  sent = bus.Take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][5], 0x03);
}

TEST(ConnectionSend, ControlFramesGoBeforeData) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  bus.net.Send(Message(6, kUs, kPeer, Payload(70)), 1, bus.now);
  bus.Take();
  bus.Hear(Cts(kPeer, kUs, 10, 1));
  bus.Hear(Rts(0x21, kUs, 9, 2, 0xFF));  // someone sends to us meanwhile
  const auto sent = bus.Take();
  ASSERT_EQ(sent.size(), 11u);
  EXPECT_EQ(sent[0], Cts(kUs, 0x21, 2, 1));
}

TEST(ConnectionSend, FromALostAddressIsRefused) {
  Bus bus;
  bus.ClaimQuietly(kUs, 0x5000);
  bus.Hear(Claimed(kUs, 0x4000));
  ASSERT_TRUE(bus.net.AddressLost(kUs));
  EXPECT_EQ(bus.net.Send(Message(6, kUs, kPeer, Payload(20)), 1, bus.now),
            SendResult::kAddressLost);
  EXPECT_EQ(bus.net.Send(Message(6, 0x81, kPeer, Payload(20)), 1, bus.now),
            SendResult::kStarted)
      << "sends from an address never claimed still work";
}

}  // namespace
}  // namespace vlr::network::testing
