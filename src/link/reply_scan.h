// Finding the adapter's reply to a start-up command in the byte stream of a
// 2xx adapter that may already be reporting traffic. Pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vlr::link {

struct ReplyScan {
  bool found = false;
  // Where the reply starts when found; otherwise the first byte that may
  // still begin a frame (or the reply) once more bytes arrive. Everything
  // before it has been passed over for good.
  size_t keepFrom = 0;
};

// Looks for `expected` at frame starts only: whole frames before it (short
// frames and message frames with a correct sum) are skipped, and any other
// byte is skipped singly, as the parsers resynchronise. A reply cut short
// at the end of `bytes` is kept, not found.
ReplyScan ScanForReply(std::span<const uint8_t> bytes,
                       std::span<const uint8_t> expected);

}  // namespace vlr::link
