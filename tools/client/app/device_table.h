// The adapters the driver knows, by RP1210 device id: the hundreds digit
// is the family, the rest the COM port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlrclient {

struct DeviceInfo {
  short id;
  const char* family;  // "1xx", "2xx"
  int com;             // COMn
  uint32_t baud;
  const char* framing;  // what travels on the line
};

const std::vector<DeviceInfo>& Devices();
std::optional<DeviceInfo> FindDevice(short id);

// Where "COMn" leads on this machine: the path in VLR1210_COMn, else the
// n-th serial device; `from_environment` says which.
std::string PortPath(int com, bool& from_environment);

}  // namespace vlrclient
