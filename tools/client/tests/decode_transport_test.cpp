#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "transport.h"
#include "vlrscenario/capture_file.h"
#include "vlrscenario/truck_scenario.h"

namespace vlrdecode {
namespace {

using Bytes = std::vector<uint8_t>;

J1939Message Frame(uint32_t id, Bytes data) { return FromIdentifier(id, data); }

J1939Message Announce(uint8_t source, uint16_t size, uint32_t pgn,
                      uint8_t destination = 0xFF, uint8_t control = 0x20) {
  const auto packets = static_cast<uint8_t>((size + 6) / 7);
  const uint32_t id = 0x18EC0000u | uint32_t{destination} << 8 | source;
  return Frame(
      id, {control, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
           packets, 0xFF, static_cast<uint8_t>(pgn),
           static_cast<uint8_t>(pgn >> 8), static_cast<uint8_t>(pgn >> 16)});
}

J1939Message Packet(uint8_t source, uint8_t sequence, uint8_t fill,
                    uint8_t destination = 0xFF) {
  Bytes data(8, fill);
  data[0] = sequence;
  return Frame(0x18EB0000u | uint32_t{destination} << 8 | source, data);
}

TEST(TransportReassembler, JoinsTheSimulatedTrucksDm1) {
  vlrscenario::TruckOptions options;
  options.length = std::chrono::seconds(3);
  options.j1708 = false;
  auto source = vlrscenario::MakeTruckScenario(options);
  TransportReassembler reassembler;
  std::vector<J1939Message> joined;
  while (auto message = source->Next()) {
    const auto ms = static_cast<uint32_t>(message->at.count() / 1000);
    if (auto done =
            reassembler.Feed(FromIdentifier(message->id, message->data), ms)) {
      joined.push_back(*done);
    }
  }
  ASSERT_GE(joined.size(), 2u);
  for (const J1939Message& m : joined) {
    EXPECT_EQ(m.pgn, 0xFECAu);
    EXPECT_EQ(m.source, 0x00);
    EXPECT_EQ(m.destination, 0xFF);
    EXPECT_EQ(m.data.size(), 14u);
    EXPECT_EQ(m.data[0], 0x04);  // amber lamp
  }
  EXPECT_EQ(reassembler.abandoned(), 0u);
}

TEST(TransportReassembler, KeepsTransfersOfDifferentSendersApart) {
  TransportReassembler r;
  EXPECT_FALSE(r.Feed(Announce(0x00, 10, 0xFECA), 0));
  EXPECT_FALSE(r.Feed(Announce(0x03, 9, 0xFEE3), 1));
  EXPECT_FALSE(r.Feed(Packet(0x03, 1, 0x33), 2));
  EXPECT_FALSE(r.Feed(Packet(0x00, 1, 0xAA), 3));
  auto from3 = r.Feed(Packet(0x03, 2, 0x34), 4);
  ASSERT_TRUE(from3);
  EXPECT_EQ(from3->pgn, 0xFEE3u);
  EXPECT_EQ(from3->source, 0x03);
  EXPECT_EQ(from3->data,
            (Bytes{0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x34, 0x34}));
  auto from0 = r.Feed(Packet(0x00, 2, 0xAB), 5);
  ASSERT_TRUE(from0);
  EXPECT_EQ(from0->data.size(), 10u);
  EXPECT_EQ(from0->data.back(), 0xAB);
}

TEST(TransportReassembler, AbandonsATransferThatLosesItsWay) {
  struct Case {
    const char* what;
    std::vector<std::pair<J1939Message, uint32_t>> feed;
  };
  const Case cases[] = {
      {"a packet missing",
       {{Announce(0, 20, 0xFECA), 0},
        {Packet(0, 1, 1), 50},
        {Packet(0, 3, 3), 100}}},
      {"a sender silent too long",
       {{Announce(0, 10, 0xFECA), 0},
        {Packet(0, 1, 1), 50},
        {Packet(0, 2, 2), 50 + 1001}}},
      {"a new announce",
       {{Announce(0, 10, 0xFECA), 0},
        {Packet(0, 1, 1), 50},
        {Announce(0, 10, 0xFECB), 60}}},
      {"an abort",
       {{Announce(0, 10, 0xFECA), 0},
        {Packet(0, 1, 1), 50},
        {Frame(0x18ECFF00, {0xFF, 3, 0xFF, 0xFF, 0xFF, 0xCA, 0xFE, 0}), 60},
        {Packet(0, 2, 2), 70}}},
  };
  for (const Case& c : cases) {
    TransportReassembler r;
    for (const auto& [message, ms] : c.feed) {
      EXPECT_FALSE(r.Feed(message, ms)) << c.what;
    }
    EXPECT_EQ(r.abandoned(), 1u) << c.what;
  }
}

TEST(TransportReassembler, IgnoresAnnouncesThatContradictThemselves) {
  TransportReassembler r;
  J1939Message bad = Announce(0, 10, 0xFECA);
  bad.data[3] = 5;  // 10 bytes cannot take 5 packets
  EXPECT_FALSE(r.Feed(bad, 0));
  EXPECT_FALSE(r.Feed(Packet(0, 1, 1), 1));
  EXPECT_FALSE(r.Feed(Packet(0, 2, 2), 2));
  EXPECT_FALSE(
      r.Feed(Announce(0, 8, 0xFECA), 3));  // fits one frame: no transfer
  EXPECT_FALSE(r.Feed(Packet(0, 1, 1), 4));
}

TEST(TransportReassembler, FollowsAConnectionWithARepeatedPacket) {
  TransportReassembler r;
  EXPECT_FALSE(r.Feed(Announce(0xF9, 16, 0xD300, 0x00, 0x10), 0));
  EXPECT_FALSE(r.Feed(
      Frame(0x1CECF900, {0x11, 3, 1, 0xFF, 0xFF, 0x00, 0xD3, 0}), 1));  // CTS
  EXPECT_FALSE(r.Feed(Packet(0xF9, 1, 1, 0x00), 2));
  EXPECT_FALSE(r.Feed(Packet(0xF9, 2, 2, 0x00), 3));
  EXPECT_FALSE(r.Feed(Packet(0xF9, 2, 5, 0x00), 4));  // asked for again
  auto done = r.Feed(Packet(0xF9, 3, 3, 0x00), 5);
  ASSERT_TRUE(done);
  EXPECT_EQ(done->pgn, 0xD300u);
  EXPECT_EQ(done->destination, 0x00);
  EXPECT_EQ(done->data,
            (Bytes{1, 1, 1, 1, 1, 1, 1, 5, 5, 5, 5, 5, 5, 5, 3, 3}));
  // The same packets broadcast by another node belong to no transfer.
  EXPECT_FALSE(r.Feed(Packet(0x17, 1, 1), 6));
}

TEST(TransportReassembler, JoinsTheRecordedTrucksEngineConfiguration) {
  const std::string path =
      std::string(VLR_SHARED_DATA_DIR) + "/truck-j1939-j1708.neovi.csv";
  if (!std::ifstream(path)) GTEST_SKIP() << "capture not present: " << path;
  auto capture = vlrscenario::LoadCaptureFile(path);
  ASSERT_TRUE(capture) << capture.error().ToString();
  TransportReassembler r;
  std::vector<J1939Message> joined;
  for (const auto& m : capture.value().messages) {
    if (m.bus != vlrsim::Bus::kJ1939) continue;
    const auto ms = static_cast<uint32_t>(m.at.count() / 1000);
    if (auto done = r.Feed(FromIdentifier(m.id, m.data), ms))
      joined.push_back(*done);
  }
  ASSERT_EQ(joined.size(), 1u);
  EXPECT_EQ(joined[0].pgn, 0xFEE3u);
  EXPECT_EQ(joined[0].data.size(), 34u);
  EXPECT_EQ(r.abandoned(), 0u);
}

}  // namespace
}  // namespace vlrdecode
