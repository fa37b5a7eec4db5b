#include "profile_text.h"

#include <windows.h>

#include <sstream>

namespace {

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

std::string WindowsDirectory() {
  char path[MAX_PATH] = {};
  const UINT n = ::GetWindowsDirectoryA(path, MAX_PATH);
  return std::string(path, n < MAX_PATH ? n : 0);
}

std::string ProfileString(const std::string& file, const std::string& section,
                          const std::string& key) {
  std::string value(4096, '\0');
  const DWORD n =
      ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value.data(),
                                 value.size(), file.c_str());
  value.resize(n);
  return value;
}

std::vector<std::string> ProfileList(const std::string& file,
                                     const std::string& section,
                                     const std::string& key) {
  std::vector<std::string> entries;
  std::istringstream in(ProfileString(file, section, key));
  for (std::string entry; std::getline(in, entry, ',');) {
    entry = Trimmed(entry);
    if (!entry.empty()) entries.push_back(entry);
  }
  return entries;
}
