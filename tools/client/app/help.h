// `vlr1210 help [COMMAND]`: what each subcommand does and its options,
// printed from the same tables that parse them.
#pragma once

#include <ostream>
#include <string_view>

namespace vlrclient {

// False when `command` names no subcommand.
bool PrintHelp(std::ostream& out, std::string_view command);

}  // namespace vlrclient
