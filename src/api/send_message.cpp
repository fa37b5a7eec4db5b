#include <span>
#include <vector>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "link/frames.h"

namespace vlr::api {
namespace {

constexpr int16_t kLongestMessage = 512;
// 1785 data bytes, the most a transport transfer carries, behind the header.
constexpr int16_t kLongestJ1939Message = 1791;

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

// How long a blocking send waits for its transfer at most. A receiver may
// hold a connection-mode transfer for as long as it likes; the bound keeps
// the application's thread from waiting for ever.
constexpr uint32_t kBlockingSendMs = 60000;

// A J1939 message of more than 8 data bytes goes by the client's transport:
// broadcast or connection mode, as its destination and how byte ask.
int16_t SendByTransport(const ClientRef& ref, std::span<const uint8_t> message,
                        bool block) {
  uint32_t id = 0;
  switch (ref.client->transport.Send(message, id)) {
    case network::SendResult::kStarted:
      break;
    case network::SendResult::kBusy:
      return ERR_TX_QUEUE_FULL;
    case network::SendResult::kTooLong:
      return ERR_MESSAGE_TOO_LONG;
    case network::SendResult::kAddressLost:
      return ERR_ADDRESS_LOST;
  }
  ref.session->WakeWriter();
  if (!block) return 0;
  const TransferOutcome outcome =
      ref.client->transport.WaitForTransfer(id, kBlockingSendMs, [&] {
        return ref.client->Serves(ref.connection) &&
               !ref.session->LinkStopped() && !ref.session->LinkDown();
      });
  return outcome == TransferOutcome::kSent ? 0 : ERR_MESSAGE_NOT_SENT;
}

int16_t SendMessage(int16_t clientId, const uint8_t* message, int16_t size,
                    bool block) {
  // Taken once, so the frames go to this connection's queue or nowhere.
  const ClientRef ref = TheRegistry().Find(clientId);
  if (!ref) return ERR_INVALID_CLIENT_ID;
  if (ref.session->LinkStopped() || ref.session->LinkDown()) {
    return ERR_HARDWARE_NOT_RESPONDING;
  }
  const bool j1939 = ref.protocol == Protocol::kJ1939;
  const int16_t longest = j1939 ? kLongestJ1939Message : kLongestMessage;
  if (size < 0 || size > longest || message == nullptr) {
    return ERR_MESSAGE_TOO_LONG;
  }
  const std::span<const uint8_t> bytes(message, static_cast<size_t>(size));
  if (j1939 && bytes.size() >= link::kJ1939HeaderSize &&
      ref.client->transport.AddressLost(bytes[4])) {
    return ERR_ADDRESS_LOST;
  }
  if (j1939 && bytes.size() > link::kSingleFrameJ1939Size) {
    return SendByTransport(ref, bytes, block);
  }
  std::vector<link::Frame> frames;
  const auto built = link::BuildMessageFrames(
      ref.deviceId, ref.protocol == Protocol::kJ1939,
      ref.client->j1708Raw.load(std::memory_order_acquire), bytes, frames);
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
                   short, short nBlockOnSend) {
  try {
    return vlr::api::SendMessage(
        nClientID, reinterpret_cast<const uint8_t*>(fpchClientMessage),
        nMessageSize, nBlockOnSend != 0);
  } catch (...) {
    return ERR_TX_QUEUE_FULL;  // only allocation can throw here
  }
}
