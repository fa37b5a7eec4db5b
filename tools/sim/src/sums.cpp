#include "vlrsim/sums.h"

namespace vlrsim {

uint8_t Sum8(std::span<const uint8_t> bytes) {
  uint8_t sum = 0;
  for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
  return sum;
}

uint8_t ZeroSumComplement(std::span<const uint8_t> bytes) {
  return static_cast<uint8_t>(0x100 - Sum8(bytes));
}

bool SumIsZero(std::span<const uint8_t> bytes) { return Sum8(bytes) == 0; }

}  // namespace vlrsim
