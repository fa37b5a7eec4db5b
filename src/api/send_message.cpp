#include <span>
#include <vector>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "link/frames.h"

namespace vlr::api {
namespace {

int16_t Enqueue(MessageQueue& tx, uint32_t connection,
                const std::vector<link::Frame>& frames) {
  std::vector<std::span<const uint8_t>> views;
  views.reserve(frames.size());
  for (const link::Frame& frame : frames) views.push_back(frame.View());
  // All frames of a message or none: a transfer cut in the middle would be
  // worse than one the application knows it must send again.
  switch (tx.PushAllFor(connection, views)) {
    case PushAllResult::kQueued:
      return 0;
    case PushAllResult::kClosed:
      return ERR_INVALID_CLIENT_ID;  // disconnected by another thread
    case PushAllResult::kFull:
    case PushAllResult::kNoMemory:
      break;
  }
  return ERR_TX_QUEUE_FULL;
}

int16_t SendMessage(int16_t clientId, const uint8_t* message, int16_t size) {
  // Taken once, so the frames go to this connection's queue or nowhere.
  const ClientRef ref = TheRegistry().Find(clientId);
  if (!ref) return ERR_INVALID_CLIENT_ID;
  if (ref.session->LinkStopped() || ref.session->LinkDown()) {
    return ERR_HARDWARE_NOT_RESPONDING;
  }
  if (size < 0 || size > 512 || message == nullptr) return ERR_MESSAGE_TOO_LONG;
  std::vector<link::Frame> frames;
  const auto built = link::BuildMessageFrames(
      ref.deviceId, ref.protocol == Protocol::kJ1939,
      ref.client->j1708Raw.load(std::memory_order_acquire),
      std::span<const uint8_t>(message, static_cast<size_t>(size)), frames);
  if (built == link::BuildResult::kNoFraming) return 0;
  if (built != link::BuildResult::kOk) return ERR_MESSAGE_TOO_LONG;
  const int16_t result = Enqueue(ref.client->txQueue, ref.connection, frames);
  if (result == 0) ref.session->WakeWriter();
  return result;
}

}  // namespace
}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_SendMessage(short nClientID, char* fpchClientMessage, short nMessageSize,
                   short, short) {
  try {
    return vlr::api::SendMessage(
        nClientID, reinterpret_cast<const uint8_t*>(fpchClientMessage),
        nMessageSize);
  } catch (...) {
    return ERR_TX_QUEUE_FULL;  // only allocation can throw here
  }
}
