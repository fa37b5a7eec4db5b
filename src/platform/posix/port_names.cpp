#include "platform/posix/port_names.h"

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace vlr::platform {
namespace {

// A ports file is a handful of lines; anything far larger is not one.
constexpr std::size_t kMaxFileBytes = std::size_t{64} * 1024;
constexpr int kMaxCom = 256;

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// "COM7" -> 7; 0 when the key is not a COM port name.
int ComNumber(std::string_view key) {
  if (key.size() < 4 || key.size() > 6) return 0;
  const std::string_view prefix = key.substr(0, 3);
  if (prefix != "COM" && prefix != "com" && prefix != "Com") return 0;
  int number = 0;
  for (const char c : key.substr(3)) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number <= kMaxCom ? number : 0;
}

// An error text for a line that is neither blank, a comment, the [ports]
// header nor "COMn = /absolute/path"; empty when the line is fine.
std::string ReadLine(std::string_view raw, std::map<int, std::string>& ports) {
  const std::string_view line = Trim(raw);
  if (line.empty() || line[0] == '#' || line[0] == ';') return {};
  if (line.front() == '[') {
    return line == "[ports]" ? "" : "unknown section " + std::string(line);
  }
  const auto equals = line.find('=');
  if (equals == std::string_view::npos)
    return "expected COMn = /dev/PATH, got '" + std::string(line) + "'";
  const std::string_view key = Trim(line.substr(0, equals));
  const std::string_view path = Trim(line.substr(equals + 1));
  const int com = ComNumber(key);
  if (com == 0)
    return "'" + std::string(key) + "' is not a port name COM1-COM256";
  // A relative path would depend on where each application was started.
  if (path.empty() || path[0] != '/')
    return std::string(key) + " needs an absolute path, got '" +
           std::string(path) + "'";
  if (!ports.emplace(com, std::string(path)).second)
    return std::string(key) + " is given twice";
  return {};
}

}  // namespace

PortFile ReadPortFile(const std::string& path) {
  PortFile file;
  std::ifstream in(path, std::ios::binary);
  if (!in) return file;
  file.present = true;
  std::string line;
  std::size_t bytes = 0;
  for (int number = 1; std::getline(in, line); ++number) {
    bytes += line.size() + 1;
    std::string error = bytes > kMaxFileBytes ? "file too large" : "";
    if (error.empty()) error = ReadLine(line, file.ports);
    if (!error.empty()) {
      file.problem = "line " + std::to_string(number) + ": " + error;
      file.ports.clear();
      return file;
    }
  }
  return file;
}

std::string UserPortFile() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME");
      config && *config == '/')
    return std::string(config) + "/vlr1210/ports.ini";
  if (const char* home = std::getenv("HOME"); home && *home == '/')
    return std::string(home) + "/.config/vlr1210/ports.ini";
  return {};
}

ResolvedPort ResolvePort(int com, const char* environment,
                         const std::string& user_file,
                         const std::string& system_file) {
  if (com < 1) return {};
  if (environment && *environment)
    return {environment, "VLR1210_COM" + std::to_string(com)};
  for (const std::string* name : {&user_file, &system_file}) {
    if (name->empty()) continue;
    const PortFile file = ReadPortFile(*name);
    if (auto found = file.ports.find(com); found != file.ports.end())
      return {found->second, *name};
  }
  return {"/dev/ttyS" + std::to_string(com - 1), "default"};
}

ResolvedPort ResolvePort(int com) {
  const std::string variable = "VLR1210_COM" + std::to_string(com);
  return ResolvePort(com, std::getenv(variable.c_str()), UserPortFile(),
                     kSystemPortFile);
}

}  // namespace vlr::platform
