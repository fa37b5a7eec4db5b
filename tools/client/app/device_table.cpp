#include "device_table.h"

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

vlr::platform::ResolvedPort PortFor(int com) {
  return vlr::platform::ResolvePort(com);
}

std::vector<std::string> PortFileProblems() {
  std::vector<std::string> problems;
  for (const std::string& name :
       {vlr::platform::UserPortFile(),
        std::string(vlr::platform::kSystemPortFile)}) {
    if (name.empty()) continue;
    const vlr::platform::PortFile file = vlr::platform::ReadPortFile(name);
    if (file.problem) problems.push_back(name + ": " + *file.problem);
  }
  return problems;
}

std::string DescribePort(int com) {
  const vlr::platform::ResolvedPort port = PortFor(com);
  return "COM" + std::to_string(com) + " leads to " + port.path +
         (port.source == "default" ? " (the default)"
                                   : " (from " + port.source + ")");
}

}  // namespace vlrclient
