// Commands of the later RP1210 revisions that applications send right after
// connecting. The adapters run each network at one rate only, so these
// report it and accept it, and refuse to pretend any other. Refusals use
// RP1210A's codes: an RP1210A application must never meet a code that
// RP1210_GetErrorMsg does not know.
#include <cstring>

#include "api/connection_api.h"
#include "api/rp1210.h"

namespace vlr::api {
namespace {

const char* ConnectionSpeedText(Protocol protocol) {
  return protocol == Protocol::kJ1939 ? "250000" : "9600";
}

}  // namespace

int16_t FlushBuffers(Client& client) {
  client.rxQueue.Clear();  // a failure leaves entries queued; nothing to undo
  client.txQueue.Clear();
  return 0;
}

// A speed cut short to fit would be a wrong speed, so a buffer too small
// for the whole text gets nothing.
int16_t GetConnectionSpeed(Protocol protocol, uint8_t* buffer, int16_t size) {
  const char* text = ConnectionSpeedText(protocol);
  const size_t needed = std::strlen(text) + 1;
  if (buffer == nullptr || size < 0 || static_cast<size_t>(size) < needed) {
    return ERR_INVALID_COMMAND;
  }
  std::memcpy(buffer, text, needed);
  return 0;
}

int16_t SetJ1939Baud(Protocol protocol, const uint8_t* buffer, int16_t size) {
  if (protocol != Protocol::kJ1939) return ERR_COMMAND_NOT_SUPPORTED;
  if (buffer == nullptr || size < 2) return ERR_INVALID_COMMAND;
  const uint8_t when = buffer[0];
  const uint8_t rate = buffer[1];
  if (when != RP1210_CHANGE_BAUD_NOW &&
      when != RP1210_MSG_FIRST_CHANGE_BAUD_AFTER) {
    return ERR_INVALID_COMMAND;
  }
  if (rate > RP1210_BAUD_1000k) return ERR_INVALID_COMMAND;
  // Already the connection's rate: nothing to change.
  if (rate == RP1210_BAUD_250k) return 0;
  return ERR_COMMAND_NOT_SUPPORTED;
}

}  // namespace vlr::api
