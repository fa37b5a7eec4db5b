// The adapters the driver knows, by RP1210 device id: the hundreds digit
// is the family, the rest the COM port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/port_names.h"

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

// Where "COMn" leads on this machine, resolved as the driver does, with
// the source that named it ("VLR1210_COM1", a ports file, "default").
vlr::platform::ResolvedPort PortFor(int com);

// The ports files the driver leaves unused because a line is not
// understood: "FILE: line 3: ..." each.
std::vector<std::string> PortFileProblems();

// "COM1 leads to /dev/ttyUSB0 (from ~/.config/vlr1210/ports.ini)".
std::string DescribePort(int com);

}  // namespace vlrclient
