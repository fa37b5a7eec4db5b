#include "link/filter_program.h"

#include <algorithm>

namespace vlr::link {
namespace {

constexpr size_t kAdapterSlots = 4;

bool SlotChanged(const AdapterFilter& adapter, const FilterUnion& wanted,
                 size_t slot) {
  return slot >= adapter.groups.size() ||
         adapter.groups[slot] != wanted.groups[slot];
}

std::vector<CommandStep> Reprogram(AdapterFilter& adapter,
                                   const FilterUnion& wanted, bool receiveOn) {
  std::vector<CommandStep> steps;
  steps.push_back({ReceiveOffFrame(true), true});
  steps.push_back({FilterMaskFrame(AdapterMask(wanted.groups)), false});
  const size_t slots = std::min(wanted.groups.size(), kAdapterSlots);
  for (size_t slot = 0; slot < slots; ++slot) {
    if (!SlotChanged(adapter, wanted, slot)) continue;
    steps.push_back(
        {FilterSlotFrame(static_cast<int>(slot), wanted.groups[slot]), true});
  }
  // The sequence began by switching reception off; left that way, the
  // adapter would report nothing at all after a filter was added.
  if (receiveOn) steps.push_back({ReceiveOnFrame(true), true});
  adapter.groups = wanted.groups;
  return steps;
}

}  // namespace

uint32_t AdapterMask(std::span<const J1939FilterGroup> groups) {
  if (groups.empty() || groups.size() > kAdapterSlots) return 0;
  uint32_t mask = 0xFFFFFFFFu;
  for (const J1939FilterGroup& group : groups) mask &= FilterMaskFor(group);
  return mask;
}

std::vector<CommandStep> ProgramAfterAdding(AdapterFilter& adapter,
                                            const FilterUnion& wanted,
                                            bool receiveOn) {
  if (wanted.open || wanted.groups == adapter.groups) return {};
  return Reprogram(adapter, wanted, receiveOn);
}

std::vector<CommandStep> ProgramAfterClearing(AdapterFilter& adapter,
                                              const FilterUnion& wanted,
                                              bool receiveOn) {
  if (!wanted.open && !wanted.groups.empty() &&
      wanted.groups != adapter.groups) {
    return Reprogram(adapter, wanted, receiveOn);
  }
  std::vector<CommandStep> steps;
  // The adapter keeps the identifier filter it was given; with the groups
  // gone, an all-zero mask lets everything in again, or "all pass" would
  // still pass only the old groups.
  if ((wanted.open || wanted.groups.empty()) && !adapter.groups.empty()) {
    steps.push_back({FilterMaskFrame(0), false});
    adapter.groups.clear();
  }
  if (receiveOn) steps.push_back({ReceiveOnFrame(true), true});
  return steps;
}

}  // namespace vlr::link
