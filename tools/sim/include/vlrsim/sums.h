// The check bytes used on the line. Both families use an 8-bit sum; they
// differ in whether the transmitted byte is the sum itself (2xx frames) or
// its two's complement, chosen so the whole run sums to zero (J1708
// checksum, 1xx frames).
#pragma once

#include <cstdint>
#include <span>

namespace vlrsim {

// Sum of the bytes modulo 256.
uint8_t Sum8(std::span<const uint8_t> bytes);

// The byte that, appended to `bytes`, makes the 8-bit sum of the whole run
// zero: the J1708 checksum and the 1xx frame check byte.
uint8_t ZeroSumComplement(std::span<const uint8_t> bytes);

// True when the 8-bit sum of `bytes` is zero (also for an empty run).
bool SumIsZero(std::span<const uint8_t> bytes);

}  // namespace vlrsim
