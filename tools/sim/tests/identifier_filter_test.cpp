// The 2xx adapter's identifier filter, programmed as the host's filter
// frames program it.
#include "vlrsim/identifier_filter.h"

#include <gtest/gtest.h>

namespace vlrsim {
namespace {

struct Slot {
  int index;
  uint32_t value;
};

struct Case {
  const char* name;
  uint32_t mask;
  std::vector<Slot> slots;
  uint32_t id;
  bool passes;
};

TEST(IdentifierFilter, Table) {
  // Masks and values of the host's filter frames: PGN FEF1 (mask 07F80000,
  // value 07F78800), and all four fields of PGN EA00 priority 6 source F9
  // destination 17 (mask E7FFE7E0, value C750BFC8).
  const Case cases[] = {
      {"nothing programmed", 0, {}, 0x18FEF100, true},
      {"mask without slot", 0x07F80000, {}, 0x0CF00400, true},
      {"zero mask with slot", 0, {{0, 0x07F78800}}, 0x0CF00400, true},
      {"PGN match", 0x07F80000, {{0, 0x07F78800}}, 0x18FEF100, true},
      {"PGN match, other source and priority",
       0x07F80000,
       {{0, 0x07F78800}},
       0x0CFEF1EE,
       true},
      {"PGN mismatch", 0x07F80000, {{0, 0x07F78800}}, 0x18F00400, false},
      {"all fields match", 0xE7FFE7E0, {{0, 0xC750BFC8}}, 0x18EA17F9, true},
      {"all fields, other source",
       0xE7FFE7E0,
       {{0, 0xC750BFC8}},
       0x18EA17F1,
       false},
      {"all fields, other priority",
       0xE7FFE7E0,
       {{0, 0xC750BFC8}},
       0x0CEA17F9,
       false},
      {"second slot matches",
       0x07F80000,
       {{0, 0x07F78800}, {1, 0x0CF00400u << 3}},
       0x0CF00400,
       true},
      {"slot 3 alone", 0x07F80000, {{3, 0x07F78800}}, 0x18FEF100, true},
      {"no slot matches",
       0x07F80000,
       {{0, 0x07F78800}, {2, 0x0CF00400u << 3}},
       0x18FD0000,
       false},
      // The host's PGN mask covers the PF byte only, so FEEE passes a
      // filter programmed for FEF1.
      {"PGN mask is PF only", 0x07F80000, {{0, 0x07F78800}}, 0x18FEEE00, true},
  };
  for (const auto& c : cases) {
    IdentifierFilter filter;
    filter.SetMask(c.mask);
    for (const auto& slot : c.slots) filter.SetSlot(slot.index, slot.value);
    EXPECT_EQ(filter.Passes(c.id), c.passes) << c.name;
  }
}

TEST(IdentifierFilter, OutOfRangeSlotsAreIgnoredAndClearForgetsAll) {
  IdentifierFilter filter;
  filter.SetMask(0xFFFFFFF8);
  filter.SetSlot(4, 0);
  filter.SetSlot(-1, 0);
  EXPECT_TRUE(filter.Passes(0x18FEF100));  // still nothing programmed
  filter.SetSlot(0, 0x18FEF100u << 3);
  EXPECT_FALSE(filter.Passes(0x18FEF101));
  filter.Clear();
  EXPECT_TRUE(filter.Passes(0x18FEF101));
  EXPECT_FALSE(filter.Slot(0).has_value());
}

}  // namespace
}  // namespace vlrsim
