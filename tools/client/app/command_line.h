// Command-line options as a table (vlrcommon/option_table.h): each
// subcommand lists its options once, and the same table parses the
// arguments and prints the help.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "vlrcommon/option_table.h"

namespace vlrclient {

using vlrcommon::OptionDefinition;
using vlrcommon::ParseArguments;
using vlrcommon::PrintOptions;

// "--driver PATH", which every subcommand that loads the driver takes.
OptionDefinition DriverPathOption(std::string& path);

// "--device ID", an RP1210 device id (a short), handed to `store`.
OptionDefinition DeviceIdOption(std::string_view help,
                                std::function<void(short)> store);

}  // namespace vlrclient
