// Reassembly of transfers to a client: broadcast from anyone, connection
// mode to a claimed address; what is consumed, what is answered, what is
// dropped.
#include <gtest/gtest.h>

#include <string>

#include "network_test_bus.h"

namespace vlr::network::testing {
namespace {

size_t PacketCount(size_t size) { return (size + 6) / 7; }

Bytes RecordOf(uint8_t source, uint8_t destination, const Bytes& data,
               uint8_t priority = kTp) {
  Bytes record = {kPgn[0], kPgn[1], kPgn[2], priority, source, destination};
  record.insert(record.end(), data.begin(), data.end());
  return record;
}

// ------------------------------------------------------------- broadcast

TEST(BroadcastReceive, WholeMessagesOfEverySizeAsOneRecord) {
  for (size_t size : {9, 13, 14, 15, 100, 1784, 1785}) {
    Bus bus;
    const Bytes data = Payload(size);
    const auto packets = uint8_t(PacketCount(size));
    EXPECT_EQ(bus.Hear(Bam(kPeer, uint16_t(size), packets)),
              Disposition::kConsumed);
    for (int seq = 1; seq <= packets; ++seq) {
      bus.Advance(50);
      EXPECT_EQ(bus.Hear(Dt(kPeer, 0xFF, seq, data)), Disposition::kConsumed);
      EXPECT_EQ(bus.events.records.size(), seq == packets ? 1u : 0u);
    }
    ASSERT_EQ(bus.events.records.size(), 1u) << size;
    EXPECT_EQ(bus.events.records[0].message, RecordOf(kPeer, 0xFF, data));
    EXPECT_TRUE(bus.Take().empty()) << "a broadcast is never answered";
    EXPECT_EQ(bus.net.NextDeadline(), std::nullopt);
  }
}

TEST(BroadcastReceive, SourcesAndTheirTransfersKeptApart) {
  Bus bus;
  const Bytes a = Payload(20), b = Bytes(30, 0x42);
  bus.ClaimQuietly(kUs);
  bus.Hear(Bam(0x01, 20, 3));
  bus.Hear(Bam(0x02, 30, 5));
  bus.Hear(Rts(0x01, kUs, 30, 5, 0xFF));  // one of each from 0x01
  ASSERT_EQ(bus.Take().size(), 1u);       // the CTS
  for (int seq = 1; seq <= 5; ++seq) {
    if (seq <= 3) bus.Hear(Dt(0x01, 0xFF, seq, a));
    bus.Hear(Dt(0x02, 0xFF, seq, b));
    bus.Hear(Dt(0x01, kUs, seq, b));
  }
  ASSERT_EQ(bus.events.records.size(), 3u);
  EXPECT_EQ(bus.events.records[0].message, RecordOf(0x01, 0xFF, a));
  EXPECT_EQ(bus.events.records[1].message, RecordOf(0x02, 0xFF, b));
  EXPECT_EQ(bus.events.records[2].message, RecordOf(0x01, kUs, b));
}

TEST(BroadcastReceive, BrokenTransfersAreDroppedWithoutAnswer) {
  struct Case {
    std::string name;
    std::vector<uint8_t> sequence;  // packet numbers sent, 50 ms apart
    Millis gapBefore3 = 50;
  } cases[] = {
      {"skipped packet", {1, 3, 4}},
      {"duplicate packet", {1, 2, 2, 3, 4}},
      {"packet zero", {0, 1, 2, 3, 4}},
      {"missing packet", {1, 2, 3, 4}, 750},
  };
  for (const Case& c : cases) {
    Bus bus;
    const Bytes data = Payload(28);
    bus.Hear(Bam(kPeer, 28, 4));
    for (uint8_t seq : c.sequence) {
      bus.Advance(seq == 3 ? c.gapBefore3 : 50);
      bus.Hear(Dt(kPeer, 0xFF, seq, data));
    }
    EXPECT_TRUE(bus.events.records.empty()) << c.name;
    EXPECT_TRUE(bus.Take().empty()) << c.name;
    EXPECT_EQ(bus.net.CurrentSizes().broadcastsIn, 0u) << c.name;
  }
}

TEST(BroadcastReceive, PacketsJustInsideTheTimeOutStillCount) {
  Bus bus;
  const Bytes data = Payload(21);
  bus.Hear(Bam(kPeer, 21, 3));
  for (int seq = 1; seq <= 3; ++seq) {
    bus.Advance(749);
    bus.Hear(Dt(kPeer, 0xFF, seq, data));
  }
  EXPECT_EQ(bus.events.records.size(), 1u);
}

TEST(BroadcastReceive, UnusableAnnouncesAreLeftToTheApplication) {
  const Bytes cases[] = {
      Bam(kPeer, 1786, 255),  // past the limit
      Bam(kPeer, 20, 4),      // packets disagree with the size
      Bam(kPeer, 8, 2),       // fits one frame
      Cm(kPeer, kUs, {0x20, 20, 0, 3, 0xFF, kPgn[0], kPgn[1], kPgn[2]}),
      FrameOf(0xEC, kTp, kPeer, 0xFF, {0x20, 20, 0, 3}),  // short
  };
  for (const Bytes& announce : cases) {
    Bus bus;
    EXPECT_EQ(bus.Hear(announce), Disposition::kDeliver);
    EXPECT_EQ(bus.Hear(Dt(kPeer, 0xFF, 1, Payload(20))), Disposition::kDeliver);
    EXPECT_EQ(bus.net.CurrentSizes().broadcastsIn, 0u);
  }
}

TEST(BroadcastReceive, NewAnnounceFromTheSameSourceStartsOver) {
  Bus bus;
  const Bytes first = Payload(30), second = Bytes(16, 0x33);
  bus.Hear(Bam(kPeer, 30, 5));
  bus.Hear(Dt(kPeer, 0xFF, 1, first));
  bus.Hear(Dt(kPeer, 0xFF, 2, first));
  EXPECT_EQ(bus.Hear(Bam(kPeer, 16, 3)), Disposition::kConsumed);
  for (int seq = 1; seq <= 3; ++seq) bus.Hear(Dt(kPeer, 0xFF, seq, second));
  ASSERT_EQ(bus.events.records.size(), 1u);
  EXPECT_EQ(bus.events.records[0].message, RecordOf(kPeer, 0xFF, second));
}

TEST(BroadcastReceive, WithoutReassemblyEveryFrameGoesThroughUntouched) {
  Bus bus(Options{.reassemble = false});
  bus.ClaimQuietly(kUs);
  const Bytes data = Payload(20);
  EXPECT_EQ(bus.Hear(Bam(kPeer, 20, 3)), Disposition::kDeliver);
  EXPECT_EQ(bus.Hear(Rts(0x21, kUs, 20, 3, 0xFF)), Disposition::kDeliver);
  for (int seq = 1; seq <= 3; ++seq) {
    EXPECT_EQ(bus.Hear(Dt(kPeer, 0xFF, seq, data)), Disposition::kDeliver);
  }
  EXPECT_TRUE(bus.events.records.empty());
  EXPECT_TRUE(bus.Take().empty()) << "no handshake on the application's behalf";
}

TEST(BroadcastReceive, OtherTrafficPassesUntouched) {
  Bus bus;
  const Bytes frames[] = {
      FrameOf(0xF0, 3, kPeer, 0xFF, Bytes(8, 1)),
      FrameOf(0xFE, 6, kPeer, 0xFF, {}),
      Bytes{0x00, 0xEC, 0x00},
  };
  for (const Bytes& frame : frames) {
    EXPECT_EQ(bus.Hear(frame), Disposition::kDeliver);
  }
  EXPECT_TRUE(bus.Take().empty());
}

// ------------------------------------------------------- connection mode

// The CTS windows asked for a transfer of `size` bytes whose RTS allows
// `maxPerCts` packets per CTS, the peer answering each window at once.
TEST(ConnectionReceive, WindowsFollowTheSendersLimit) {
  struct Case {
    uint16_t size;
    uint8_t maxPerCts;
    std::vector<std::pair<uint8_t, uint8_t>> windows;  // count, next
  } cases[] = {
      {9, 0xFF, {{2, 1}}},
      {1785, 0xFF, {{255, 1}}},
      {100, 5, {{5, 1}, {5, 6}, {5, 11}}},
      {99, 4, {{4, 1}, {4, 5}, {4, 9}, {3, 13}}},
      {30, 1, {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}}},
      {30, 0, {{5, 1}}},
  };
  for (const Case& c : cases) {
    Bus bus;
    bus.ClaimQuietly(kUs);
    const Bytes data = Payload(c.size);
    const auto packets = uint8_t(PacketCount(c.size));
    EXPECT_EQ(bus.Hear(Rts(kPeer, kUs, c.size, packets, c.maxPerCts)),
              Disposition::kConsumed);
    uint8_t seq = 1;
    for (const auto& [count, next] : c.windows) {
      const auto sent = bus.Take();
      ASSERT_EQ(sent.size(), 1u) << c.size;
      EXPECT_EQ(sent[0], Cts(kUs, kPeer, count, next)) << c.size;
      for (uint8_t i = 0; i < count; ++i, ++seq) {
        bus.Advance(5);
        EXPECT_EQ(bus.Hear(Dt(kPeer, kUs, seq, data)), Disposition::kConsumed);
      }
    }
    EXPECT_EQ(bus.Take(), std::vector<Bytes>{Eom(kUs, kPeer, c.size, packets)});
    ASSERT_EQ(bus.events.records.size(), 1u);
    EXPECT_EQ(bus.events.records[0].message, RecordOf(kPeer, kUs, data));
    EXPECT_EQ(bus.net.CurrentSizes().connectionsIn, 0u);
  }
}

// Each case: RTS for 4 packets (28 bytes, 2 per CTS) is answered, then
// `script` runs; the transfer must end in an Abort with `reason`.
TEST(ConnectionReceive, FaultsAbortWithTheirReason) {
  struct Step {
    Millis advance;
    int sequence;  // a data packet, or -1 for none
  };
  struct Case {
    std::string name;
    std::vector<Step> script;
    uint8_t reason;
  } cases[] = {
      {"bad sequence", {{0, 2}}, 7},
      {"packet zero", {{0, 0}}, 7},
      {"skipped packet in a later window", {{0, 1}, {0, 2}, {0, 4}}, 7},
      {"duplicate", {{0, 1}, {0, 1}}, 8},
      {"duplicate of the last window", {{0, 1}, {0, 2}, {0, 2}}, 8},
      {"no data after CTS", {{1250, -1}}, 3},
      {"missing packet", {{0, 1}, {750, -1}}, 3},
      {"no data after second CTS", {{0, 1}, {0, 2}, {1250, -1}}, 3},
  };
  for (const Case& c : cases) {
    Bus bus;
    bus.ClaimQuietly(kUs);
    const Bytes data = Payload(28);
    bus.Hear(Rts(kPeer, kUs, 28, 4, 2));
    std::vector<Bytes> sent = bus.Take();
    for (const Step& step : c.script) {
      bus.Advance(step.advance);
      if (step.sequence >= 0) {
        bus.Hear(Dt(kPeer, kUs, uint8_t(step.sequence), data));
      }
      for (Bytes& frame : bus.Take()) sent.push_back(std::move(frame));
    }
    ASSERT_FALSE(sent.empty()) << c.name;
    EXPECT_EQ(sent.back(), AbortFrame(kUs, kPeer, c.reason)) << c.name;
    EXPECT_TRUE(bus.events.records.empty()) << c.name;
    EXPECT_EQ(bus.net.CurrentSizes().connectionsIn, 0u) << c.name;
    EXPECT_EQ(bus.Hear(Dt(kPeer, kUs, 3, data)), Disposition::kDeliver)
        << c.name << ": the dropped session still takes data";
  }
}

TEST(ConnectionReceive, TimersCountFromWhenTheCtsWentOut) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  const Bytes data = Payload(14);
  bus.Hear(Rts(kPeer, kUs, 14, 2, 0xFF));
  bus.Advance(1000);  // the writer was slow to take the CTS
  ASSERT_EQ(bus.Take().size(), 1u);
  bus.Advance(1249);
  bus.Hear(Dt(kPeer, kUs, 1, data));
  bus.Advance(749);
  bus.Hear(Dt(kPeer, kUs, 2, data));
  EXPECT_EQ(bus.events.records.size(), 1u);
}

