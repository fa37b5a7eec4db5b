// Lists the driver in RP121032.INI, where RP1210A applications look for
// installed drivers, or takes it out again; the installer runs it.
//
//   vlr1210-register add                    VLR1210 into [RP1210Support]
//                                           APIImplementations (the file
//                                           is created when absent)
//   vlr1210-register remove [--delete-if-empty]
//                                           VLR1210 out of it; with the
//                                           option a file left listing
//                                           nothing else is deleted (the
//                                           installer created it)
//
// RP121032.INI is the one in the Windows directory. Other entries, the
// file's encoding and its line ends stay as they are. Exit code 0 on
// success, 1 when the file cannot be read or written, 2 for usage.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support_ini.h"

namespace {

const char kName[] = "VLR1210";

std::string SupportIni() {
  char path[MAX_PATH] = {};
  const UINT n = ::GetWindowsDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(path) + "\\RP121032.INI";
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The whole file; an absent one reads as empty, and any other failure (a
// file another program keeps locked, say) is one, so that a file that could
// not be read is never replaced.
bool Read(const std::string& path, std::string& bytes) {
  bytes.clear();
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  char buffer[4096];
  DWORD got = 0;
  BOOL ok = TRUE;
  while ((ok = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) &&
         got > 0) {
    bytes.append(buffer, got);
  }
  ::CloseHandle(file);
  return ok != FALSE;
}

// The whole new file first, then one rename: an interrupted run leaves the
// old file or the new one, never half of it.
bool Write(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".vlr1210-new";
  HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                  &written, nullptr) &&
      written == bytes.size() && ::FlushFileBuffers(file);
  ::CloseHandle(file);
  if (!ok) {
    ::DeleteFileA(temporary.c_str());
    return false;
  }
  return ::MoveFileExA(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
         FALSE;
}

int Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "vlr1210-register: cannot %s %s (error %lu)\n", what,
               path.c_str(), ::GetLastError());
  return 1;
}

int Change(vlrsetup::ListChange change, bool deleteIfEmpty) {
  const std::string path = SupportIni();
  std::string before;
  if (path.empty() || !Read(path, before)) return Fail("read", path);
  const std::string after = vlrsetup::EditedSupportIni(before, kName, change);
  if (deleteIfEmpty && vlrsetup::ListsNothing(after)) {
    if (Exists(path) && !::DeleteFileA(path.c_str()))
      return Fail("delete", path);
    std::printf("%s removed: it listed no other driver\n", path.c_str());
    return 0;
  }
  if (after != before && !Write(path, after)) return Fail("write", path);
  std::printf("%s %s %s\n", path.c_str(),
              after != before ? "updated:" : "unchanged:",
              change == vlrsetup::ListChange::kAdd ? "VLR1210 listed"
                                                   : "VLR1210 not listed");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const auto is = [&](int i, const char* word) {
    return i < argc && std::strcmp(argv[i], word) == 0;
  };
  if (argc == 2 && is(1, "add"))
    return Change(vlrsetup::ListChange::kAdd, false);
  if (argc == 2 && is(1, "remove"))
    return Change(vlrsetup::ListChange::kRemove, false);
  if (argc == 3 && is(1, "remove") && is(2, "--delete-if-empty")) {
    return Change(vlrsetup::ListChange::kRemove, true);
  }
  std::fprintf(stderr,
               "usage: vlr1210-register add | remove [--delete-if-empty]\n");
  return 2;
}
