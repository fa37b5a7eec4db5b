// Shared by the exported functions: the checks and steps several of them
// make. Not part of the public interface.
#pragma once

#include <cstdint>

#include "connection/connection_state.h"

namespace vlr::api {

// The protocol named exactly "J1708" or "J1939"; false for anything else,
// a null pointer included.
bool ParseProtocolName(const char* name, Protocol& out);

// Ends the client's connection; the body of RP1210_ClientDisconnect after
// its initial pause. Also used by the reset command.
int16_t Disconnect(int16_t clientId);

}  // namespace vlr::api
