// The fixture of the Wine suites: the driver DLL in rp1210_run.exe under
// Wine, and simulated adapters behind the prefix's COM ports.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "driver_program.h"
#include "pseudo_terminal_skip.h"
#include "vlrsim/vlrsim.h"
#include "wine_prefix.h"

namespace winetest {

inline vlrsim::Family FamilyOf(int deviceId) {
  return deviceId >= 200 ? vlrsim::Family::k2xx : vlrsim::Family::k1xx;
}

class WineDriverTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A simulated adapter of the device's family behind the device's COM port.
  vlrsim::PtyAdapter& StartAdapter(int deviceId,
                                   vlrsim::AdapterOptions options = {});
  // Takes the adapter away again; the port then has nothing behind it.
  void StopAdapters();

  // Ends the running rp1210_run and starts another with extra variables
  // (for example a Wine debug channel) and its own error log.
  void RestartProgram(const std::vector<std::string>& environment,
                      const std::string& errorLog);

  std::string Step(const std::string& step) { return program_.Step(step); }
  // Polls with `step` until its result is `wanted` or `limit` has passed;
  // returns the last result.
  std::string StepUntil(const std::string& step, const std::string& wanted,
                        std::chrono::milliseconds limit);
  uint32_t Ticks() { return static_cast<uint32_t>(std::stoul(Step("ticks"))); }
  std::string Connect(int deviceId, const std::string& protocol) {
    return Step("connect " + std::to_string(deviceId) + " " + protocol);
  }

  DriverProgram program_;
  std::vector<std::unique_ptr<vlrsim::PtyAdapter>> adapters_;
};

// A "read" or "poll" result: the call's result and the bytes written.
struct ReadResult {
  int result = 0;
  std::vector<uint8_t> bytes;
};
ReadResult ParseRead(const std::string& text);

// The byte string as rp1210_run prints it.
std::string Hex(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Bytes(std::initializer_list<int> values);

}  // namespace winetest
