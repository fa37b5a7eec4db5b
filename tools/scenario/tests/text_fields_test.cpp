#include "vlrscenario/text_fields.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vlrscenario {
namespace {

using std::chrono::microseconds;

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
