// How Wine's serial port honours the driver's read time-outs, measured by
// serial_timing.exe against a pseudo-terminal that echoes every byte. The
// figures go to the test's output for BENCHMARKS.md; the test only checks
// that every measurement could be made.
#include <gtest/gtest.h>

#include <cstdlib>

#include "echo_line.h"
#include "pseudo_terminal_skip.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;

// Samples per measurement; VLR_WINE_BENCH_SAMPLES asks for more.
std::string SampleCount() {
  const char* wanted = std::getenv("VLR_WINE_BENCH_SAMPLES");
  return wanted != nullptr ? wanted : "10";
}

TEST(SerialTiming, EveryReadModeCanBeMeasured) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  std::string error;
  ASSERT_TRUE(EnsureSharedPrefix(error)) << error;
  EchoLine echo;
  echo.LinkTo(PortLink(1));
  const auto run = SharedPrefix().Run(
      {(Layout().bin / "serial_timing.exe").string(), "COM1", SampleCount()},
      300s);
  std::printf("%s", run.output.c_str());
  EXPECT_EQ(run.exitCode, 0) << run.output;
}

}  // namespace
}  // namespace winetest
