// The installer as fleet IT runs it, silently, in a fresh 32-bit prefix and
// in a fresh 64-bit (WoW64) one: where each file goes, discovery through
// RP121032.INI and VLR1210.INI by a 32-bit and a 64-bit application, a
// second run that changes nothing, a refusal while an application holds
// the DLL, and an uninstallation that takes away exactly what came.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "product_version.h"
#include "pseudo_terminal_skip.h"
#include "vlrsim/vlrsim.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;

constexpr int kHeldExitCode = 3;  // the installer's "DLL in use"
const char kInstallDir[] = "C:\\Program Files\\Volra\\VLR1210";
const char kUninstallKey[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VLR1210";

std::string ReadFile(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Every file and directory under drive_c but the users' own (temporary
// files, Wine's per-user state), relative to it.
std::set<std::string> Tree(const fs::path& driveC) {
  std::set<std::string> paths;
  for (auto it = fs::recursive_directory_iterator(driveC);
       it != fs::recursive_directory_iterator(); ++it) {
    const std::string relative = fs::relative(it->path(), driveC).string();
    if (relative == "users") {
      it.disable_recursion_pending();
      continue;
    }
    paths.insert(relative);
  }
  return paths;
}

// Repeats one J1939 message for a minute, enough for any client to see it.
class Heartbeat : public vlrsim::TrafficSource {
 public:
  std::optional<vlrsim::TimedMessage> Next() override {
    if (at_ > 60s) return std::nullopt;
    at_ += 20ms;
    return vlrsim::TimedMessage{
        at_, vlrsim::Bus::kJ1939, 0x0CF00400, {1, 2, 3, 4, 5, 6, 7, 8}};
  }

 private:
  std::chrono::microseconds at_{0};
};

class Installer : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
    if (Layout().installer.empty())
      GTEST_SKIP() << "VLR_WINDOWS_INSTALLER is not set";
    std::string error;
    ASSERT_TRUE(BootFresh(error)) << error;
    // The applications sit in directories of their own, so the only
    // VLR1210.DLL they can load is the installed one.
    PlaceProgram(Layout().bin, "rp1210_discover.exe", "app32");
    PlaceProgram(Layout().bin, "rp1210_run.exe", "app32");
    if (prefix_.Is64Bit()) {
      PlaceProgram(Layout().bin64, "rp1210_discover.exe", "app64");
      PlaceProgram(Layout().bin64, "rp1210_run.exe", "app64");
    }
  }
  void TearDown() override {
    prefix_.EndSession();
    if (!HasFailure()) fs::remove_all(prefix_.Path());
  }

  // The first boot of a new WoW64 prefix has failed once on a loaded
  // machine (its 32-bit side not ready: "could not load kernel32.dll"); a
  // second one from scratch is cheap next to a failed run.
  bool BootFresh(std::string& error) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      prefix_.EndSession();
      fs::remove_all(prefix_.Path());
      if (prefix_.Boot(error)) return true;
    }
    return false;
  }
  void PlaceProgram(const fs::path& from, const char* name,
                    const char* directory) {
    const fs::path to = prefix_.Path() / "drive_c" / directory;
    fs::create_directories(to);
    fs::copy_file(from / name, to / name, fs::copy_options::overwrite_existing);
  }
  std::vector<std::string> Apps() const {
    return prefix_.Is64Bit() ? std::vector<std::string>{"app32", "app64"}
                             : std::vector<std::string>{"app32"};
  }

  RunResult Install() {
    return prefix_.Run({WindowsPath(Layout().installer), "/S"}, 120s);
  }
  // The uninstaller normally runs a copy of itself from the temporary
  // directory and ends at once; "_?=DIR" (last, unquoted, so split at its
  // blank) keeps it in place, with its own exit code.
  RunResult UninstallInPlace() {
    return prefix_.Run({std::string(kInstallDir) + "\\uninstall.exe", "/S",
                        "_?=C:\\Program", "Files\\Volra\\VLR1210"},
                       120s);
  }
  RunResult Uninstall() {
    auto result =
        prefix_.Run({std::string(kInstallDir) + "\\uninstall.exe", "/S"}, 120s);
    prefix_.AwaitPrograms();
    return result;
  }
  RunResult Discover(const std::string& app,
                     const std::vector<std::string>& args = {}) {
    std::vector<std::string> argv{"C:\\" + app + "\\rp1210_discover.exe"};
    argv.insert(argv.end(), args.begin(), args.end());
    return prefix_.Run(argv, 120s);
  }
  std::string UninstallEntry() {
    std::vector<std::string> argv{"reg", "query", kUninstallKey};
    if (prefix_.Is64Bit()) argv.push_back("/reg:64");
    return prefix_.Run(argv, 60s).output;
  }

  fs::path Windows() const { return prefix_.WindowsDirectory(); }
  fs::path SupportIni() const { return Windows() / "RP121032.INI"; }
  fs::path DriveC() const { return prefix_.Path() / "drive_c"; }

  void ExpectInstalled(const std::string& supportIni);
  void ExpectFoundAndUsed();
  void ExpectRefusedWhileHeld(const std::string& app);

  const bool wow64_ = std::string(GetParam()) == "win64";
  const WinePrefix prefix_{
      Layout().work / (std::string("installer-") + GetParam()), GetParam()};
};

