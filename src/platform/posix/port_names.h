// Where "COMn" leads on Linux: the path in VLR1210_COMn, else the user's
// ports file, else the system's, else the n-th serial device. The client
// compiles this same file, so what `vlr1210 info` shows is what the driver
// opens.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace vlr::platform {

inline constexpr const char* kSystemPortFile = "/etc/vlr1210/ports.ini";

struct PortFile {
  bool present = false;
  std::map<int, std::string> ports;  // COM number -> device path
  // "line 3: ..." for the first line that is not understood; the whole
  // file is then left unused, since half a file could name the wrong port.
  std::optional<std::string> problem;
};

PortFile ReadPortFile(const std::string& path);

// $XDG_CONFIG_HOME/vlr1210/ports.ini, else ~/.config/vlr1210/ports.ini;
// empty when neither variable is set.
std::string UserPortFile();

struct ResolvedPort {
  std::string path;
  std::string source;  // "VLR1210_COM1", a file's path, or "default"
};

// `environment` is the value of VLR1210_COMn (nullptr when unset).
ResolvedPort ResolvePort(int com, const char* environment,
                         const std::string& user_file,
                         const std::string& system_file);

// The driver's resolution, from the process environment and the real files.
ResolvedPort ResolvePort(int com);

}  // namespace vlr::platform
