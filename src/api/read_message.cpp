#include <cstring>
#include <optional>

#include "api/connection_api.h"
#include "api/rp1210.h"

namespace vlr::api {
namespace {

// How long a blocking read waits for a message before it returns 0.
constexpr uint32_t kBlockingReadMs = 10000;

int16_t Deliver(const QueueEntry& entry, bool echoMode, uint8_t* buffer,
                int16_t size) {
  // Five bytes are reserved whatever the echo mode: an application sized
  // for one mode keeps working when it switches.
  if (static_cast<int32_t>(entry.length) + 5 > size) {
    return -ERR_MESSAGE_TOO_LONG;
  }
  const uint32_t t = entry.timestamp;
  buffer[0] = static_cast<uint8_t>(t >> 24);
  buffer[1] = static_cast<uint8_t>(t >> 16);
  buffer[2] = static_cast<uint8_t>(t >> 8);
  buffer[3] = static_cast<uint8_t>(t);
  size_t at = 4;
  if (echoMode) buffer[at++] = entry.echo;
  std::memcpy(buffer + at, entry.data.data(), entry.length);
  return static_cast<int16_t>(at + entry.length);
}

// One look at the queue. After the queued messages, a lost adapter is
// reported: nothing more will come, and a read that said "nothing yet"
// would have the application wait for ever. The loss is read before the
// queue, so a message the reader queued just before it noticed the loss is
// still handed over first.
std::optional<int16_t> TakeOne(const ClientRef& ref, uint8_t* buffer,
                               int16_t size) {
  const bool linkDown = ref.session->LinkDown();
  QueueEntry entry;
  if (ref.client->rxQueue.PopFor(ref.connection, entry)) {
    return Deliver(entry, ref.client->echo.load(std::memory_order_acquire),
                   buffer, size);
  }
  if (linkDown) return -ERR_HARDWARE_NOT_RESPONDING;
  return std::nullopt;
}

// Woken by a message queued for the client, by its disconnect, or by the
// link going down; bounded either way.
int16_t WaitAndTake(const ClientRef& ref, uint8_t* buffer, int16_t size) {
  const uint32_t start = platform::TickCount();
  for (;;) {
    if (ref.session->LinkStopped()) return 0;
    // A disconnect on another thread ends the wait too.
    if (!ref.client->Serves(ref.connection)) return 0;
    const uint32_t waited = platform::TickCount() - start;
    if (waited >= kBlockingReadMs) return 0;
    ref.client->rxQueue.WaitForEntry(ref.connection, kBlockingReadMs - waited);
    if (const auto taken = TakeOne(ref, buffer, size)) return *taken;
  }
}

int16_t ReadMessage(int16_t clientId, uint8_t* buffer, int16_t size,
                    bool block) {
  // Taken once: every later step acts for this connection only, whatever
  // other threads of the application disconnect and connect meanwhile.
  const ClientRef ref = TheRegistry().Find(clientId);
  if (!ref) return -ERR_INVALID_CLIENT_ID;
  if (ref.session->LinkStopped()) return -ERR_HARDWARE_NOT_RESPONDING;
  // Checked before anything is taken: a missing buffer must not cost the
  // application a message.
  if (buffer == nullptr) return -ERR_MESSAGE_TOO_LONG;
  if (const auto taken = TakeOne(ref, buffer, size)) return *taken;
  return block ? WaitAndTake(ref, buffer, size) : 0;
}

}  // namespace
}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_ReadMessage(short nClientID, char* fpchAPIMessage, short nBufferSize,
                   short nBlockOnRead) {
  try {
    return vlr::api::ReadMessage(nClientID,
                                 reinterpret_cast<uint8_t*>(fpchAPIMessage),
                                 nBufferSize, nBlockOnRead != 0);
  } catch (...) {
    return -ERR_NOT_ENOUGH_MEMORY;  // no exception may reach the caller
  }
}
