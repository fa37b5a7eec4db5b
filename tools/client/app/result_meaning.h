// What the J1939 network result codes mean to someone at a terminal, beside
// the driver's own name for each.
#pragma once

#include <string>

namespace vlrclient {

// A sentence for the codes of address claim and long transfers; empty for
// any other code.
std::string ResultMeaning(short code);

}  // namespace vlrclient
