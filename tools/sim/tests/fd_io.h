// Reading and writing one end of a line in tests: the host side of a
// pseudo-terminal, or the far end of a test-made cable.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "vlrsim/family.h"

namespace vlrsim::testing_io {

inline bool WriteAll(int fd, const Bytes& bytes) {
  return ::write(fd, bytes.data(), bytes.size()) ==
         static_cast<ssize_t>(bytes.size());
}

// Reads until `count` bytes have come or `wait` has passed.
inline Bytes ReadUpTo(int fd, size_t count, std::chrono::milliseconds wait) {
  Bytes bytes;
  const auto end = std::chrono::steady_clock::now() + wait;
  while (bytes.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    uint8_t buffer[4096];
    const size_t want = std::min(sizeof buffer, count - bytes.size());
    const ssize_t n = ::read(fd, buffer, want);
    if (n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

}  // namespace vlrsim::testing_io
