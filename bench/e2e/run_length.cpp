#include "run_length.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace vlr::bench {

RunLength RunLength::Short(int seconds) {
  RunLength length;
  const auto s = std::chrono::seconds(std::max(seconds, 1));
  length.lineRate = s;
  length.sweepStep = std::min(s, std::chrono::seconds(1));
  length.floodFrames = 10000;
  length.transmitBurst = 40;
  length.transmitSamples = 30;
  length.pingSamples = 5;
  length.transmitBatch = 10;
  length.receiveBatchUnpaced = 500;
  length.receiveBatchPaced = 30;
  length.commandRepeats = 5;
  length.silentCommandRepeats = 1;
  length.broadcastRepeats = 1;
  length.connectionTransfers = 1;
  return length;
}

int TakeShortRunSeconds(int& argc, char** argv) {
  constexpr std::string_view kFlag = "--e2e_seconds=";
  int seconds = 0;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.starts_with(kFlag)) {
      seconds = std::atoi(argv[i] + kFlag.size());
      continue;
    }
    argv[kept++] = argv[i];
  }
  argc = kept;
  argv[kept] = nullptr;
  if (seconds > 0) return seconds;
  const char* variable = std::getenv("VLR_BENCH_E2E_SECONDS");
  return variable != nullptr ? std::atoi(variable) : 0;
}

}  // namespace vlr::bench
