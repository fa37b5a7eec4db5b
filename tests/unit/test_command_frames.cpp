// Command frames to the 2xx adapter and the frames of its identifier filter.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "connection/filters.h"
#include "link/frames.h"

namespace vlr::link {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const Frame& frame) {
  return Bytes(frame.bytes.begin(), frame.bytes.begin() + frame.length);
}

// Worked examples of the adapter filter: a PGN-only group and a group that
// compares all four fields of a destination-specific PGN.
const J1939FilterGroup kPgnOnly = {0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00};
const J1939FilterGroup kAllFields = {0x0F, 0x00, 0xEA, 0x00, 0x06, 0xF9, 0x17};

TEST(CommandFrames, ExactBytes) {
  struct Case {
    std::string name;
    Frame frame;
    Bytes bytes;
  } cases[] = {
      {"J1939 receive on",
       ReceiveOnFrame(true),
       {0x01, 0x02, 0x02, 0x01, 0x00, 0x06}},
      {"J1708 receive on",
       ReceiveOnFrame(false),
       {0x01, 0x02, 0x01, 0x11, 0x00, 0x15}},
      {"J1939 receive off",
       ReceiveOffFrame(true),
       {0x01, 0x02, 0x02, 0x00, 0x00, 0x05}},
      {"J1708 receive off",
       ReceiveOffFrame(false),
       {0x01, 0x02, 0x01, 0x10, 0x00, 0x14}},
      {"rate change",
       RateChangeFrame(),
       {0x01, 0x05, 0x08, 0x01, 0x03, 0x04, 0x00, 0x00, 0x16}},
      {"mask, PGN only",
       FilterMaskFrame(FilterMaskFor(kPgnOnly)),
       {0x01, 0x06, 0x02, 0x04, 0x07, 0xF8, 0x00, 0x00, 0x00, 0x0C}},
      {"slot 0, PGN only",
       FilterSlotFrame(0, kPgnOnly),
       {0x01, 0x06, 0x02, 0x19, 0x07, 0xF7, 0x88, 0x00, 0x00, 0xA8}},
      {"mask, all fields",
       FilterMaskFrame(FilterMaskFor(kAllFields)),
       {0x01, 0x06, 0x02, 0x04, 0xE7, 0xFF, 0xE7, 0xE0, 0x00, 0xBA}},
      {"slot 0, all fields",
       FilterSlotFrame(0, kAllFields),
       {0x01, 0x06, 0x02, 0x19, 0xC7, 0x50, 0xBF, 0xC8, 0x00, 0xC0}},
      {"slot 1",
       FilterSlotFrame(1, kPgnOnly),
       {0x01, 0x06, 0x02, 0x29, 0x07, 0xF7, 0x88, 0x00, 0x00, 0xB8}},
      {"slot 2",
       FilterSlotFrame(2, kPgnOnly),
       {0x01, 0x06, 0x02, 0x39, 0x07, 0xF7, 0x88, 0x00, 0x00, 0xC8}},
      {"slot 3",
       FilterSlotFrame(3, kPgnOnly),
       {0x01, 0x06, 0x02, 0x49, 0x07, 0xF7, 0x88, 0x00, 0x00, 0xD8}},
      {"slot 4 does not exist", FilterSlotFrame(4, kPgnOnly), {}},
      {"slot -1 does not exist", FilterSlotFrame(-1, kPgnOnly), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Of(c.frame), c.bytes) << c.name;
}

TEST(CommandFrames, Acknowledgements) {
  struct Case {
    uint8_t channelId;
    std::array<uint8_t, 5> bytes;
  } cases[] = {
      {channel::kJ1939, {0x01, 0x01, 0x02, 0x00, 0x04}},
      {channel::kJ1708, {0x01, 0x01, 0x01, 0x00, 0x03}},
      // The ready frame has the acknowledgement's shape.
      {channel::kFlowControl, {0x01, 0x01, 0x09, 0x00, 0x0B}},
      {0xFF, {0x01, 0x01, 0xFF, 0x00, 0x01}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AcknowledgementFor(c.channelId), c.bytes) << int{c.channelId};
  }
}

TEST(CommandFrames, ArgumentCountLimitedByTheCountByte) {
  const Bytes most(253, 0x00);
  const Frame longest = CommandFrame(channel::kJ1939, 0x7E, most);
  ASSERT_EQ(longest.length, 259u);
  EXPECT_EQ(longest.bytes[1], 0xFF);
  EXPECT_EQ(longest.bytes[257], 0x00);  // data length
  EXPECT_EQ(longest.bytes[258], 0x80);  // 01 + FF + 02 + 7E
  const Bytes tooMany(254, 0x00);
  EXPECT_EQ(CommandFrame(channel::kJ1939, 0x7E, tooMany).length, 0u);
}

// Later flags OR into or overwrite what earlier ones set, in a fixed order;
// the combinations catch a wrong order as well as wrong bits.
TEST(FilterMask, FlagCombinations) {
  struct Case {
    uint8_t flags;
    uint32_t mask;
  } cases[] = {
      {0x00, 0x00000000}, {0xF0, 0x00000000}, {0x01, 0x07F80000},
      {0x02, 0xE0000000}, {0x03, 0xE7F80000}, {0x04, 0x000007E0},
      {0x08, 0x0007E000}, {0x0C, 0x0007E7E0}, {0x09, 0x07FFE000},
      {0x05, 0x07F807E0}, {0x0F, 0xE7FFE7E0}, {0xFF, 0xE7FFE7E0},
  };
  for (const auto& c : cases) {
    J1939FilterGroup group = kAllFields;
    group[0] = c.flags;
    EXPECT_EQ(FilterMaskFor(group), c.mask) << std::hex << int{c.flags};
  }
}

TEST(FilterValue, FieldsNotComparedAreZero) {
  struct Case {
    J1939FilterGroup group;
    uint32_t value;
  } cases[] = {
      {kPgnOnly, 0x07F78800},
      {kAllFields, 0xC750BFC8},
      {{0x04, 0xF1, 0xFE, 0x00, 0x03, 0x25, 0x17}, 0x25u << 3},
      // No PGN compared: PF counts as 0, so the destination is the PS.
      {{0x08, 0xF1, 0xFE, 0x00, 0x03, 0x25, 0x17}, 0x1700u << 3},
      // Broadcast PGN: the PS is the group extension, not the destination.
      {{0x09, 0xF1, 0xFE, 0x00, 0x03, 0x25, 0x17}, 0x00FEF100u << 3},
      // Destination-specific PGN without a destination: PS 0.
      {{0x01, 0x55, 0xEA, 0x01, 0x03, 0x25, 0x17}, 0x01EA0000u << 3},
      {{0x01, 0x55, 0xEA, 0x02, 0x03, 0x25, 0x17}, 0x00EA0000u << 3},
      {{0x02, 0xF1, 0xFE, 0x01, 0x0E, 0x25, 0x17}, 0x18000000u << 3},
      {{0xF0, 0xF1, 0xFE, 0x01, 0x07, 0x25, 0x17}, 0x00000000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FilterValueFor(c.group), c.value) << std::hex << c.value;
  }
}

// The adapter passes a message when its identifier x 8 agrees with the slot
// value on every mask bit. It must pass every message the group accepts,
// or the application loses traffic it asked for.
TEST(FilterValue, AdapterPassesWhatTheGroupAccepts) {
  std::mt19937 rng(1939);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 5000; ++round) {
    const auto pri = static_cast<uint8_t>(byte(rng) & 7);
    const auto dp = static_cast<uint8_t>(byte(rng) & 1);
    const auto pf = static_cast<uint8_t>(byte(rng));
    const auto ps = static_cast<uint8_t>(byte(rng));
    const auto src = static_cast<uint8_t>(byte(rng));
    const uint32_t identifier = uint32_t{pri} << 26 | uint32_t{dp} << 24 |
                                uint32_t{pf} << 16 | uint32_t{ps} << 8 | src;
    const bool pduTwo = pf >= 0xF0;
    // The message as the filter test sees it, and a group copied from it.
    const uint8_t message[6] = {pduTwo ? ps : uint8_t{0}, pf, dp, pri, src,
                                pduTwo ? uint8_t{0} : ps};
    const auto flags = static_cast<uint8_t>(byte(rng));
    const J1939FilterGroup group = {flags,      message[0], message[1],
                                    message[2], message[3], message[4],
                                    message[5]};
    // A destination compared without the PGN is 0 for a broadcast PGN in
    // the delivered layout, while the identifier has the group extension
    // there; the adapter cannot express that case.
    const uint8_t compared = flags & filter_flags::kAny;
    if (pduTwo && (compared & filter_flags::kDestination) &&
        !(compared & filter_flags::kPgn)) {
      continue;
    }
    FilterState state;
    std::vector<int> added;
    ASSERT_EQ(AddJ1939Filter(state, group, added), AddFilterResult::kOk);
    ASSERT_TRUE(state.MatchJ1939(message));
    const uint32_t mask = FilterMaskFor(group);
    EXPECT_EQ((identifier << 3) & mask, FilterValueFor(group) & mask)
        << std::hex << "identifier " << identifier << " flags " << int{flags};
  }
}

}  // namespace
}  // namespace vlr::link
