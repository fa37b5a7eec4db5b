#include "ports_command.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "device_table.h"
#include "port_file_edit.h"
#include "values.h"

namespace vlrclient {
namespace {

namespace fs = std::filesystem;

constexpr int kShownPorts = 4;  // the ports the device ids use

int ShowPorts() {
  for (int com = 1; com <= kShownPorts; ++com) {
    const vlr::platform::ResolvedPort port = PortFor(com);
    std::cout << "COM" << com << "  " << port.path << "  (" << port.source
              << (fs::exists(port.path) ? "" : ", absent") << ")\n";
  }
  for (const std::string& problem : PortFileProblems())
    std::cerr << "vlr1210: " << problem << "; the driver ignores this file\n";
  return 0;
}

// "COM3" -> 3; 0 for anything else.
int ParseComName(std::string_view name) {
  const std::string_view prefix = name.substr(0, 3);
  if (prefix != "COM" && prefix != "com") return 0;
  return static_cast<int>(ParseInteger(name.substr(3), 1, 256).value_or(0));
}

// Replaces the file in one step, so a reader never sees half of it.
bool WriteWhole(const std::string& name, const std::string& text,
                std::string& error) {
  std::error_code code;
  fs::create_directories(fs::path(name).parent_path(), code);
  const std::string temporary = name + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << text;
    if (!out.flush()) {
      error = "cannot write " + temporary;
      return false;
    }
  }
  fs::rename(temporary, name, code);
  if (code) error = "cannot replace " + name + ": " + code.message();
  return !code;
}

int EditUserFile(int com, const std::optional<std::string>& path) {
  const std::string name = vlr::platform::UserPortFile();
  if (name.empty()) {
    std::cerr << "vlr1210 ports: neither XDG_CONFIG_HOME nor HOME is set\n";
    return 1;
  }
  const vlr::platform::PortFile current = vlr::platform::ReadPortFile(name);
  if (current.problem) {
    std::cerr << "vlr1210 ports: " << name << ": " << *current.problem
              << "; correct or remove the file first\n";
    return 1;
  }
  std::string text = NewPortFileText();
  if (current.present) {
    std::ifstream in(name);
    std::ostringstream whole;
    whole << in.rdbuf();
    text = whole.str();
  }
  std::string error;
  if (!WriteWhole(name, EditPortFile(text, com, path), error)) {
    std::cerr << "vlr1210 ports: " << error << "\n";
    return 1;
  }
  std::cout << name << ": " << DescribePort(com) << "\n";
  if (path && !fs::exists(*path))
    std::cerr << "vlr1210: note: " << *path << " does not exist now\n";
  return 0;
}

}  // namespace

int RunPorts(std::span<const std::string_view> args) {
  if (args.empty()) return ShowPorts();
  const std::string_view verb = args[0];
  const int com = args.size() >= 2 ? ParseComName(args[1]) : 0;
  if (verb == "set" && args.size() == 3 && com > 0 && !args[2].empty() &&
      args[2][0] == '/')
    return EditUserFile(com, std::string(args[2]));
  if (verb == "unset" && args.size() == 2 && com > 0)
    return EditUserFile(com, std::nullopt);
  std::cerr << "vlr1210 ports: expected 'ports', 'ports set COMn /dev/PATH' "
               "(an absolute path) or 'ports unset COMn'\n";
  return 2;
}

}  // namespace vlrclient
