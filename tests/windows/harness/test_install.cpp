// The installation as a user does it, in a fresh prefix: install.bat puts
// the driver where RP1210A applications look, a discovery client finds it
// through RP121032.INI and VLR1210.INI and connects through the DLL it
// names; uninstall.bat takes it away again. Another vendor's entries are
// there before and must survive both.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "pseudo_terminal_skip.h"
#include "vlrsim/vlrsim.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;

std::string ReadFile(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// The value of one key as the file holds it (first occurrence).
std::string IniValue(const fs::path& file, const std::string& key) {
  std::istringstream in(ReadFile(file));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "<missing>";
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class Installation : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Layout().dist.empty()) GTEST_SKIP() << "VLR_WINDOWS_DIST is not set";
    std::string error;
    fs::remove_all(prefix_.Path());
    ASSERT_TRUE(prefix_.Boot(error)) << error;
    // Another vendor was installed first; its section and comment stay.
    std::ofstream(prefix_.WindowsDirectory() / "RP121032.INI", std::ios::binary)
        << "; installed drivers\r\n[RP1210Support]\r\n"
           "APIImplementations=OTHERVND,ACME32\r\n\r\n"
           "[OtherVendorSettings]\r\nKeep=1\r\n";
    // The client sits in a directory of its own, so the only VLR1210.DLL
    // it can load is the installed one.
    const fs::path client = prefix_.Path() / "drive_c" / "discover";
    fs::create_directories(client);
    fs::copy_file(Layout().bin / "rp1210_discover.exe", client / "rp1210_discover.exe");
    discover_ = "C:\\discover\\rp1210_discover.exe";
  }
  void TearDown() override {
    prefix_.EndSession();
    if (!HasFailure()) fs::remove_all(prefix_.Path());
  }

  RunResult Batch(const char* name) {
    return prefix_.Run({"cmd", "/c", WindowsPath(Layout().dist / name)}, 120s);
  }
  fs::path SupportIni() const { return prefix_.WindowsDirectory() / "RP121032.INI"; }

  const WinePrefix prefix_{Layout().work / "install-prefix"};
  std::string discover_;
};

TEST_F(Installation, InstalledDriverIsFoundAndUsedThenRemoved) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  const auto first = Batch("install.bat");
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_EQ(IniValue(SupportIni(), "APIImplementations"), "OTHERVND,ACME32,VLR1210");
  EXPECT_TRUE(fs::exists(prefix_.WindowsDirectory() / "VLR1210.INI"));
  EXPECT_TRUE(fs::exists(prefix_.WindowsDirectory() / "system32" / "VLR1210.DLL"));
  ASSERT_EQ(Batch("install.bat").exitCode, 0);
  EXPECT_EQ(IniValue(SupportIni(), "APIImplementations"), "OTHERVND,ACME32,VLR1210")
      << "a second installation lists the driver once";

  vlrsim::AdapterOptions options;
  options.family = vlrsim::Family::k2xx;
  vlrsim::PtyAdapter adapter(options);
  adapter.LinkTo(PortLink(1));
  const auto found = prefix_.Run({discover_, "201", "J1939"}, 120s);
  EXPECT_EQ(found.exitCode, 0) << found.output;
  EXPECT_NE(found.output.find("implementation VLR1210\nvendor Volra"), std::string::npos)
      << found.output;
  EXPECT_EQ(Count(found.output, "\ndevice "), 8u) << found.output;
  EXPECT_NE(found.output.find("protocol J1939 devices 101,102,103,104,201,202,203,204"),
            std::string::npos);
  EXPECT_NE(found.output.find("message-string Vlr1210MessageString"), std::string::npos);
  EXPECT_NE(found.output.find("connect VLR1210 201 J1939 => 0\ndisconnect => 0"),
            std::string::npos)
      << found.output;

  const auto removed = Batch("uninstall.bat");
  ASSERT_EQ(removed.exitCode, 0) << removed.output;
  EXPECT_EQ(IniValue(SupportIni(), "APIImplementations"), "OTHERVND,ACME32");
  EXPECT_EQ(IniValue(SupportIni(), "Keep"), "1") << "other sections stay";
  EXPECT_FALSE(fs::exists(prefix_.WindowsDirectory() / "VLR1210.INI"));
  EXPECT_FALSE(fs::exists(prefix_.WindowsDirectory() / "system32" / "VLR1210.DLL"));
  const auto gone = prefix_.Run({discover_}, 120s);
  EXPECT_EQ(gone.output.find("VLR1210"), std::string::npos) << gone.output;
}

}  // namespace
}  // namespace winetest
