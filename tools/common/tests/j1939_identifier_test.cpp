#include "vlrcommon/j1939_identifier.h"

#include <gtest/gtest.h>

namespace vlrcommon::j1939 {
namespace {

TEST(J1939Identifier, PduFormatDecidesWhatPsMeans) {
  struct Case {
    uint32_t identifier;
    MessageHeader header;
  };
  const Case cases[] = {
      // PDU2: PS is the group extension; the message goes to everyone.
      {0x18FEF100, {0x00FEF1, 6, 0x00, kGlobalAddress}},
      {0x0CF00400, {0x00F004, 3, 0x00, kGlobalAddress}},
      {0x18F00010, {0x00F000, 6, 0x10, kGlobalAddress}},  // the first PDU2 PF
      // PDU1: PS is the destination and the PGN's low byte is 0.
      {0x18EA17F9, {0x00EA00, 6, 0xF9, 0x17}},
      {0x18EFFFF9, {0x00EF00, 6, 0xF9, 0xFF}},  // the last PDU1 PF
      {0x1CEC0003, {0x00EC00, 7, 0x03, 0x00}},
      // Both page bits, and the largest identifier.
      {0x1DF20080, {0x01F200, 7, 0x80, kGlobalAddress}},
      {0x1EF00000, {0x02F000, 7, 0x00, kGlobalAddress}},
      {0x1FFFFFFF, {0x03FFFF, 7, 0xFF, kGlobalAddress}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HeaderOf(c.identifier), c.header) << std::hex << c.identifier;
    EXPECT_EQ(IdentifierOf(c.header), c.identifier) << std::hex << c.identifier;
    EXPECT_EQ(JoinIdentifier(SplitIdentifier(c.identifier)), c.identifier);
  }
}

TEST(J1939Identifier, Pdu2StartsAtFormat240) {
  EXPECT_TRUE(IsPdu1(0x00EF00));
  EXPECT_FALSE(IsPdu1(0x00F000));
  EXPECT_TRUE(IsPdu1(0x01EA00));
  EXPECT_FALSE(IsPdu1(0x01FEF1));
}

TEST(J1939Identifier, ADestinationCountsOnlyForPdu1Groups) {
  MessageHeader broadcast{0x00FEF1, 6, 0x00, 0x17};
  EXPECT_EQ(IdentifierOf(broadcast), 0x18FEF100u);
  MessageHeader request{0x00EA00, 6, 0xF9, 0x17};
  EXPECT_EQ(IdentifierOf(request), 0x18EA17F9u);
}

TEST(J1939Identifier, FieldsAreCutToTheirWidths) {
  IdentifierFields fields;
  fields.priority = 0xFF;
  fields.page = 0xFF;
  fields.pdu_format = 0xF0;
  fields.pdu_specific = 0x04;
  fields.source = 0x00;
  EXPECT_EQ(JoinIdentifier(fields), 0x1FF00400u);
  EXPECT_EQ(SplitIdentifier(0xFFFFFFFF).priority, 7);
  EXPECT_EQ(SplitIdentifier(0xFFFFFFFF).page, 3);
}

TEST(PgnBytes, LeastSignificantFirstAndBack) {
  EXPECT_EQ(PgnBytes(0x01FEF1), (std::array<uint8_t, 3>{0xF1, 0xFE, 0x01}));
  const std::array<uint8_t, 3> bytes = {0xCA, 0xFE, 0xFF};
  EXPECT_EQ(PgnFromBytes(bytes), 0x03FECAu);
  for (uint32_t pgn : {0x000000u, 0x00EA00u, 0x00FEF1u, 0x03FFFFu}) {
    EXPECT_EQ(PgnFromBytes(PgnBytes(pgn)), pgn) << std::hex << pgn;
  }
}

}  // namespace
}  // namespace vlrcommon::j1939
