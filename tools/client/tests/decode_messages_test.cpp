#include <gtest/gtest.h>

#include <vector>

#include "messages.h"

namespace vlrdecode {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ParseReadBuffer, TakesApartJ1939RecordsOfBothGroupKinds) {
  struct Case {
    const char* what;
    Bytes bytes;
    bool echo_mode;
    uint32_t pgn;
    uint8_t priority, source, destination;
    bool echoed;
    Bytes data;
  };
  const Case cases[] = {
      {"EEC1, broadcast",
       {0, 0, 1, 2, 0x04, 0xF0, 0, 3, 0x00, 0x00, 0xF0, 0x7D},
       false,
       0xF004,
       3,
       0x00,
       0xFF,
       false,
       {0xF0, 0x7D}},
      {"PS of a PDU2 group is the PGN's low byte",
       {0, 0, 0, 1, 0xEE, 0xFE, 0, 6, 0x00, 0x00},
       false,
       0xFEEE,
       6,
       0x00,
       0xFF,
       false,
       {}},
      {"request to address 0x17",
       {0, 0, 0, 1, 0x00, 0xEA, 0, 6, 0xF9, 0x17, 0xE5, 0xFE, 0x00},
       false,
       0xEA00,
       6,
       0xF9,
       0x17,
       false,
       {0xE5, 0xFE, 0x00}},
      {"data page 1",
       {0, 0, 0, 1, 0x00, 0xF2, 1, 2, 0x80, 0x00},
       false,
       0x1F200,
       2,
       0x80,
       0xFF,
       false,
       {}},
      {"echo byte",
       {0, 0, 0, 1, 1, 0x04, 0xF0, 0, 3, 0x00, 0x00, 0x11},
       true,
       0xF004,
       3,
       0x00,
       0xFF,
       true,
       {0x11}},
  };
  for (const Case& c : cases) {
    ReadLayout layout;
    layout.echo_mode = c.echo_mode;
    auto record = ParseReadBuffer(c.bytes, layout);
    ASSERT_TRUE(record) << c.what;
    const auto& m = std::get<J1939Message>(record->message);
    EXPECT_EQ(m.pgn, c.pgn) << c.what;
    EXPECT_EQ(m.priority, c.priority) << c.what;
    EXPECT_EQ(m.source, c.source) << c.what;
    EXPECT_EQ(m.destination, c.destination) << c.what;
    EXPECT_EQ(record->echoed, c.echoed) << c.what;
    EXPECT_EQ(m.data, c.data) << c.what;
  }
}

TEST(ParseReadBuffer, ReadsTheTimestampMostSignificantFirst) {
  auto record = ParseReadBuffer(Bytes{0x01, 0x02, 0x03, 0x04, 0x80, 0x54, 0x03},
                                {Protocol::kJ1708});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->timestamp_ms, 0x01020304u);
}

TEST(ParseReadBuffer, KeepsTheJ1708ChecksumApartInRawMode) {
  const Bytes bytes = {0, 0, 0, 9, 0x80, 0x54, 0x03, 0x29};
  ReadLayout converted{Protocol::kJ1708, false, false};
  auto plain = ParseReadBuffer(bytes, converted);
  ASSERT_TRUE(plain);
  EXPECT_EQ(std::get<J1708Message>(plain->message),
            (J1708Message{0x80, {0x54, 0x03, 0x29}, std::nullopt}));
  ReadLayout raw{Protocol::kJ1708, false, true};
  auto with_sum = ParseReadBuffer(bytes, raw);
  ASSERT_TRUE(with_sum);
  EXPECT_EQ(std::get<J1708Message>(with_sum->message),
            (J1708Message{0x80, {0x54, 0x03}, 0x29}));
}

TEST(ParseReadBuffer, RefusesRecordsTooShortForTheirLayout) {
  const std::pair<Bytes, ReadLayout> cases[] = {
      {{0, 0, 0}, {Protocol::kJ1939}},
      {{0, 0, 0, 1, 0x00, 0xF0, 0, 3, 0x00}, {Protocol::kJ1939}},
      {{0, 0, 0, 1, 0, 0x00, 0xF0, 0, 3, 0x00}, {Protocol::kJ1939, true}},
      {{0, 0, 0, 1}, {Protocol::kJ1708}},
      {{0, 0, 0, 1, 0x80}, {Protocol::kJ1708, false, true}},
  };
  for (const auto& [bytes, layout] : cases) {
    EXPECT_FALSE(ParseReadBuffer(bytes, layout)) << bytes.size();
  }
}

TEST(Identifier, RoundTripsThroughTheMessageFields) {
  for (uint32_t id : {0x0CF00400u, 0x18EA17F9u, 0x18ECFF00u, 0x1DF20080u,
                      0x00000301u, 0x1CEBFF00u, 0x18FEF100u}) {
    const J1939Message message = FromIdentifier(id, {});
    EXPECT_EQ(IdentifierOf(message), id) << std::hex << id;
  }
  EXPECT_TRUE(IsPdu1(0xEA00));
  EXPECT_FALSE(IsPdu1(0xF004));
}

}  // namespace
}  // namespace vlrdecode
