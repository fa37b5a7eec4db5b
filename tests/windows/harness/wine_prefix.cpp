#include "wine_prefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace winetest {
namespace {

using namespace std::chrono_literals;

fs::path FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? fs::path(value) : fs::path();
}

// One registry file for the four ports: one regedit run instead of four.
std::string PortsRegistryFile() {
  std::string text =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n";
  for (int n = 1; n <= 4; ++n) {
    text += "\"COM" + std::to_string(n) + "\"=\"";
    for (char c : PortLink(n).string())
      text += c == '\\' ? std::string("\\\\") : std::string(1, c);
    text += "\"\n";
  }
  return text;
}

class FileLock {
 public:
  explicit FileLock(const fs::path& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

const WineLayout& Layout() {
  static const WineLayout layout = [] {
    WineLayout l;
    l.shared = FromEnvironment("VLR_WINE_PREFIX");
    l.ports = FromEnvironment("VLR_WINE_PORTS");
    l.bin = FromEnvironment("VLR_WINDOWS_BIN");
    l.dist = FromEnvironment("VLR_WINDOWS_DIST");
    l.work = l.shared.parent_path();
    const char* arch = std::getenv("VLR_WINE_ARCH");
    l.arch = arch != nullptr ? arch : "win32";
    l.installer = FromEnvironment("VLR_WINDOWS_INSTALLER");
    l.dll64 = FromEnvironment("VLR_WINDOWS_DLL64");
    l.bin64 = FromEnvironment("VLR_WINDOWS_BIN64");
    const char* loader = std::getenv("VLR_WINE_LOADER");
    l.loader = loader != nullptr && *loader != '\0' ? loader : "wine";
    return l;
  }();
  return layout;
}

fs::path PortLink(int comNumber) {
  return Layout().ports / ("com" + std::to_string(comNumber));
}

std::string ErrorLog() { return (Layout().work / "wine-stderr.log").string(); }

std::vector<std::string> WinePrefix::Environment() const {
  return {
      "WINEPREFIX=" + path_.string(),
      "WINEARCH=" + arch_,
      "WINEDEBUG=-all",
      // No Mono or Gecko download prompts: the driver needs neither.
      "WINEDLLOVERRIDES=mscoree,mshtml=",
  };
}

// The mark names the ports directory, so a prefix made for another layout
// is set up again.
bool WinePrefix::IsBooted() const {
  std::ifstream in(path_ / ".vlr1210-ready");
  std::string ports;
  std::getline(in, ports);
  return in && ports == Layout().ports.string();
}

bool WinePrefix::Boot(std::string& error) const {
  fs::create_directories(path_);
  fs::create_directories(Layout().ports);
  StartServer();
  const auto boot = RunProgram({Layout().loader, "wineboot", "-i"},
                               Environment(), ErrorLog(), 300s);
  if (boot.exitCode != 0) {
    error = "wineboot -i failed in " + path_.string() + "; see " + ErrorLog();
    return false;
  }
  const fs::path ports = path_ / "vlr1210-ports.reg";
  std::ofstream(ports) << PortsRegistryFile();
  if (Run({"regedit", "/S", WindowsPath(ports)}, 60s).exitCode != 0) {
    error = "regedit could not set the ports of " + path_.string();
    return false;
  }
  EndSession();  // the registry reaches the disk when the session ends
  std::ofstream(path_ / ".vlr1210-ready") << Layout().ports.string() << "\n";
  return true;
}

void WinePrefix::StartServer() const {
  // Refused at once when a server runs; otherwise it detaches and stays a
  // few seconds after its last program, enough to span one test's runs.
  RunProgram({"wineserver", "-p5"}, Environment(), "/dev/null", 30s);
}

RunResult WinePrefix::Run(const std::vector<std::string>& args,
                          milliseconds timeout) const {
  StartServer();
  std::vector<std::string> argv{Layout().loader};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, Environment(), ErrorLog(), timeout);
}

void WinePrefix::EndSession() const {
  RunProgram({"wineserver", "-k"}, Environment(), ErrorLog(), 30s);
  RunProgram({"wineserver", "-w"}, Environment(), ErrorLog(), 30s);
}

void WinePrefix::AwaitPrograms() const {
  RunProgram({"wineserver", "-w"}, Environment(), ErrorLog(), 120s);
}

const WinePrefix& SharedPrefix() {
  static const WinePrefix prefix(Layout().shared, Layout().arch);
  return prefix;
}

bool EnsureSharedPrefix(std::string& error) {
  if (Layout().shared.empty() || Layout().ports.empty() ||
      Layout().bin.empty()) {
    error = "VLR_WINE_PREFIX, VLR_WINE_PORTS and VLR_WINDOWS_BIN must be set";
    return false;
  }
  fs::create_directories(Layout().work);
  FileLock lock(Layout().work / "wine-prefix.lock");
  return SharedPrefix().IsBooted() || SharedPrefix().Boot(error);
}

std::string WindowsPath(const fs::path& path) {
  std::string text = "Z:" + fs::absolute(path).string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

}  // namespace winetest
