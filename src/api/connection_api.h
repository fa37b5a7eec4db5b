// Shared by the exported functions: the checks and steps several of them
// make. Not part of the public interface.
#pragma once

#include <cstdint>

#include "connection/registry.h"

namespace vlr::api {

// Ends the client's connection; the body of RP1210_ClientDisconnect after
// its initial pause. With `connection`, only that connection of the client
// (ERR_INVALID_CLIENT_ID when the id has moved on to another).
int16_t Disconnect(int16_t clientId,
                   uint32_t connection = MessageQueue::kNoConnection);

// All of RP1210_ClientDisconnect, pause included. The reset command calls
// this, never the exported function: a host program may define a function
// of the same name, and the driver must not end up in it.
int16_t ClientDisconnect(int16_t clientId,
                         uint32_t connection = MessageQueue::kNoConnection);

// Commands 39, 45 and 37 for a valid client.
int16_t FlushBuffers(Client& client);
int16_t GetConnectionSpeed(Protocol protocol, uint8_t* buffer, int16_t size);
int16_t SetJ1939Baud(Protocol protocol, const uint8_t* buffer, int16_t size);

// Commands 19, 27 and 31 for a valid client: its J1939 addresses and the
// spacing of its broadcast transfers.
int16_t ProtectJ1939Address(const ClientRef& ref, const uint8_t* buffer,
                            int16_t size);
int16_t SetInterpacketTime(const ClientRef& ref, const uint8_t* buffer,
                           int16_t size);
int16_t ReleaseJ1939Address(const ClientRef& ref, const uint8_t* buffer,
                            int16_t size);

// The text RP1210_GetErrorMsg gives for `code`; null when the code has none.
const char* ErrorText(int16_t code);

}  // namespace vlr::api
