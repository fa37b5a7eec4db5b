// Where receive loss begins: the application reads nothing while a flood
// of frames arrives, then takes what the receive queue kept. The queue
// holds a fixed number of messages and drops the oldest past it, so the
// survivors should be exactly the newest ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vlr::bench {

struct StalledFigures {
  uint32_t sent = 0;
  uint32_t onLine = 0;
  uint32_t kept = 0;  // distinct frames read after the stall
  int64_t oldestKept = -1;
  int64_t newestKept = -1;
  bool inOrder = true;
};

std::optional<StalledFigures> RunStalledReader(uint32_t frames,
                                               std::string& error);

}  // namespace vlr::bench