TEST(ConnectionReceive, UnusableAnnouncesAreRefused) {
  struct Case {
    std::string name;
    Bytes rts;
    uint8_t reason;
  } cases[] = {
      {"past the limit", Rts(kPeer, kUs, 1786, 255, 0xFF), 9},
      {"largest size field", Rts(kPeer, kUs, 0xFFFF, 255, 0xFF), 9},
      {"packets disagree", Rts(kPeer, kUs, 20, 4, 0xFF), 9},
  };
  for (const Case& c : cases) {
    Bus bus;
    bus.ClaimQuietly(kUs);
    EXPECT_EQ(bus.Hear(c.rts), Disposition::kConsumed) << c.name;
    EXPECT_EQ(bus.Take(), std::vector<Bytes>{AbortFrame(kUs, kPeer, c.reason)})
        << c.name;
  }
}

TEST(ConnectionReceive, SessionLimitRefusesTheNextSource) {
  Bus bus(Options{.maxRtsCtsSessions = 2});
  bus.ClaimQuietly(kUs);
  for (uint8_t source : {0x01, 0x02, 0x03}) {
    bus.Hear(Rts(source, kUs, 20, 3, 0xFF));
  }
  EXPECT_EQ(bus.Take(),
            (std::vector<Bytes>{Cts(kUs, 0x01, 3, 1), Cts(kUs, 0x02, 3, 1),
                                AbortFrame(kUs, 0x03, 1)}));
  EXPECT_EQ(bus.net.CurrentSizes().connectionsIn, 2u);
}

