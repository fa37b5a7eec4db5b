// The client's receive filter: its states, the two tests, and how command 4
// stores J1939 filter groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "connection/filters.h"

namespace vlr {
namespace {

using Bytes = std::vector<uint8_t>;

// Delivered J1939 layout: PGN (LSB first), priority, source, destination.
Bytes Message(uint8_t pgn0, uint8_t pgn1, uint8_t pgn2, uint8_t priority,
              uint8_t source, uint8_t destination) {
  return {pgn0, pgn1, pgn2, priority, source, destination, 0x11, 0x22};
}

Bytes Groups(std::initializer_list<J1939FilterGroup> groups) {
  Bytes buffer;
  for (const auto& g : groups) buffer.insert(buffer.end(), g.begin(), g.end());
  return buffer;
}

AddFilterResult Add(FilterState& state, const Bytes& buffer,
                    std::vector<int>* added = nullptr) {
  std::vector<int> ignored;
  return AddJ1939Filter(state, buffer, added ? *added : ignored);
}

int16_t CountOf(const FilterState& state) { return state.filterCount.load(); }

const J1939FilterGroup kPgnGroup = {0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00};
const J1939FilterGroup kSourceGroup = {0x04, 0x00, 0x00, 0x00,
                                       0x00, 0x25, 0x00};
const Bytes kPgnMessage = Message(0xF1, 0xFE, 0x00, 6, 0x00, 0x00);
const Bytes kSourceMessage = Message(0x04, 0xF0, 0x00, 3, 0x25, 0x00);
const Bytes kOtherMessage = Message(0x04, 0xF0, 0x00, 3, 0x26, 0x00);

// A group per (flags, source), all different, comparing the source.
J1939FilterGroup SourceGroup(int n) {
  return {0x04,
          0x00,
          0x00,
          0x00,
          0x00,
          static_cast<uint8_t>(n),
          static_cast<uint8_t>(n >> 8)};
}

TEST(FilterState, CountDecidesBeforeAnyEntry) {
  const Bytes message = Message(0xEE, 0xFE, 0x00, 6, 0x00, 0x00);
  FilterState state;  // as a fresh client: discard all
  EXPECT_FALSE(state.MatchJ1708(0x80));
  EXPECT_FALSE(state.MatchJ1939(message.data()));
  for (int16_t count : {int16_t{-1}, int16_t{-2}, int16_t{-32768}}) {
    state.filterCount = count;
    EXPECT_FALSE(state.MatchJ1708(0x80)) << count;
    EXPECT_FALSE(state.MatchJ1939(message.data())) << count;
  }
  state.filterCount = 0;
  EXPECT_TRUE(state.MatchJ1708(0x80));
  EXPECT_TRUE(state.MatchJ1939(message.data()));
}

TEST(FilterState, J1939GroupMatching) {
  struct Case {
    const char* what;
    J1939FilterGroup group;
    Bytes message;
    bool passes;
  } cases[] = {
      {"PGN equal",
       {0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00},
       Message(0xF1, 0xFE, 0x00, 6, 0x25, 0x00),
       true},
      {"PGN differs",
       {0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00},
       Message(0x04, 0xF0, 0x00, 3, 0x00, 0x00),
       false},
      {"PGN differs in data page",
       {0x01, 0xF1, 0xFE, 0x00, 0, 0, 0},
       Message(0xF1, 0xFE, 0x01, 3, 0x00, 0x00),
       false},
      {"source 0 only",
       {0x04, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00},
       Message(0x04, 0xF0, 0x00, 3, 0x00, 0x17),
       true},
      {"source other",
       {0x04, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00},
       Message(0xF1, 0xFE, 0x00, 3, 0x01, 0x00),
       false},
      {"priority",
       {0x02, 0, 0, 0, 0x06, 0, 0},
       Message(0x04, 0xF0, 0x00, 6, 0x00, 0x00),
       true},
      {"priority other",
       {0x02, 0, 0, 0, 0x06, 0, 0},
       Message(0x04, 0xF0, 0x00, 3, 0x00, 0x00),
       false},
      {"destination",
       {0x08, 0, 0, 0, 0, 0, 0xF9},
       Message(0x00, 0xEA, 0x00, 6, 0x17, 0xF9),
       true},
      {"destination other",
       {0x08, 0, 0, 0, 0, 0, 0xF9},
       Message(0x00, 0xEA, 0x00, 6, 0xF9, 0x17),
       false},
      // A destination-specific message carries 0 in PGN byte 0, so only a
      // group with 0 there can match its PGN.
      {"dest-specific PGN, byte 1 zero",
       {0x01, 0x00, 0xEA, 0x00, 0, 0, 0},
       Message(0x00, 0xEA, 0x00, 6, 0x17, 0xF9),
       true},
      {"dest-specific PGN, byte 1 set",
       {0x01, 0xF9, 0xEA, 0x00, 0, 0, 0},
       Message(0x00, 0xEA, 0x00, 6, 0x17, 0xF9),
       false},
      {"all four",
       {0x0F, 0x00, 0xEA, 0x00, 0x06, 0xF9, 0x17},
       Message(0x00, 0xEA, 0x00, 6, 0xF9, 0x17),
       true},
      {"all four, one differs",
       {0x0F, 0x00, 0xEA, 0x00, 0x06, 0xF9, 0x17},
       Message(0x00, 0xEA, 0x00, 7, 0xF9, 0x17),
       false},
      // Fields whose flag is clear are not looked at.
      {"unflagged fields ignored",
       {0x01, 0xF1, 0xFE, 0x00, 0x07, 0x99, 0x99},
       Message(0xF1, 0xFE, 0x00, 3, 0x25, 0x00),
       true},
  };
  for (const auto& c : cases) {
    FilterState state;
    ASSERT_EQ(Add(state, Groups({c.group})), AddFilterResult::kOk) << c.what;
    ASSERT_EQ(CountOf(state), 1) << c.what;
    EXPECT_EQ(state.MatchJ1939(c.message.data()), c.passes) << c.what;
  }
}

TEST(AddJ1939Filter, FirstGroupRules) {
  const J1939FilterGroup noFlags = {0x00, 0xF1, 0xFE, 0x00, 3, 0, 0};
  const J1939FilterGroup highBitsOnly = {0xF0, 0xF1, 0xFE, 0x00, 3, 0, 0};
  struct Case {
    const char* what;
    int16_t countBefore;
    Bytes buffer;
    AddFilterResult result;
    int16_t countAfter;
  } cases[] = {
      {"size not a multiple of 7", -1, Bytes(8), AddFilterResult::kBadSize, -1},
      {"size 0 raises discard-all to pass-all",
       -1,
       {},
       AddFilterResult::kOk,
       0},
      {"size 0 keeps pass-all", 0, {}, AddFilterResult::kOk, 0},
      {"no flag bits: pass-all, nothing stored", -1, Groups({noFlags}),
       AddFilterResult::kOk, 0},
      {"only bits 4-7: nothing stored", 0, Groups({highBitsOnly}),
       AddFilterResult::kOk, 0},
      {"a flagged group is stored", -1, Groups({kPgnGroup}),
       AddFilterResult::kOk, 1},
  };
  for (const auto& c : cases) {
    FilterState state;
    state.filterCount = c.countBefore;
    std::vector<int> added;
    EXPECT_EQ(Add(state, c.buffer, &added), c.result) << c.what;
    EXPECT_EQ(CountOf(state), c.countAfter) << c.what;
    EXPECT_EQ(added.size(), static_cast<size_t>(std::max<int>(c.countAfter, 0)))
        << c.what;
  }
}

TEST(AddJ1939Filter, EveryGroupOfABufferIsStoredInOrder) {
  FilterState state;
  std::vector<int> added;
  ASSERT_EQ(Add(state, Groups({kPgnGroup, kSourceGroup}), &added),
            AddFilterResult::kOk);
  EXPECT_EQ(CountOf(state), 2);
  EXPECT_EQ(added, (std::vector<int>{0, 1}));
  EXPECT_TRUE(state.MatchJ1939(kPgnMessage.data()));
  EXPECT_TRUE(state.MatchJ1939(kSourceMessage.data()));
  EXPECT_FALSE(state.MatchJ1939(kOtherMessage.data()));
  // Bytes 7 to 13 of an entry carry nothing.
  for (const auto& entry : {state.j1939Filters[0], state.j1939Filters[1]}) {
    for (size_t i = 7; i < entry.size(); ++i) EXPECT_EQ(entry[i], 0) << i;
  }
  EXPECT_TRUE(std::equal(kSourceGroup.begin(), kSourceGroup.end(),
                         state.j1939Filters[1].begin()));
}

TEST(AddJ1939Filter, LaterCommandsAppend) {
  FilterState state;
  std::vector<int> added;
  ASSERT_EQ(Add(state, Groups({kPgnGroup})), AddFilterResult::kOk);
  ASSERT_EQ(Add(state, Groups({kSourceGroup}), &added), AddFilterResult::kOk);
  EXPECT_EQ(CountOf(state), 2);
  EXPECT_EQ(added, std::vector<int>{1});
  EXPECT_TRUE(state.MatchJ1939(kPgnMessage.data()));
  EXPECT_TRUE(state.MatchJ1939(kSourceMessage.data()));
}

TEST(AddJ1939Filter, DuplicatesAreSkipped) {
  FilterState state;
  std::vector<int> added;
  ASSERT_EQ(Add(state, Groups({kPgnGroup, kPgnGroup, kSourceGroup}), &added),
            AddFilterResult::kOk);
  EXPECT_EQ(CountOf(state), 2);
  EXPECT_EQ(added, (std::vector<int>{0, 1}));

  added.clear();
  ASSERT_EQ(Add(state, Groups({kSourceGroup, kPgnGroup}), &added),
            AddFilterResult::kOk);
  EXPECT_EQ(CountOf(state), 2);
  EXPECT_TRUE(added.empty());

  // Equal only byte for byte: the same fields under other flags differ.
  J1939FilterGroup sameFieldsMoreFlags = kPgnGroup;
  sameFieldsMoreFlags[0] |= 0x10;
  ASSERT_EQ(Add(state, Groups({sameFieldsMoreFlags}), &added),
            AddFilterResult::kOk);
  EXPECT_EQ(CountOf(state), 3);
}

// Once something is stored, a group that compares nothing widens the filter
// to everything, as such an entry matches every message.
TEST(AddJ1939Filter, GroupWithoutFlagsAfterStoredEntries) {
  FilterState state;
  const J1939FilterGroup noFlags = {};
  ASSERT_EQ(Add(state, Groups({kPgnGroup, noFlags})), AddFilterResult::kOk);
  EXPECT_EQ(CountOf(state), 2);
  EXPECT_TRUE(state.MatchJ1939(kOtherMessage.data()));
}

TEST(AddJ1939Filter, LimitRefusesTheWholeBuffer) {
  FilterState state;
  Bytes first;
  for (int n = 0; n < 250; ++n) {
    const auto g = SourceGroup(n);
    first.insert(first.end(), g.begin(), g.end());
  }
  ASSERT_EQ(Add(state, first), AddFilterResult::kOk);
  ASSERT_EQ(CountOf(state), 250);

  Bytes seven;
  for (int n = 250; n < 257; ++n) {
    const auto g = SourceGroup(n);
    seven.insert(seven.end(), g.begin(), g.end());
  }
  std::vector<int> added;
  EXPECT_EQ(Add(state, seven, &added), AddFilterResult::kTooMany);
  EXPECT_EQ(CountOf(state), 250);
  EXPECT_TRUE(added.empty());
  EXPECT_EQ(state.j1939Filters[250], J1939FilterEntry{});

  // Duplicates do not count against the limit; exactly 256 fits.
  Bytes sixAndDuplicates = Groups({SourceGroup(0), SourceGroup(249)});
  sixAndDuplicates.insert(sixAndDuplicates.end(), seven.begin(),
                          seven.end() - kFilterGroupSize);
  EXPECT_EQ(Add(state, sixAndDuplicates, &added), AddFilterResult::kOk);
  EXPECT_EQ(CountOf(state), 256);
  EXPECT_EQ(added.size(), 6u);
  EXPECT_EQ(Add(state, Groups({SourceGroup(256)})), AddFilterResult::kTooMany);
  EXPECT_EQ(Add(state, Groups({SourceGroup(3)})), AddFilterResult::kOk);
}

TEST(AddJ1939Filter, RefusedWhileDiscardingAllLeavesDiscardAll) {
  FilterState state;
  Bytes tooMany;
  for (int n = 0; n < 257; ++n) {
    const auto g = SourceGroup(n);
    tooMany.insert(tooMany.end(), g.begin(), g.end());
  }
  EXPECT_EQ(Add(state, tooMany), AddFilterResult::kTooMany);
  EXPECT_EQ(CountOf(state), -1);
}

// Commands 3 and 17 zero the stored entries before they change the count;
// a test in between sees entries that compare nothing and passes.
TEST(FilterState, ClearZeroesStoredEntriesOnly) {
  FilterState state;
  ASSERT_EQ(Add(state, Groups({kPgnGroup, kSourceGroup})),
            AddFilterResult::kOk);
  state.j1939Filters[2][0] = 0x04;  // beyond the count: left alone
  state.ClearJ1939Filters();
  EXPECT_EQ(CountOf(state), 2);
  EXPECT_EQ(state.j1939Filters[0], J1939FilterEntry{});
  EXPECT_EQ(state.j1939Filters[1], J1939FilterEntry{});
  EXPECT_EQ(state.j1939Filters[2][0], 0x04);
  EXPECT_TRUE(state.MatchJ1939(kOtherMessage.data()));

  for (int16_t count : {int16_t{0}, int16_t{-1}}) {
    FilterState other;
    ASSERT_EQ(Add(other, Groups({kPgnGroup})), AddFilterResult::kOk);
    other.filterCount = count;
    other.ClearJ1939Filters();
    EXPECT_EQ(other.j1939Filters[0][0], 0x01) << count;
    EXPECT_EQ(CountOf(other), count);
  }
}

// Command 7 leaves entries behind under a count of 0; the next group
// overwrites entry 0 and the leftovers stay out of the test.
TEST(AddJ1939Filter, AfterPassAllStartsAgainAtEntryZero) {
  FilterState state;
  ASSERT_EQ(Add(state, Groups({kPgnGroup, kSourceGroup})),
            AddFilterResult::kOk);
  state.filterCount = 0;
  std::vector<int> added;
  ASSERT_EQ(Add(state, Groups({kSourceGroup}), &added), AddFilterResult::kOk);
  EXPECT_EQ(added, std::vector<int>{0});
  EXPECT_EQ(CountOf(state), 1);
  EXPECT_FALSE(state.MatchJ1939(kPgnMessage.data()));
  EXPECT_TRUE(state.MatchJ1939(kSourceMessage.data()));
}

}  // namespace
}  // namespace vlr
