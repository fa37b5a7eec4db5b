#include "command_line.h"

namespace vlrclient {

OptionDefinition DriverPathOption(std::string& path) {
  return {"--driver", "PATH", "the RP1210 driver library to load",
          [&path](std::string_view v) {
            path = std::string(v);
            return std::string();
          }};
}

}  // namespace vlrclient
