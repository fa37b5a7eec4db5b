#include <gtest/gtest.h>

#include <vector>

#include "link/filter_program.h"

namespace vlr::link {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const Frame& f) {
  return Bytes(f.bytes.begin(), f.bytes.begin() + f.length);
}

// Stores `groups` in one command of a lone client and returns the frames
// that program them.
std::vector<CommandStep> Program(FilterState& state, AdapterFilter& adapter,
                                 const Bytes& groups) {
  std::vector<int> added;
  EXPECT_EQ(AddJ1939Filter(state, groups, added), AddFilterResult::kOk);
  return ProgramAfterAdding(adapter, {false, state.StoredGroups()}, true);
}

TEST(AdapterFilterProgram, OneGroupGivesTheWorkedExampleFrames) {
  FilterState state;
  AdapterFilter adapter;
  const auto steps =
      Program(state, adapter, {0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00});
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(BytesOf(steps[0].frame),
            (Bytes{0x01, 0x02, 0x02, 0x00, 0x00, 0x05}));
  EXPECT_EQ(BytesOf(steps[1].frame), (Bytes{0x01, 0x06, 0x02, 0x04, 0x07, 0xF8,
                                            0x00, 0x00, 0x00, 0x0C}));
  EXPECT_EQ(BytesOf(steps[2].frame), (Bytes{0x01, 0x06, 0x02, 0x19, 0x07, 0xF7,
                                            0x88, 0x00, 0x00, 0xA8}));
  EXPECT_EQ(BytesOf(steps[3].frame),
            (Bytes{0x01, 0x02, 0x02, 0x01, 0x00, 0x06}));
  EXPECT_TRUE(steps[0].awaitAck);
  EXPECT_FALSE(steps[1].awaitAck);
  EXPECT_TRUE(steps[2].awaitAck);
  EXPECT_TRUE(steps[3].awaitAck);
}

// Groups in one command, groups stored before, expected slot frames, and
// whether the mask is open (all zero).
struct ProgramCase {
  int before;
  int added;
  int slots;
  bool openMask;
};

class ProgramSizes : public ::testing::TestWithParam<ProgramCase> {};

Bytes PgnGroups(int from, int count) {
  Bytes buffer;
  for (int k = from; k < from + count; ++k) {
    const Bytes g = {0x01, static_cast<uint8_t>(k), 0xFE, 0, 3, 0, 0};
    buffer.insert(buffer.end(), g.begin(), g.end());
  }
  return buffer;
}

TEST_P(ProgramSizes, ProgramsOnceWithTheFinalState) {
  const ProgramCase& c = GetParam();
  FilterState state;
  AdapterFilter adapter;
  if (c.before > 0) Program(state, adapter, PgnGroups(0, c.before));
  const auto steps = Program(state, adapter, PgnGroups(c.before, c.added));
  ASSERT_EQ(steps.size(), static_cast<size_t>(3 + c.slots));
  const Bytes mask = BytesOf(steps[1].frame);
  ASSERT_EQ(mask[3], 0x04);
  const bool open =
      mask[4] == 0 && mask[5] == 0 && mask[6] == 0 && mask[7] == 0;
  EXPECT_EQ(open, c.openMask);
  for (int s = 0; s < c.slots; ++s) {
    EXPECT_EQ(steps[2 + s].frame.bytes[3], 0x19 + 0x10 * (c.before + s));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ProgramSizes,
    ::testing::Values(ProgramCase{0, 1, 1, false}, ProgramCase{0, 4, 4, false},
                      ProgramCase{0, 6, 4, true}, ProgramCase{0, 256, 4, true},
                      ProgramCase{2, 2, 2, false}, ProgramCase{3, 3, 1, true},
                      ProgramCase{5, 1, 0, true}));

TEST(AdapterFilterProgram, NothingStoredNothingSent) {
  FilterState state;
  AdapterFilter adapter;
  EXPECT_TRUE(Program(state, adapter, {0x00, 1, 2, 3, 4, 5, 6}).empty());
}

// Several clients: the adapter holds the union, a slot is rewritten only
// when its group changes, and a client that passes all keeps it open.
TEST(AdapterFilterProgram, UnionOfClients) {
  const J1939FilterGroup a{0x01, 0xF1, 0xFE, 0, 3, 0, 0};
  const J1939FilterGroup b{0x01, 0x04, 0xF0, 0, 3, 0, 0};
  AdapterFilter adapter;
  auto steps = ProgramAfterAdding(adapter, {false, {a}}, true);
  ASSERT_EQ(steps.size(), 4u);
  steps = ProgramAfterAdding(adapter, {false, {a, b}}, true);
  ASSERT_EQ(steps.size(), 4u) << "off, mask, slot 1 only, on";
  EXPECT_EQ(steps[2].frame.bytes[3], 0x29);
  EXPECT_TRUE(ProgramAfterAdding(adapter, {false, {a, b}}, true).empty())
      << "another client storing a group the adapter holds";
  EXPECT_TRUE(ProgramAfterAdding(adapter, {true, {a, b}}, true).empty());
  steps = ProgramAfterClearing(adapter, {false, {b}}, true);
  ASSERT_EQ(steps.size(), 4u) << "the first client left the union";
  EXPECT_EQ(steps[2].frame.bytes[3], 0x19);
  steps = ProgramAfterClearing(adapter, {true, {b}}, false);
  ASSERT_EQ(steps.size(), 1u) << "opened; reception left as it is";
  EXPECT_EQ(BytesOf(steps[0].frame), BytesOf(FilterMaskFrame(0)));
  EXPECT_TRUE(adapter.groups.empty());
}

}  // namespace
}  // namespace vlr::link