TEST(ConnectionReceive, OnlyToAClaimedAddress) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  ASSERT_TRUE(bus.net.Claim(0x81, NameOf(7), bus.now));
  bus.Take();  // 0x81 is still pending
  for (uint8_t destination : {0x81, 0x90}) {
    EXPECT_EQ(bus.Hear(Rts(kPeer, destination, 20, 3, 0xFF)),
              Disposition::kDeliver);
    EXPECT_EQ(bus.Hear(Dt(kPeer, destination, 1, Payload(20))),
              Disposition::kDeliver);
  }
  EXPECT_TRUE(bus.Take().empty());
}

TEST(ConnectionReceive, AnAbortReceivedEndsTheSession) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  const Bytes data = Payload(20);
  bus.Hear(Rts(kPeer, kUs, 20, 3, 0xFF));
  bus.Take();
  bus.Hear(Dt(kPeer, kUs, 1, data));
  EXPECT_EQ(bus.Hear(AbortFrame(kPeer, kUs, 3)), Disposition::kConsumed);
  EXPECT_EQ(bus.Hear(Dt(kPeer, kUs, 2, data)), Disposition::kDeliver);
  bus.Advance(5000);
  EXPECT_TRUE(bus.Take().empty()) << "nothing owed to an aborted sender";
  EXPECT_TRUE(bus.events.records.empty());
}