void Installer::ExpectInstalled(const std::string& supportIni) {
  if (wow64_) {
    EXPECT_EQ(ReadFile(Windows() / "system32" / "VLR1210.DLL"),
              ReadFile(Layout().dll64))
        << "64-bit DLL in System32";
    EXPECT_EQ(ReadFile(Windows() / "syswow64" / "VLR1210.DLL"),
              ReadFile(Layout().dist / "VLR1210.DLL"))
        << "32-bit DLL in SysWOW64";
  } else {
    EXPECT_EQ(ReadFile(Windows() / "system32" / "VLR1210.DLL"),
              ReadFile(Layout().dist / "VLR1210.DLL"));
  }
  const std::string ini = ReadFile(Windows() / "VLR1210.INI");
  EXPECT_EQ(ini, ReadFile(Layout().dist / "VLR1210.INI"));
  EXPECT_NE(ini.find("\nVersion=" + ProductVersion() + "\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(SupportIni()), supportIni);
  const std::string entry = UninstallEntry();
  EXPECT_NE(entry.find("DisplayVersion    REG_SZ    " + ProductVersion()),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("QuietUninstallString    REG_SZ    \"" +
                       std::string(kInstallDir) + "\\uninstall.exe\" /S"),
            std::string::npos)
      << entry;
}

void Installer::ExpectFoundAndUsed() {
  vlrsim::PtyAdapter adapter;  // 2xx, device 201 on COM1
  adapter.LinkTo(PortLink(1));
  adapter.Play(std::make_unique<Heartbeat>());
  for (const auto& app : Apps()) {
    SCOPED_TRACE(app);
    const auto found = Discover(app, {"201", "J1939"});
    EXPECT_EQ(found.exitCode, 0) << found.output;
    const std::string bits = app == "app64" ? "64" : "32";
    for (const std::string& line : std::vector<std::string>{
             "client " + bits + "-bit\n",
             std::string("implementation VLR1210\nvendor Volra"),
             std::string(
                 "protocol J1939 devices 101,102,103,104,201,202,203,204\n"),
             "file-version " + ProductVersion() + ".0 product " +
                 ProductVersion() + " company Volra\n",
             std::string(
                 "connect VLR1210 201 J1939 => 0\nfilters => 0\nread => 18\n"),
             std::string("disconnect => 0\n")}) {
      EXPECT_NE(found.output.find(line), std::string::npos) << line << "\n---\n"
                                                            << found.output;
    }
  }
}

// The application loads the installed DLL (32- or 64-bit) and keeps it.
void Installer::ExpectRefusedWhileHeld(const std::string& app) {
  SCOPED_TRACE(app);
  const std::string before = ReadFile(SupportIni());
  ChildProcess holder;
  std::string error;
  prefix_.StartServer();
  ASSERT_TRUE(holder.Start(
      {Layout().loader, "C:\\" + app + "\\rp1210_run.exe", "--stdin"},
      prefix_.Environment(), ErrorLog(), error))
      << error;
  holder.WriteLine("version");
  ASSERT_EQ(holder.ReadLine(60s), "version => " + ReadVersionResult());

  const auto install = Install();
  EXPECT_EQ(install.exitCode, kHeldExitCode) << install.output;
  const auto uninstall = UninstallInPlace();
  EXPECT_EQ(uninstall.exitCode, kHeldExitCode) << uninstall.output;
  EXPECT_EQ(ReadFile(SupportIni()), before) << "nothing changed";
  EXPECT_TRUE(fs::exists(Windows() / "VLR1210.INI"));

  holder.WriteLine("quit");
  holder.CloseInput();
  holder.ReadAll(10s);
  EXPECT_EQ(holder.Wait(30s), 0);
}

TEST_P(Installer, InstallsSilentlyAndUninstallsWithoutATrace) {
  // 32-bit: another vendor came first, with LF line ends and a section of
  // its own. 64-bit: no RP121032.INI at all.
  const std::string seed =
      "; RP1210 "
      "drivers\n[RP1210Support]\nAPIImplementations=OTHERVND,ACME32\n\n["
      "OtherVendor]\nKeep=1\n";
  const std::string listed =
      wow64_ ? "[RP1210Support]\r\nAPIImplementations=VLR1210\r\n"
             : "; RP1210 drivers\n[RP1210Support]\n"
               "APIImplementations=OTHERVND,ACME32,VLR1210\n\n"
               "[OtherVendor]\nKeep=1\n";
  if (!wow64_) std::ofstream(SupportIni(), std::ios::binary) << seed;
  prefix_.EndSession();
  const auto before = Tree(DriveC());

  const auto first = Install();
  ASSERT_EQ(first.exitCode, 0) << first.output;
  ExpectInstalled(listed);
  ExpectFoundAndUsed();

  const auto second = Install();
  ASSERT_EQ(second.exitCode, 0) << second.output;
  ExpectInstalled(listed);  // the same files, listed once

  for (const auto& app : Apps()) ExpectRefusedWhileHeld(app);

  const auto removed = Uninstall();
  ASSERT_EQ(removed.exitCode, 0) << removed.output;
  if (wow64_) {
    EXPECT_FALSE(fs::exists(SupportIni()))
        << "created by the installation, so removed";
  } else {
    EXPECT_EQ(ReadFile(SupportIni()), seed)
        << "other vendors' entries, byte for byte";
  }
  EXPECT_EQ(UninstallEntry().find("DisplayVersion"), std::string::npos);
  prefix_.EndSession();
  const auto after = Tree(DriveC());
  for (const auto& path : after)
    EXPECT_TRUE(before.count(path)) << "left behind: " << path;
  for (const auto& path : before)
    EXPECT_TRUE(after.count(path)) << "removed: " << path;

  const auto gone = Discover("app32");
  EXPECT_EQ(gone.output.find("VLR1210"), std::string::npos) << gone.output;
}

INSTANTIATE_TEST_SUITE_P(Prefixes, Installer,
                         ::testing::Values("win32", "win64"),
                         [](const auto& info) {
                           return std::string(info.param);
                         });

}  // namespace
}  // namespace winetest
