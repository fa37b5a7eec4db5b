#include <cstring>
#include <optional>

#include "api/rp1210.h"
#include "connection/connection_state.h"

namespace vlr::api {
namespace {

constexpr int kBlockingPolls = 10001;

int16_t Deliver(const QueueEntry& entry, uint8_t* buffer, int16_t size) {
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
  if (Connection().echoMode.load(std::memory_order_relaxed) != 0) {
    buffer[at++] = entry.echo;
  }
  std::memcpy(buffer + at, entry.data.data(), entry.length);
  return static_cast<int16_t>(at + entry.length);
}

// One look at the queue. After the queued messages, a lost adapter is
// reported: nothing more will come, and a read that said "nothing yet"
// would have the application wait for ever. The loss is read before the
// queue, so a message the reader queued just before it noticed the loss is
// still handed over first.
std::optional<int16_t> TakeOne(MessageQueue& rx, uint32_t session,
                               uint8_t* buffer, int16_t size) {
  const bool linkDown = Connection().LinkDown();
  QueueEntry entry;
  if (rx.PopFor(session, entry)) return Deliver(entry, buffer, size);
  if (linkDown) return -ERR_HARDWARE_NOT_RESPONDING;
  return std::nullopt;
}

int16_t ReadMessage(int16_t clientId, uint8_t* buffer, int16_t size,
                    bool block) {
  const ConnectionState& state = Connection();
  if (state.LinkStopped.load(std::memory_order_acquire) != 0) {
    return -ERR_HARDWARE_NOT_RESPONDING;
  }
  // Taken once: every later step acts for this connection only, whatever
  // other threads of the application disconnect and connect meanwhile.
  const uint32_t session = Clients().Session(clientId);
  if (session == MessageQueue::kNoSession) return -ERR_INVALID_CLIENT_ID;
  // Checked before anything is taken: a missing buffer must not cost the
  // application a message.
  if (buffer == nullptr) return -ERR_MESSAGE_TOO_LONG;
  // The queue lives as long as the slot; PopFor takes nothing once the
  // queue serves another connection.
  MessageQueue& rx = *Clients().Slot(clientId).rxQueue;
  if (const auto taken = TakeOne(rx, session, buffer, size)) return *taken;
  if (!block) return 0;
  for (int poll = 0; poll < kBlockingPolls; ++poll) {
    if (state.LinkStopped.load(std::memory_order_acquire) != 0) return 0;
    // A disconnect on another thread ends the wait too.
    if (Clients().Session(clientId) != session) return 0;
    platform::SleepMs(1);
    if (const auto taken = TakeOne(rx, session, buffer, size)) return *taken;
  }
  return 0;
}

}  // namespace
}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_ReadMessage(short nClientID, char* fpchAPIMessage, short nBufferSize,
                   short nBlockOnRead) {
  return vlr::api::ReadMessage(nClientID,
                               reinterpret_cast<uint8_t*>(fpchAPIMessage),
                               nBufferSize, nBlockOnRead != 0);
}
