#include "link/delivery.h"

#include "connection/connection_state.h"
#include "link/command_channel.h"

namespace vlr::link {

void DeliverToClient(std::span<const uint8_t> record, uint8_t echo,
                     int notifyValue) {
  ClientSlot& slot = Clients().Slot(0);
  if (!record.empty()) {
    // A failed push (no memory) loses this message only; the link goes on.
    slot.rxQueue->Push(record.data(), static_cast<uint32_t>(record.size()),
                       true, 0, echo);
  }
  // The same name always gives the same number; registering once per
  // process keeps a system call off the path of every message.
  static const uint32_t message =
      platform::RegisterNotification(kNotificationName);
  platform::BroadcastNotification(message, static_cast<uintptr_t>(notifyValue),
                                  notifyValue);
}

ParseProtocol ConnectionSink::Protocol() const {
  return Connection().IsJ1939() ? ParseProtocol::kJ1939 : ParseProtocol::kJ1708;
}

bool ConnectionSink::J1708RawMode() const {
  return Connection().j1708RawMode.load(std::memory_order_relaxed) != 0;
}

bool ConnectionSink::AcceptJ1708(uint8_t mid) {
  return Clients().MatchJ1708(0, mid);
}

bool ConnectionSink::AcceptJ1939(const uint8_t* message) {
  return Clients().MatchJ1939(0, message);
}

void ConnectionSink::Deliver(std::span<const uint8_t> record, int notifyValue) {
  // A one-byte J1708 payload is a checksum without a MID: in converted mode
  // nothing of it is left to hand to the application.
  if (record.empty()) return;
  DeliverToClient(record, 0, notifyValue);
}

bool ConnectionSink::OkToSend() const {
  return Connection().OkToSend.load(std::memory_order_acquire) != 0;
}

void ConnectionSink::SetOkToSend() {
  Connection().OkToSend.store(1, std::memory_order_release);
}

void ConnectionSink::CommandAcknowledged(uint8_t channel) {
  Commands().Acknowledged(channel);
}

}  // namespace vlr::link
