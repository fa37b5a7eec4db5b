#include "link/filter_program.h"

#include <algorithm>

namespace vlr::link {
namespace {

constexpr int kAdapterSlots = 4;

J1939FilterGroup GroupOf(const FilterState& filters, int entry) {
  J1939FilterGroup group;
  std::copy_n(filters.j1939Filters[entry].begin(), group.size(), group.begin());
  return group;
}

}  // namespace

uint32_t AdapterMask(const FilterState& filters, int storedCount) {
  if (storedCount > kAdapterSlots) return 0;
  uint32_t mask = 0xFFFFFFFFu;
  for (int k = 0; k < storedCount; ++k) {
    mask &= FilterMaskFor(GroupOf(filters, k));
  }
  return storedCount > 0 ? mask : 0;
}

std::vector<CommandStep> AdapterFilterProgram(const FilterState& filters,
                                              int storedCount,
                                              const std::vector<int>& added) {
  std::vector<CommandStep> steps;
  if (added.empty()) return steps;
  steps.push_back({ReceiveOffFrame(true), true});
  steps.push_back({FilterMaskFrame(AdapterMask(filters, storedCount)), false});
  for (const int entry : added) {
    if (entry < 0 || entry >= kAdapterSlots) continue;
    steps.push_back({FilterSlotFrame(entry, GroupOf(filters, entry)), true});
  }
  // The sequence began by switching reception off; left that way, the
  // adapter would report nothing at all after a filter was added.
  steps.push_back({ReceiveOnFrame(true), true});
  return steps;
}

}  // namespace vlr::link
