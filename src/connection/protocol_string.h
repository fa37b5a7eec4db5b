// The protocol string an application passes to RP1210_ClientConnect.
#pragma once

#include <optional>

#include "connection/protocol.h"

namespace vlr {

// "J1708" or "J1939" exactly, or either followed by the one parameter later
// applications add, ":Baud=RATE", where RATE is "Auto" or a rate the
// adapters run: J1939 "250" or "250000" (kbit/s or bit/s), J1708 "9600".
// Nothing for anything else, a null pointer included: other rates, other
// parameters and other protocols would promise a connection the adapters
// cannot make.
std::optional<Protocol> ParseProtocolString(const char* text);

}  // namespace vlr
