#include "vlrscenario/text_fields.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vlrscenario {
namespace {

using std::chrono::microseconds;

TEST(ParseHexNumber, AcceptsOnlyPlainHexWithinTheDigitLimit) {
  struct Case {
    const char* text;
    std::size_t max_digits;
    std::optional<uint32_t> expected;
  };
  const Case cases[] = {
      {"0CF00400", 8, 0x0CF00400},    {"ff", 2, 0xFF},
      {"1FFFFFFF", 8, 0x1FFFFFFF},    {"", 8, std::nullopt},
      {"0x1F", 8, std::nullopt},      {"123", 2, std::nullopt},
      {"12G4", 8, std::nullopt},      {"-1", 8, std::nullopt},
      {"123456789", 9, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexNumber(c.text, c.max_digits), c.expected) << c.text;
  }
}

TEST(ParseHexBytes, ReadsPairsAndSeparatedTokens) {
  struct Case {
    const char* text;
    std::optional<std::vector<uint8_t>> expected;
  };
  const Case cases[] = {
      {"", std::vector<uint8_t>{}},
      {"0102FF", std::vector<uint8_t>{1, 2, 0xFF}},
      {"01 02 ff", std::vector<uint8_t>{1, 2, 0xFF}},
      {"1 a,B", std::vector<uint8_t>{1, 0xA, 0xB}},
      {"0102 03", std::vector<uint8_t>{1, 2, 3}},
      {"\t7f  ", std::vector<uint8_t>{0x7F}},
      {"123", std::nullopt},
      {"01 0G", std::nullopt},
      {"01-02", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexBytes(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(FormatHexBytes, PrintsUpperCasePairs) {
  const std::vector<uint8_t> bytes = {0x0A, 0xFF, 0x00};
  EXPECT_EQ(FormatHexBytes(bytes), "0AFF00");
  EXPECT_EQ(FormatHexBytes(bytes, " "), "0A FF 00");
  EXPECT_EQ(FormatHexBytes({}), "");
}

TEST(ParseSeconds, KeepsMicrosecondsExactly) {
  struct Case {
    const char* text;
    std::optional<microseconds> expected;
  };
  const Case cases[] = {
      {"0", microseconds(0)},
      {"12.5", microseconds(12'500'000)},
      {"1708107535.406793", microseconds(1708107535'406793LL)},
      // A float export with more digits than a microsecond: truncated.
      {"1123.379836291075", microseconds(1123'379836LL)},
      {"0.000001", microseconds(1)},
      {"", std::nullopt},
      {"1.", std::nullopt},
      {".5", std::nullopt},
      {"-1.0", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1e3", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseSeconds(c.text), c.expected) << c.text;
  }
}

TEST(TakeWord, WalksThroughBlankSeparatedWords) {
  std::string_view rest = "  (1.0) can0\t1#02 \r";
  EXPECT_EQ(TakeWord(rest), "(1.0)");
  EXPECT_EQ(TakeWord(rest), "can0");
  EXPECT_EQ(TakeWord(rest), "1#02");
  EXPECT_EQ(TakeWord(rest), "");
}

}  // namespace
}  // namespace vlrscenario
