// Ports configured once: the driver finds COMn in the user's ports file
// when the environment names nothing, the environment still wins, and a
// file with a line it does not understand is not used at all.
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "driver_fixture.h"

namespace vlrtest {
namespace {

class PortFiles : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    if (IsSkipped()) return;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vlr-config-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    config_ = pattern;
    std::filesystem::create_directories(config_ + "/vlr1210");
    if (const char* saved = std::getenv("XDG_CONFIG_HOME")) saved_ = saved;
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }
  void TearDown() override {
    DriverTest::TearDown();
    unsetenv(PortVariable(kDevice).c_str());
    if (saved_)
      setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    if (!config_.empty()) std::filesystem::remove_all(config_);
  }
  void WritePorts(const std::string& text) {
    std::ofstream(config_ + "/vlr1210/ports.ini") << text;
  }

  static constexpr int kDevice = 202;  // COM2
  std::string config_;
  std::optional<std::string> saved_;
};

TEST_F(PortFiles, TheUserFileNamesThePortTheEnvironmentComesFirst) {
  const std::string port = StartAdapter(kDevice).SlavePath();
  unsetenv(PortVariable(kDevice).c_str());
  WritePorts("# the adapter\n[ports]\nCOM2 = " + port + "\n");
  ASSERT_EQ(Connect(kDevice, "J1939"), 0);
  ASSERT_EQ(Disconnect(), 0);

  setenv(PortVariable(kDevice).c_str(), "/nonexistent/port", 1);
  EXPECT_EQ(Connect(kDevice, "J1939"), ERR_DEVICE_IN_USE);
}

TEST_F(PortFiles, AFileWithALineNotUnderstoodIsNotUsed) {
  const std::string port = StartAdapter(kDevice).SlavePath();
  unsetenv(PortVariable(kDevice).c_str());
  // The COM2 line is right; the one after it is not, so neither counts
  // and COM2 is not the simulated adapter.
  WritePorts("COM2 = " + port + "\nCOM3 ttyUSB0\n");
  EXPECT_NE(Connect(kDevice, "J1939"), 0);
  WritePorts("COM2 = " + port + "\n");
  EXPECT_EQ(Connect(kDevice, "J1939"), 0);
}

}  // namespace
}  // namespace vlrtest
