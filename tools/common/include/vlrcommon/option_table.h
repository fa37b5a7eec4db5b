// Command-line options as a table: a program lists each option once, and
// the same table parses the arguments and prints the help.
#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vlrcommon {

struct OptionDefinition {
  std::string_view name;        // "--device"
  std::string_view value_name;  // "ID"; empty for a flag
  std::string_view help;
  // Stores the value (empty for a flag); returns an error text, empty when
  // the value is good.
  std::function<std::string(std::string_view value)> apply;
};

// Reads "--name VALUE", "--name=VALUE" and flags; anything not starting
// with "--" is positional. Returns an error text ("unknown option --x",
// "--x: <what apply said>"), empty on success.
std::string ParseArguments(std::span<const std::string_view> args,
                           std::span<const OptionDefinition> options,
                           std::vector<std::string_view>& positional);

// One line an option, "  --name VALUE", then its help from `help_column`
// on (or one space further when the name is longer).
void PrintOptions(std::ostream& out, std::span<const OptionDefinition> options,
                  std::size_t help_column = 27);

}  // namespace vlrcommon
