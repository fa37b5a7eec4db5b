#include "command_line.h"

#include "values.h"

namespace vlrclient {

OptionDefinition DriverPathOption(std::string& path) {
  return {"--driver", "PATH", "the RP1210 driver library to load",
          [&path](std::string_view v) {
            path = std::string(v);
            return std::string();
          }};
}

OptionDefinition DeviceIdOption(std::string_view help,
                                std::function<void(short)> store) {
  return {"--device", "ID", help,
          [store = std::move(store)](std::string_view v) -> std::string {
            auto id = ParseInteger(v, -32768, 32767);
            if (!id) return "'" + std::string(v) + "' is not a device id";
            store(static_cast<short>(*id));
            return {};
          }};
}

}  // namespace vlrclient
