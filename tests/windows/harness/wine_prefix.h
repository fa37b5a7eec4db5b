// Wine prefixes for the suites. The shared one is booted once per build
// directory and kept (a first boot takes many seconds; later sessions start
// in well under one); the installer test boots fresh 32- and 64-bit ones.
// The shared prefix is 64-bit (WoW64) when the DLL under test is.
// In every prefix COM1..COM4 are fixed in the registry to links in one
// ports directory, which each test points at its simulated adapter's
// pseudo-terminal.
//
// Why the indirection: Wine rewrites dosdevices/comN at every session start
// from its registry, so links placed there directly are lost. The ports
// links are followed at every open of a port instead.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"

namespace winetest {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

struct WineLayout {
  fs::path shared;   // the shared prefix
  fs::path ports;    // comN links
  fs::path bin;      // the test programs and VLR1210.DLL
  fs::path dist;     // the installable files
  fs::path work;     // logs, locks, fresh prefixes
  std::string arch;  // of the shared prefix: win32, or win64 for a 64-bit DLL
  // The 32-bit build's installer and what only it has: the 64-bit DLL it
  // carries and the 64-bit test programs (empty elsewhere).
  fs::path installer;
  fs::path dll64;
  fs::path bin64;
  // What starts a Windows program: "wine", or the 64-bit loader itself
  // (VLR_WINE_LOADER) where the kernel runs no 32-bit programs and the
  // "wine" wrapper would pick the 32-bit one.
  std::string loader;
};

// Taken from the environment that ctest sets (VLR_WINE_PREFIX, ...).
const WineLayout& Layout();

fs::path PortLink(int comNumber);
std::string ErrorLog();

class WinePrefix {
 public:
  // `arch`: "win32", or "win64" (64-bit Windows with WoW64).
  WinePrefix(fs::path path, std::string arch)
      : path_(std::move(path)), arch_(std::move(arch)) {}

  const fs::path& Path() const { return path_; }
  bool Is64Bit() const { return arch_ == "win64"; }
  fs::path WindowsDirectory() const { return path_ / "drive_c" / "windows"; }
  // The variables every Wine program in this prefix runs with.
  std::vector<std::string> Environment() const;

  // Creates the prefix (wineboot) and sets its ports.
  bool Boot(std::string& error) const;
  bool IsBooted() const;

  // Starts the prefix's wineserver unless one runs. Every Wine program is
  // started after this: a server that a Wine program starts inherits that
  // program's standard error and, when it ends, writes a list of every
  // object it still holds there (megabytes per session).
  void StartServer() const;
  // Runs `wine ARGS...` to its end.
  RunResult Run(const std::vector<std::string>& args,
                milliseconds timeout) const;
  // Ends the prefix's session (wineserver and every program in it) and
  // waits until it has saved its state; the next program starts afresh.
  void EndSession() const;
  // Waits until every program of the session has ended by itself.
  void AwaitPrograms() const;

 private:
  fs::path path_;
  std::string arch_;
};

const WinePrefix& SharedPrefix();

// Boots the shared prefix when it is new; safe when several harness
// processes try at once.
bool EnsureSharedPrefix(std::string& error);

// Converts a host path to the Windows path Wine shows for it (Z:\...).
std::string WindowsPath(const fs::path& path);

}  // namespace winetest
