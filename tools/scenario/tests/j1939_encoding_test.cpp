#include "j1939_encoding.h"

#include <gtest/gtest.h>

namespace vlrscenario {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(J1939Id, PlacesPriorityPgnDestinationAndSource) {
  struct Case {
    uint8_t priority;
    uint32_t pgn;
    uint8_t source;
    uint8_t destination;
    uint32_t expected;
  };
  const Case cases[] = {
      {3, 0x00F004, 0x00, 0xFF, 0x0CF00400},  // EEC1
      {6, 0x00FEEE, 0x00, 0x17, 0x18FEEE00},  // PDU2 ignores the destination
      {6, 0x00EC00, 0x00, 0xFF, 0x18ECFF00},  // TP.CM broadcast
      {6, 0x00EA00, 0xF9, 0x00, 0x18EA00F9},  // request to the engine
      {7, 0x01F200, 0x80, 0xFF, 0x1DF20080},  // data page 1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(J1939Id(c.priority, c.pgn, c.source, c.destination), c.expected)
        << std::hex << c.pgn;
  }
}

TEST(Scaling, RoundsAndStaysInsideTheValidRange) {
  EXPECT_EQ(Scale8(88.0, 1.0, -40.0), 128);
  EXPECT_EQ(Scale8(-100.0, 1.0, -40.0), 0);
  EXPECT_EQ(Scale8(1000.0, 1.0), 250);  // never 0xFB..0xFF
  std::vector<uint8_t> data(4, 0);
  Put16(data, 1, 650.0, 0.125);
  EXPECT_EQ(data, (std::vector<uint8_t>{0, 0x50, 0x14, 0}));
  Put16(data, 0, 1e9, 1.0);
  EXPECT_EQ(data[0], 0xFF);
  EXPECT_EQ(data[1], 0xFA);  // 64255
}

TEST(BroadcastTransfer, AnnouncesThenSendsPaddedNumberedPackets) {
  for (std::size_t size : {9u, 14u, 15u, 34u}) {
    std::vector<uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
      data[i] = static_cast<uint8_t>(i + 1);
    auto frames = BroadcastTransfer(0x00FECA, 6, 0x00, data, milliseconds(100),
                                    milliseconds(50));
    const std::size_t packets = (size + 6) / 7;
    ASSERT_EQ(frames.size(), packets + 1) << size;
    EXPECT_EQ(frames[0].id, 0x18ECFF00u);
    EXPECT_EQ(frames[0].at, milliseconds(100));
    EXPECT_EQ(frames[0].data,
              (std::vector<uint8_t>{0x20, static_cast<uint8_t>(size), 0,
                                    static_cast<uint8_t>(packets), 0xFF, 0xCA,
                                    0xFE, 0x00}));
    std::vector<uint8_t> joined;
    for (std::size_t k = 1; k <= packets; ++k) {
      EXPECT_EQ(frames[k].id, 0x18EBFF00u);
      EXPECT_EQ(frames[k].at, milliseconds(100 + 50 * k));
      ASSERT_EQ(frames[k].data.size(), 8u);
      EXPECT_EQ(frames[k].data[0], k);
      joined.insert(joined.end(), frames[k].data.begin() + 1,
                    frames[k].data.end());
    }
    for (std::size_t i = size; i < joined.size(); ++i)
      EXPECT_EQ(joined[i], 0xFF) << size;
    joined.resize(size);
    EXPECT_EQ(joined, data) << size;
  }
}

TEST(EncodeName, PutsEachFieldInItsBits) {
  EcuName name;
  name.identity = 0x1ABCDE;
  name.manufacturer = 0x5A5;
  name.ecu_instance = 5;
  name.function_instance = 0x13;
  name.function = 0x81;
  name.vehicle_system = 0x55;
  name.vehicle_system_instance = 0xA;
  name.industry_group = 3;
  name.arbitrary_address_capable = true;
  uint64_t value = 0;
  const auto bytes = EncodeName(name);
  for (std::size_t i = 0; i < 8; ++i) value |= uint64_t{bytes[i]} << (8 * i);
  EXPECT_EQ(value & 0x1FFFFF, 0x1ABCDEu);
  EXPECT_EQ((value >> 21) & 0x7FF, 0x5A5u);
  EXPECT_EQ((value >> 32) & 0x7, 5u);
  EXPECT_EQ((value >> 35) & 0x1F, 0x13u);
  EXPECT_EQ((value >> 40) & 0xFF, 0x81u);
  EXPECT_EQ((value >> 48) & 0x1, 0u);
  EXPECT_EQ((value >> 49) & 0x7F, 0x55u);
  EXPECT_EQ((value >> 56) & 0xF, 0xAu);
  EXPECT_EQ((value >> 60) & 0x7, 3u);
  EXPECT_EQ(value >> 63, 1u);
}

}  // namespace
}  // namespace vlrscenario
