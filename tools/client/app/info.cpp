#include "info.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

#include "command_line.h"
#include "connection.h"
#include "device_table.h"
#include "values.h"
#include "vlrcommon/hex_text.h"

namespace vlrclient {
namespace {

struct InfoOptions {
  std::optional<short> device;
  std::string protocol = "J1939";
  std::string driver_path;
};

std::vector<OptionDefinition> InfoOptionTable(InfoOptions& o) {
  return {
      DeviceIdOption("also connect to this device and show its hardware status",
                     [&o](short id) { o.device = id; }),
      {"--protocol", "NAME",
       "protocol of that connection: J1939 (default) or J1708",
       [&o](std::string_view v) -> std::string {
         auto protocol = ParseProtocol(v);
         if (!protocol) return "expected J1939 or J1708";
         o.protocol = *protocol;
         return {};
       }},
      DriverPathOption(o.driver_path),
  };
}

void PrintVersion(const DriverLibrary& driver) {
  std::array<std::array<char, 16>, 4> parts{};
  driver.functions().ReadVersion(parts[0].data(), parts[1].data(),
                                 parts[2].data(), parts[3].data());
  for (auto& part : parts) part.back() = '\0';
  std::cout << "driver   " << driver.path() << "\n"
            << "version  driver " << parts[0].data() << "." << parts[1].data()
            << ", interface " << parts[2].data() << "." << parts[3].data()
            << "\n";
}

void PrintDevices() {
  std::cout << "\ndevice  family  port  rate    line              COM port "
               "leads to\n";
  for (const DeviceInfo& d : Devices()) {
    const vlr::platform::ResolvedPort port = PortFor(d.com);
    std::string where = port.path + " (" + port.source + ")";
    if (!std::filesystem::exists(port.path)) where += " (absent)";
    char row[200];
    std::snprintf(row, sizeof row, "%-7d %-7s COM%d  %-7u %-17.17s %s\n", d.id,
                  d.family, d.com, static_cast<unsigned>(d.baud), d.framing,
                  where.c_str());
    std::cout << row;
  }
  for (const std::string& problem : PortFileProblems())
    std::cerr << "vlr1210: " << problem << "; the driver ignores this file\n";
}

int PrintHardwareStatus(const DriverLibrary& driver, const InfoOptions& o) {
  DriverError error;
  auto connection = Connection::Open(driver, *o.device, o.protocol, error);
  if (!connection) {
    std::cerr << "vlr1210: " << error.message << "\n";
    return 1;
  }
  std::array<uint8_t, 16> status{};
  if (auto failed = connection->HardwareStatus(status)) {
    std::cerr << "vlr1210: " << failed->message << "\n";
    return 1;
  }
  std::cout << "\ndevice " << *o.device << " (" << o.protocol << "), client "
            << connection->client() << "\nhardware status  "
            << vlrcommon::FormatHexBytes(std::span(status).first(6), " ")
            << "\n  adapter "
            << (status[0] & 0x01 ? "present (CTS on)" : "not seen (CTS off)")
            << ", " << int{status[1]} << " client(s) connected\n";
  return 0;
}

}  // namespace

void PrintInfoHelp(std::ostream& out) {
  InfoOptions o;
  out << "vlr1210 info options:\n";
  PrintOptions(out, InfoOptionTable(o));
}

int RunInfo(std::span<const std::string_view> args) {
  InfoOptions o;
  const std::vector<OptionDefinition> table = InfoOptionTable(o);
  std::vector<std::string_view> positional;
  std::string error = ParseArguments(args, table, positional);
  if (error.empty() && !positional.empty())
    error = "unexpected argument " + std::string(positional[0]);
  if (!error.empty()) {
    std::cerr << "vlr1210 info: " << error << "\n";
    return 2;
  }
  auto driver = LoadDriver(o.driver_path, error);
  if (!driver) {
    std::cerr << "vlr1210: " << error << "\n";
    return 1;
  }
  PrintVersion(*driver);
  PrintDevices();
  return o.device ? PrintHardwareStatus(*driver, o) : 0;
}

}  // namespace vlrclient
