#include "vlrsim/identifier_filter.h"

namespace vlrsim {

void IdentifierFilter::SetSlot(int slot, uint32_t value) {
  if (slot < 0 || slot >= kSlots) return;
  slots_[slot] = value;
}

void IdentifierFilter::Clear() {
  mask_ = 0;
  slots_.fill(std::nullopt);
}

std::optional<uint32_t> IdentifierFilter::Slot(int slot) const {
  if (slot < 0 || slot >= kSlots) return std::nullopt;
  return slots_[slot];
}

bool IdentifierFilter::Passes(uint32_t identifier) const {
  if (mask_ == 0) return true;
  const uint32_t shifted = (identifier & 0x1FFFFFFFu) << 3;
  bool any_programmed = false;
  for (const auto& slot : slots_) {
    if (!slot) continue;
    any_programmed = true;
    if (((shifted ^ *slot) & mask_) == 0) return true;
  }
  return !any_programmed;
}

}  // namespace vlrsim
