#include "port_file_edit.h"

#include <cctype>
#include <sstream>

namespace vlrclient {
namespace {

// True when `line` assigns `com`, however it is spaced or capitalised.
bool AssignsPort(std::string_view line, int com) {
  const auto first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  line.remove_prefix(first);
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  std::string key(line.substr(0, equals));
  key.erase(key.find_last_not_of(" \t") + 1);
  for (char& c : key) c = static_cast<char>(std::toupper(c));
  return key == "COM" + std::to_string(com);
}

}  // namespace

std::string NewPortFileText() {
  return "# Where the COM ports of the vlr1210 driver lead on this machine.\n"
         "# VLR1210_COMn in the environment still comes first; this file\n"
         "# comes before /etc/vlr1210/ports.ini.\n"
         "[ports]\n";
}

std::string EditPortFile(std::string_view text, int com,
                         const std::optional<std::string>& path) {
  const std::string entry =
      path ? "COM" + std::to_string(com) + " = " + *path + "\n" : "";
  std::string out;
  bool placed = false;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    if (AssignsPort(line, com)) {
      if (!placed) out += entry;
      placed = true;
      continue;
    }
    out += line + "\n";
  }
  if (!placed) out += entry;
  return out;
}

}  // namespace vlrclient
