// libFuzzer target: the parser of devices 101 and 102 over arbitrary reads.
#include "fuzz_parser_driver.h"

// The longest kept tail: a J1708 frame of length 255 short of its last byte.
constexpr size_t kLongestCountedTail = 255 - 1;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return vlr::link::fuzz::RunParser(data, size, vlr::link::ParseCountedFrames,
                                    kLongestCountedTail, 1);
}
