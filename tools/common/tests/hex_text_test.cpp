#include "vlrcommon/hex_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace vlrcommon {
namespace {

using Bytes = std::vector<uint8_t>;

// A fixed-width field's digits alone, and a number as people write one: the
// same digits, optionally after 0x. What the capture readers and the
// simulator's control line each accepted before they shared one syntax is
// all accepted still.
TEST(ParseHex, DigitsAloneOrAfterAnOptional0x) {
  using std::nullopt;
  struct Case {
    const char* text;
    std::size_t max_digits;
    std::optional<uint32_t> digits;  // ParseHexDigits
    std::optional<uint32_t> number;  // ParseHexNumber
  };
  const Case cases[] = {
      {"0CF00400", 8, 0x0CF00400, 0x0CF00400},
      {"ff", 2, 0xFF, 0xFF},
      {"1FFFFFFF", 8, 0x1FFFFFFF, 0x1FFFFFFF},
      {"0x1F", 8, nullopt, 0x1F},
      {"0X80", 2, nullopt, 0x80},
      {"0x18FEF100", 8, nullopt, 0x18FEF100},
      {"", 8, nullopt, nullopt},
      {"0x", 8, nullopt, nullopt},
      {"0x123", 2, nullopt, nullopt},
      {"123", 2, nullopt, nullopt},
      {"12G4", 8, nullopt, nullopt},
      {"-1", 8, nullopt, nullopt},
      {"+1", 8, nullopt, nullopt},
      {" 1", 8, nullopt, nullopt},
      {"0x0x1", 8, nullopt, nullopt},
      {"123456789", 9, nullopt, nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexDigits(c.text, c.max_digits), c.digits) << c.text;
    EXPECT_EQ(ParseHexNumber(c.text, c.max_digits), c.number) << c.text;
  }
}

TEST(ParseJ1939Identifier, TakesAtMost29Bits) {
  EXPECT_EQ(ParseJ1939Identifier("18FEF100"), 0x18FEF100u);
  EXPECT_EQ(ParseJ1939Identifier("0x1FFFFFFF"), 0x1FFFFFFFu);
  EXPECT_EQ(ParseJ1939Identifier("80"), 0x80u);
  EXPECT_FALSE(ParseJ1939Identifier("20000000"));
  EXPECT_FALSE(ParseJ1939Identifier("18FEF10G"));
}

TEST(ParseHexBytes, ReadsPairsAndSeparatedTokens) {
  struct Case {
    const char* text;
    std::optional<Bytes> expected;
  };
  const Case cases[] = {
      {"", Bytes{}},
      {"0102FF", Bytes{1, 2, 0xFF}},
      {"01 02 ff", Bytes{1, 2, 0xFF}},
      {"01,02", Bytes{1, 2}},
      {"01:02:ff", Bytes{1, 2, 0xFF}},
      {"1 a,B", Bytes{1, 0xA, 0xB}},
      {"0102 03", Bytes{1, 2, 3}},
      {"0102:0304", Bytes{1, 2, 3, 4}},
      {"\t7f  ", Bytes{0x7F}},
      {"123", std::nullopt},
      {"01 0G", std::nullopt},
      {"01-02", std::nullopt},
      {"0x01", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexBytes(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(FormatHexBytes, PrintsPairsInEitherCase) {
  const Bytes bytes = {0x0A, 0xFF, 0x00};
  EXPECT_EQ(FormatHexBytes(bytes), "0AFF00");
  EXPECT_EQ(FormatHexBytes(bytes, " "), "0A FF 00");
  EXPECT_EQ(FormatHexBytes(bytes, " ", LetterCase::kLower), "0a ff 00");
  EXPECT_EQ(FormatHexBytes({}), "");
}

TEST(HexText, WhatIsPrintedReadsBackTheSame) {
  Bytes all(256);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i);
  for (const char* separator : {"", " ", ",", ":"}) {
    for (LetterCase letters : {LetterCase::kUpper, LetterCase::kLower}) {
      EXPECT_EQ(ParseHexBytes(FormatHexBytes(all, separator, letters)), all)
          << '"' << separator << '"';
    }
  }
}

}  // namespace
}  // namespace vlrcommon
