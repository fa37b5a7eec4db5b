#include <span>
#include <vector>

#include "api/rp1210.h"
#include "connection/connection_state.h"
#include "link/frames.h"

namespace vlr::api {
namespace {

int16_t SendMessage(int16_t clientId, const uint8_t* message, int16_t size) {
  ConnectionState& state = Connection();
  if (state.LinkStopped.load(std::memory_order_acquire) != 0) {
    return ERR_HARDWARE_NOT_RESPONDING;
  }
  if (!Clients().IsValidClient(clientId)) return ERR_INVALID_CLIENT_ID;
  if (size < 0 || size > 512 || message == nullptr) return ERR_MESSAGE_TOO_LONG;
  std::vector<link::Frame> frames;
  const auto built = link::BuildMessageFrames(
      state.currentDeviceId.load(std::memory_order_relaxed), state.IsJ1939(),
      state.j1708RawMode.load(std::memory_order_relaxed) != 0,
      std::span<const uint8_t>(message, static_cast<size_t>(size)), frames);
  if (built == link::BuildResult::kNoFraming) return 0;
  if (built != link::BuildResult::kOk) return ERR_MESSAGE_TOO_LONG;
  MessageQueue& tx = *Clients().Slot(clientId).txQueue;
  for (const link::Frame& frame : frames) {
    if (!tx.Push(frame.bytes.data(), static_cast<uint32_t>(frame.length), false,
                 0, 0)) {
      return ERR_TX_QUEUE_FULL;
    }
  }
  return 0;
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
