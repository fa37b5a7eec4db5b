// libFuzzer target: the 2xx family's parser over arbitrary reads.
#include "fuzz_parser_driver.h"

// The longest kept tail: a message frame short of its last payload byte.
constexpr size_t kLongestSyncedTail = 8 + 255 - 1;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return vlr::link::fuzz::RunParser(data, size, vlr::link::ParseSyncedFrames,
                                    kLongestSyncedTail, 0);
}
