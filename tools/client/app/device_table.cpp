#include "device_table.h"

#include <cstdlib>

namespace vlrclient {

const std::vector<DeviceInfo>& Devices() {
  static const std::vector<DeviceInfo> devices = {
      {101, "1xx", 1, 38400, "counted frames"},
      {102, "1xx", 2, 38400, "counted frames"},
      {103, "1xx", 3, 38400, "no serial frames"},
      {104, "1xx", 4, 38400, "no serial frames"},
      {201, "2xx", 1, 115200, "synced frames"},
      {202, "2xx", 2, 115200, "synced frames"},
      {203, "2xx", 3, 115200, "synced frames"},
      {204, "2xx", 4, 115200, "synced frames"},
  };
  return devices;
}

std::optional<DeviceInfo> FindDevice(short id) {
  for (const DeviceInfo& device : Devices()) {
    if (device.id == id) return device;
  }
  return std::nullopt;
}

std::string PortPath(int com, bool& from_environment) {
  const std::string variable = "VLR1210_COM" + std::to_string(com);
  if (const char* path = std::getenv(variable.c_str()); path && *path) {
    from_environment = true;
    return path;
  }
  from_environment = false;
  return "/dev/ttyS" + std::to_string(com - 1);
}

}  // namespace vlrclient
