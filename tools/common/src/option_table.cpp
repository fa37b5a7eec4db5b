#include "vlrcommon/option_table.h"

#include <algorithm>

namespace vlrcommon {
namespace {

const OptionDefinition* FindOption(std::span<const OptionDefinition> options,
                                   std::string_view name) {
  for (const OptionDefinition& option : options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

}  // namespace

std::string ParseArguments(std::span<const std::string_view> args,
                           std::span<const OptionDefinition> options,
                           std::vector<std::string_view>& positional) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg.substr(0, 2) != "--") {
      positional.push_back(arg);
      continue;
    }
    std::string_view name = arg, value;
    const std::size_t equals = arg.find('=');
    if (equals != std::string_view::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    }
    const OptionDefinition* option = FindOption(options, name);
    if (option == nullptr) return "unknown option " + std::string(name);
    if (option->value_name.empty()) {
      if (equals != std::string_view::npos)
        return std::string(name) + " takes no value";
    } else if (equals == std::string_view::npos) {
      if (i + 1 == args.size())
        return std::string(name) + " needs a value " +
               std::string(option->value_name);
      value = args[++i];
    }
    if (std::string error = option->apply(value); !error.empty()) {
      return std::string(name) + ": " + error;
    }
  }
  return {};
}

void PrintOptions(std::ostream& out, std::span<const OptionDefinition> options,
                  std::size_t help_column) {
  for (const OptionDefinition& option : options) {
    std::string left = "  " + std::string(option.name);
    if (!option.value_name.empty())
      left += " " + std::string(option.value_name);
    left.resize(std::max(left.size() + 1, help_column), ' ');
    out << left << option.help << "\n";
  }
}

}  // namespace vlrcommon
