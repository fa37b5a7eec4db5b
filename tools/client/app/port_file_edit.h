// Changes one COMn line of a ports file's text, leaving its comments and
// other lines as they are.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vlrclient {

// The text with "COMn = path" in place of the existing COMn line (or
// appended), or without any COMn line when `path` is empty.
std::string EditPortFile(std::string_view text, int com,
                         const std::optional<std::string>& path);

// A new user file: the header explaining the format, then nothing.
std::string NewPortFileText();

}  // namespace vlrclient
