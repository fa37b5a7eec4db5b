// Command-line options as a table: each subcommand lists its options once,
// and the same table parses the arguments and prints the help.
#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vlrclient {

struct OptionSpec {
  std::string_view name;        // "--device"
  std::string_view value_name;  // "ID"; empty for a flag
  std::string_view help;
  // Stores the value (empty for a flag); returns an error text, empty when
  // the value is good.
  std::function<std::string(std::string_view value)> apply;
};

// Reads "--name VALUE", "--name=VALUE" and flags; anything not starting
// with "--" is positional. Returns an error text ("unknown option --x"),
// empty on success.
std::string ParseArguments(std::span<const std::string_view> args,
                           std::span<const OptionSpec> options,
                           std::vector<std::string_view>& positional);

void PrintOptions(std::ostream& out, std::span<const OptionSpec> options);

// "--driver PATH", which every subcommand that loads the driver takes.
OptionSpec DriverPathOption(std::string& path);

}  // namespace vlrclient
