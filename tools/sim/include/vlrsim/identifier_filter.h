// The 2xx adapter's J1939 identifier filter: one mask and four slots, each
// programmed by a host command frame. Values and mask are 32-bit quantities
// in which the identifier stands shifted left by 3, as the frames carry them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace vlrsim {

class IdentifierFilter {
 public:
  static constexpr int kSlots = 4;

  void SetMask(uint32_t mask) { mask_ = mask; }
  void SetSlot(int slot, uint32_t value);  // slot outside 0..3: ignored
  void Clear();

  uint32_t Mask() const { return mask_; }
  std::optional<uint32_t> Slot(int slot) const;

  // True when the message may be reported: no slot programmed, or an
  // all-zero mask, or some programmed slot agrees with identifier*8 on every
  // mask bit.
  bool Passes(uint32_t identifier) const;

 private:
  uint32_t mask_ = 0;
  std::array<std::optional<uint32_t>, kSlots> slots_{};
};

}  // namespace vlrsim
