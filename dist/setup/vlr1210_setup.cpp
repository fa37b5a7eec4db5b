// Installs the driver where RP1210A applications look for it, or removes
// it again:
//
//   vlr1210-setup install     VLR1210.DLL into the system directory,
//                             VLR1210.INI into the Windows directory, and
//                             VLR1210 into [RP1210Support]
//                             APIImplementations of RP121032.INI there
//   vlr1210-setup uninstall   the reverse; other drivers stay listed
//
// The two files are taken from the directory this program is in. Writing
// to those directories needs an administrator on Windows.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "implementation_list.h"

namespace {

const char kName[] = "VLR1210";
const char kSection[] = "RP1210Support";
const char kKey[] = "APIImplementations";

std::string Directory(UINT (WINAPI* query)(LPSTR, UINT)) {
  char path[MAX_PATH] = {};
  const UINT n = query(path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path) : std::string();
}

std::string OwnDirectory() {
  char path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, n);
  return text.substr(0, text.find_last_of("\\/"));
}

std::string SupportIni() { return Directory(::GetWindowsDirectoryA) + "\\RP121032.INI"; }
std::string DriverIni() { return Directory(::GetWindowsDirectoryA) + "\\VLR1210.INI"; }
std::string DriverDll() { return Directory(::GetSystemDirectoryA) + "\\VLR1210.DLL"; }

std::string ReadImplementations() {
  // The profile functions cap one value at the buffer; 32 KiB is the most
  // a profile string can be on every Windows version.
  static char value[32767];
  ::GetPrivateProfileStringA(kSection, kKey, "", value, sizeof(value),
                             SupportIni().c_str());
  return value;
}

bool WriteImplementations(const std::string& list) {
  return ::WritePrivateProfileStringA(kSection, kKey, list.c_str(),
                                      SupportIni().c_str()) != FALSE;
}

bool Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "vlr1210-setup: %s %s (error %lu)\n", what, path.c_str(),
               ::GetLastError());
  return false;
}

bool Install() {
  const std::string from = OwnDirectory();
  if (!::CopyFileA((from + "\\VLR1210.DLL").c_str(), DriverDll().c_str(), FALSE)) {
    return Fail("cannot copy VLR1210.DLL to", DriverDll());
  }
  if (!::CopyFileA((from + "\\VLR1210.INI").c_str(), DriverIni().c_str(), FALSE)) {
    return Fail("cannot copy VLR1210.INI to", DriverIni());
  }
  const std::string before = ReadImplementations();
  const std::string after = vlrsetup::WithImplementation(before, kName);
  if (after != before && !WriteImplementations(after)) {
    return Fail("cannot update", SupportIni());
  }
  std::printf("installed: %s, %s; %s lists %s\n", DriverDll().c_str(),
              DriverIni().c_str(), SupportIni().c_str(), after.c_str());
  return true;
}

// A DLL that an application still has loaded cannot be deleted; it goes at
// the next restart instead.
bool RemoveDll() {
  if (::DeleteFileA(DriverDll().c_str())) return true;
  if (::GetLastError() == ERROR_FILE_NOT_FOUND) return true;
  return ::MoveFileExA(DriverDll().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ||
         Fail("cannot remove", DriverDll());
}

bool Uninstall() {
  const std::string before = ReadImplementations();
  const std::string after = vlrsetup::WithoutImplementation(before, kName);
  if (after != before && !WriteImplementations(after)) {
    return Fail("cannot update", SupportIni());
  }
  if (!::DeleteFileA(DriverIni().c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    return Fail("cannot remove", DriverIni());
  }
  if (!RemoveDll()) return false;
  std::printf("removed; %s lists %s\n", SupportIni().c_str(), after.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "install") == 0) return Install() ? 0 : 1;
  if (argc == 2 && std::strcmp(argv[1], "uninstall") == 0) return Uninstall() ? 0 : 1;
  std::fprintf(stderr, "usage: vlr1210-setup install|uninstall\n");
  return 2;
}
