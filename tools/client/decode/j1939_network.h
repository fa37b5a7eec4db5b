// Readable text for the network-management groups, whose bytes are not
// engineering values: address claims (the sender's NAME), requests (the
// group asked for), acknowledgements, and the two transport groups.
#pragma once

#include <optional>
#include <string>

#include "messages.h"

namespace vlrdecode {

// Nothing for any other group, or when the data is too short to read.
std::optional<std::string> DescribeNetworkMessage(const J1939Message& message);

}  // namespace vlrdecode
