// Where COMn leads: the environment, then the user's ports file, then the
// system's, then the default device; a file with a line not understood
// is left unused whole.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/port_names.h"

namespace vlr::platform {
namespace {

class PortNames : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vlr-ports-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << text;
    return path;
  }

  std::string dir_;
};

TEST_F(PortNames, EnvironmentThenUserThenSystemThenDefault) {
  const std::string user = Write("user.ini", "[ports]\nCOM1 = /dev/ttyUSB0\n");
  const std::string system =
      Write("system.ini", "COM1=/dev/ttyACM9\n com2 =  /dev/ttyACM1 \n");
  const std::string missing = dir_ + "/absent.ini";
  struct Case {
    int com;
    const char* environment;
    std::string user, system;
    std::string path, source;
  };
  const Case cases[] = {
      {1, "/tmp/pty", user, system, "/tmp/pty", "VLR1210_COM1"},
      {1, "", user, system, "/dev/ttyUSB0", user},
      {1, nullptr, user, system, "/dev/ttyUSB0", user},
      {2, nullptr, user, system, "/dev/ttyACM1", system},
      {1, nullptr, missing, system, "/dev/ttyACM9", system},
      {3, nullptr, user, system, "/dev/ttyS2", "default"},
      {1, nullptr, missing, missing, "/dev/ttyS0", "default"},
      {1, nullptr, "", "", "/dev/ttyS0", "default"},
      {0, "/tmp/pty", user, system, "", ""},
  };
  for (const Case& c : cases) {
    const ResolvedPort port =
        ResolvePort(c.com, c.environment, c.user, c.system);
    EXPECT_EQ(port.path, c.path) << "COM" << c.com << " " << c.user;
    EXPECT_EQ(port.source, c.source) << "COM" << c.com << " " << c.user;
  }
}

TEST_F(PortNames, AFileWithALineNotUnderstoodIsLeftUnusedWhole) {
  const std::string system = Write("system.ini", "COM1 = /dev/ttyACM0\n");
  struct Case {
    const char* text;
    const char* problem;  // nullptr: the file is fine
  };
  const Case cases[] = {
      {"# comment\n; comment\n\n[ports]\nCOM1 = /dev/ttyUSB0\r\n", nullptr},
      {"COM1 = /dev/ttyUSB0\nCOM1 /dev/ttyUSB1\n", "line 2: expected COMn"},
      {"COM1 = ttyUSB0\n", "needs an absolute path"},
      {"COM1 =\n", "needs an absolute path"},
      {"COM0 = /dev/ttyUSB0\n", "not a port name"},
      {"LPT1 = /dev/lp0\n", "not a port name"},
      {"COM1x = /dev/ttyUSB0\n", "not a port name"},
      {"[serial]\nCOM1 = /dev/ttyUSB0\n", "unknown section"},
      {"COM1 = /dev/ttyUSB0\ncom1 = /dev/ttyUSB1\n", "given twice"},
  };
  for (const Case& c : cases) {
    const std::string user = Write("user.ini", c.text);
    const PortFile file = ReadPortFile(user);
    EXPECT_TRUE(file.present);
    const ResolvedPort port = ResolvePort(1, nullptr, user, system);
    if (c.problem == nullptr) {
      EXPECT_FALSE(file.problem) << c.text << *file.problem;
      EXPECT_EQ(port.path, "/dev/ttyUSB0") << c.text;
      continue;
    }
    ASSERT_TRUE(file.problem) << c.text;
    EXPECT_NE(file.problem->find(c.problem), std::string::npos)
        << c.text << " -> " << *file.problem;
    EXPECT_TRUE(file.ports.empty()) << c.text;
    EXPECT_EQ(port.path, "/dev/ttyACM0") << c.text;
  }
}

TEST_F(PortNames, AMissingOrUnreadableFileIsNoFile) {
  for (const std::string& name : {dir_ + "/absent.ini", dir_}) {
    const PortFile file = ReadPortFile(name);
    EXPECT_TRUE(file.ports.empty()) << name;
    EXPECT_FALSE(file.problem) << name;
  }
}

TEST_F(PortNames, TheUserFileFollowsTheXdgConfigHome) {
  const char* saved_config = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = saved_config ? saved_config : "";
  setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  EXPECT_EQ(UserPortFile(), dir_ + "/vlr1210/ports.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: not used
  EXPECT_NE(UserPortFile().find("/.config/vlr1210/ports.ini"),
            std::string::npos);
  if (saved_config)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace vlr::platform