TEST(ConnectionReceive, NewRtsFromTheSameSourceStartsOver) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  const Bytes first = Payload(30), second = Bytes(10, 0x11);
  bus.Hear(Rts(kPeer, kUs, 30, 5, 2));
  bus.Take();
  bus.Hear(Dt(kPeer, kUs, 1, first));
  bus.Hear(Dt(kPeer, kUs, 2, first));  // asks the next window
  bus.Hear(Rts(kPeer, kUs, 10, 2, 0xFF));
  EXPECT_EQ(bus.Take(), std::vector<Bytes>{Cts(kUs, kPeer, 2, 1)})
      << "the old session's pending CTS is withdrawn";
  bus.Hear(Dt(kPeer, kUs, 1, second));
  bus.Hear(Dt(kPeer, kUs, 2, second));
  ASSERT_EQ(bus.events.records.size(), 1u);
  EXPECT_EQ(bus.events.records[0].message, RecordOf(kPeer, kUs, second));
}

TEST(ConnectionReceive, TransfersBetweenOtherNodesAreNotOurs) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  const Bytes frames[] = {Rts(kPeer, 0x30, 20, 3, 0xFF), Cts(0x30, kPeer, 3, 1),
                          Dt(kPeer, 0x30, 1, Payload(20)),
                          Eom(0x30, kPeer, 20, 3), AbortFrame(0x30, kPeer, 1)};
  for (const Bytes& frame : frames) {
    EXPECT_EQ(bus.Hear(frame), Disposition::kDeliver);
  }
  EXPECT_TRUE(bus.Take().empty());
}

TEST(ConnectionReceive, EndsSilentlyWhenTheAddressIsNoLongerOurs) {
  for (bool lost : {true, false}) {
    Bus bus;
    bus.ClaimQuietly(kUs, 0x5000);
    const Bytes data = Payload(20);
    bus.Hear(Rts(kPeer, kUs, 20, 3, 0xFF));
    bus.Take();
    bus.Hear(Dt(kPeer, kUs, 1, data));
    if (lost) {
      bus.Hear(Claimed(kUs, 0x10));
    } else {
      bus.net.Release(kUs);
    }
    bus.Take();
    EXPECT_EQ(bus.Hear(Dt(kPeer, kUs, 2, data)), Disposition::kDeliver);
    bus.Advance(5000);
    EXPECT_TRUE(bus.Take().empty()) << "the address answers for its winner";
    EXPECT_EQ(bus.net.CurrentSizes().connectionsIn, 0u);
  }
}

TEST(ConnectionReceive, OtherDataPagesAreNotTransport) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  Bytes bam = Bam(kPeer, 20, 3), rts = Rts(kPeer, kUs, 20, 3, 0xFF);
  bam[2] = rts[2] = 0x01;
  EXPECT_EQ(bus.Hear(bam), Disposition::kDeliver);
  EXPECT_EQ(bus.Hear(rts), Disposition::kDeliver);
  EXPECT_TRUE(bus.Take().empty());
}

}  // namespace
}  // namespace vlr::network::testing
