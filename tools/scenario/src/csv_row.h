// Splitting one line of a comma-separated export into its cells.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlrscenario {

// Cells of one CSV line. A cell may be quoted ("a,b"), with "" standing for
// one quote inside it; quotes are removed. A line end ('\r') is dropped.
std::vector<std::string> SplitCsvRow(std::string_view line);

}  // namespace vlrscenario
