#include <gtest/gtest.h>

#include <vector>

#include "j1939_signals.h"
#include "pgn_names.h"

namespace vlrdecode {
namespace {

using Bytes = std::vector<uint8_t>;

std::optional<double> Value(uint32_t pgn, const Bytes& data,
                            const std::string& name) {
  for (const Signal& signal : DecodeJ1939Signals(pgn, data)) {
    if (signal.name == name) return signal.value;
  }
  return std::nullopt;
}

TEST(J1939Signals, ScaleTheCommonParameters) {
  struct Case {
    uint32_t pgn;
    Bytes data;
    const char* name;
    double expected;
  };
  const Case cases[] = {
      // A recorded EEC1 of an idling engine: 0x12D8 * 0.125.
      {0xF004,
       {0xF0, 0x7D, 0x84, 0xD8, 0x12, 0x00, 0xF0, 0x84},
       "engine speed",
       603.0},
      {0xF004,
       {0xF0, 0x7D, 0x84, 0xD8, 0x12, 0x00, 0xF0, 0x84},
       "actual engine torque",
       7.0},
      {0xFEF1,
       {0xF3, 0x00, 0x58, 0x1F, 0x00, 0x58, 0x1F, 0xFF},
       "vehicle speed",
       88.0},
      {0xFEEE,
       {0x80, 0x46, 0x60, 0x2C, 0xFF, 0xFF, 0xFF, 0xFF},
       "coolant temperature",
       88.0},
      {0xFEEE,
       {0x80, 0x46, 0x60, 0x2C, 0xFF, 0xFF, 0xFF, 0xFF},
       "engine oil temperature",
       82.0},
      {0xFEF2,
       {0x58, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       "fuel rate",
       30.0},
      {0xFEF5,
       {0xC6, 0xFF, 0xFF, 0x40, 0x24, 0xFF, 0xFF, 0xFF},
       "ambient air temperature",
       17.0},
      {0xFEF5,
       {0xC6, 0xFF, 0xFF, 0x40, 0x24, 0xFF, 0xFF, 0xFF},
       "barometric pressure",
       99.0},
      {0xFEF7,
       {0xFF, 0xFF, 0xFF, 0xFF, 0x1A, 0x01, 0xFF, 0xFF},
       "battery potential",
       14.1},
      {0xF003,
       {0xF0, 0x50, 0x2D, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       "accelerator pedal",
       32.0},
  };
  for (const Case& c : cases) {
    auto value = Value(c.pgn, c.data, c.name);
    ASSERT_TRUE(value) << c.name;
    EXPECT_NEAR(*value, c.expected, 1e-9) << c.name;
  }
}

TEST(J1939Signals, LeaveOutNotAvailableErrorAndMissingValues) {
  const Bytes filler(8, 0xFF);
  EXPECT_TRUE(DecodeJ1939Signals(0xF004, filler).empty());
  // 0xFB00 and above (two bytes) and 0xFB and above (one byte) are not values.
  EXPECT_FALSE(Value(0xF004, {0, 0, 0, 0x00, 0xFB, 0, 0, 0}, "engine speed"));
  EXPECT_TRUE(Value(0xF004, {0, 0, 0, 0xFF, 0xFA, 0, 0, 0}, "engine speed"));
  EXPECT_FALSE(Value(0xFEEE, {0xFE}, "coolant temperature"));
  // A short message: only what it holds.
  EXPECT_TRUE(Value(0xF004, {0xF0, 0x7D, 0x84}, "actual engine torque"));
  EXPECT_FALSE(Value(0xF004, {0xF0, 0x7D, 0x84, 0xD8}, "engine speed"));
  EXPECT_TRUE(DecodeJ1939Signals(0xFFFF, filler).empty());
}

TEST(PgnNames, ParseWhatUsersType) {
  struct Case {
    const char* text;
    std::optional<uint32_t> expected;
  };
  const Case cases[] = {
      {"EEC1", 0xF004},          {"eec1", 0xF004},         {"61444", 0xF004},
      {"0xF004", 0xF004},        {"F004", 0xF004},         {"FEF1", 0xFEF1},
      {"TP.CM", 0xEC00},         {"dm1", 0xFECA},          {"0x3FFFF", 0x3FFFF},
      {"0x40000", std::nullopt}, {"262144", std::nullopt}, {"", std::nullopt},
      {"engine", std::nullopt},  {"0x", std::nullopt},     {"-1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParsePgn(c.text), c.expected) << c.text;
}

TEST(PgnNames, LabelCommonAndProprietaryGroups) {
  EXPECT_EQ(PgnLabel(0xF004), "EEC1");
  EXPECT_EQ(PgnLabel(0xEE00), "AC");
  EXPECT_EQ(PgnLabel(0xEF00), "PropA");
  EXPECT_EQ(PgnLabel(0xFF42), "PropB");
  EXPECT_EQ(PgnLabel(0x1F200), "NMEA 2000 Engine Parameters, Rapid Update");
  EXPECT_EQ(PgnLabel(0xFD00), "");
}

}  // namespace
}  // namespace vlrdecode
