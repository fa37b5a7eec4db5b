#include "wine_driver_test.h"

#include <cstdlib>
#include <system_error>

namespace winetest {

void WineDriverTest::SetUp() {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  std::string error;
  ASSERT_TRUE(EnsureSharedPrefix(error)) << error;
  std::error_code ignored;
  for (int n = 1; n <= 4; ++n) fs::remove(PortLink(n), ignored);
  ASSERT_TRUE(program_.Start(error)) << error;
}

void WineDriverTest::TearDown() {
  if (program_.Running()) {
    // A client left open would hold its port into the next test.
    for (int client = 0; client < 16; ++client)
      Step("disconnect " + std::to_string(client));
    EXPECT_EQ(Step("stack"), "ok") << "a call came back with the stack moved";
    EXPECT_EQ(program_.Finish(), 0) << "rp1210_run reported a failed step";
  }
  StopAdapters();
}

vlrsim::PtyAdapter& WineDriverTest::StartAdapter(
    int deviceId, vlrsim::AdapterOptions options) {
  options.family = FamilyOf(deviceId);
  adapters_.push_back(std::make_unique<vlrsim::PtyAdapter>(options));
  adapters_.back()->LinkTo(PortLink(deviceId % 100));
  return *adapters_.back();
}

void WineDriverTest::StopAdapters() { adapters_.clear(); }

void WineDriverTest::RestartProgram(const std::vector<std::string>& environment,
                                    const std::string& errorLog) {
  EXPECT_EQ(program_.Finish(), 0);
  std::string error;
  ASSERT_TRUE(program_.Start(error, environment, errorLog)) << error;
}

std::string WineDriverTest::StepUntil(const std::string& step,
                                      const std::string& wanted,
                                      std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::string result;
  do {
    result = Step(step);
    if (result == wanted) break;
    Step("sleep 10");
  } while (std::chrono::steady_clock::now() < deadline);
  return result;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

ReadResult ParseRead(const std::string& text) {
  ReadResult r;
  const size_t space = text.find(' ');
  r.result = std::atoi(text.substr(0, space).c_str());
  if (space == std::string::npos) return r;
  const std::string hex = text.substr(space + 1);
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    r.bytes.push_back(
        static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return r;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

}  // namespace winetest
