// The RP1210C client program against libvlr1210.so, with a simulated 2xx
// adapter on COM1 reporting J1939 traffic while it runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "pseudo_terminal_skip.h"
#include "vlrsim/vlrsim.h"

namespace {

using namespace std::chrono_literals;

// Runs the command to its end; its output and exit status.
std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return "cannot start " + command;
  }
  char chunk[512];
  while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) output += chunk;
  status = pclose(pipe);
  return output;
}

TEST(Rp1210cClient, RunsAgainstTheLinuxLibrary) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  vlrsim::AdapterOptions options;
  options.family = vlrsim::Family::k2xx;
  vlrsim::PtyAdapter adapter(options);
  setenv("VLR1210_COM1", adapter.SlavePath().c_str(), 1);
  std::atomic<bool> running{true};
  std::thread traffic([&] {
    for (uint8_t tag = 0; running; ++tag) {
      adapter.PutOnBus(vlrsim::Bus::kJ1939, 0x0CF00400,
                       std::vector<uint8_t>{tag, 1, 2, 3, 4, 5, 6, 7});
      std::this_thread::sleep_for(20ms);
    }
  });
  int status = 0;
  const std::string output = RunCommand(
      std::string(VLR_RP1210C_CLIENT) + " " + VLR_DRIVER_PATH + " 201", status);
  running = false;
  traffic.join();
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("\n0 failed\n"), std::string::npos) << output;
}

}  // namespace
