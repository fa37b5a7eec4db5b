// The RP1210C client program (tests/rp1210c) under Wine against the 32-bit
// DLL: the ten functions found by name, called through __stdcall pointers,
// with a simulated 2xx adapter on COM1 reporting J1939 traffic.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

#include "vlrsim/vlrsim.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;

TEST(Rp1210cClient, RunsAgainstTheDll) {
  std::string error;
  ASSERT_TRUE(EnsureSharedPrefix(error)) << error;
  std::error_code ignored;
  for (int n = 1; n <= 4; ++n) fs::remove(PortLink(n), ignored);
  vlrsim::AdapterOptions options;
  options.family = vlrsim::Family::k2xx;
  vlrsim::PtyAdapter adapter(options);
  adapter.LinkTo(PortLink(1));
  std::atomic<bool> running{true};
  std::thread traffic([&] {
    for (uint8_t tag = 0; running; ++tag) {
      adapter.PutOnBus(vlrsim::Bus::kJ1939, 0x0CF00400,
                       std::vector<uint8_t>{tag, 1, 2, 3, 4, 5, 6, 7});
      std::this_thread::sleep_for(20ms);
    }
  });
  const auto run = SharedPrefix().Run(
      {(Layout().bin / "rp1210c_client.exe").string(), "VLR1210.DLL", "201"},
      120s);
  running = false;
  traffic.join();
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("\n0 failed"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace winetest
