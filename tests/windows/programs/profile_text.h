// Reading RP1210 INI files the way applications do: through the Windows
// profile functions, from the Windows directory.
#pragma once

#include <string>
#include <vector>

std::string WindowsDirectory();
std::string ProfileString(const std::string& file, const std::string& section,
                          const std::string& key);
// A comma-separated value, its entries without surrounding blanks.
std::vector<std::string> ProfileList(const std::string& file,
                                     const std::string& section,
                                     const std::string& key);
