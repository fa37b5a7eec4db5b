#include "link/delivery.h"

#include "connection/session.h"

namespace vlr::link {
namespace {

Protocol ProtocolOf(ParseProtocol protocol) {
  return protocol == ParseProtocol::kJ1939 ? Protocol::kJ1939
                                           : Protocol::kJ1708;
}

}  // namespace

void NotifyApplication(int value) {
  // The same name always gives the same number; registering once per
  // process keeps a system call off the path of every message.
  static const uint32_t message =
      platform::RegisterNotification(kNotificationName);
  platform::BroadcastNotification(message, static_cast<uintptr_t>(value),
                                  value);
}

bool SessionSink::Wants(ParseProtocol protocol) const {
  return session_.HasClient(ProtocolOf(protocol));
}

bool SessionSink::AcceptJ1708(uint8_t mid) {
  return session_.AnyClientAccepts(Protocol::kJ1708, nullptr, mid);
}

bool SessionSink::AcceptJ1939(const uint8_t* message) {
  return session_.AnyClientAccepts(Protocol::kJ1939, message, 0);
}

void SessionSink::DeliverJ1708(std::span<const uint8_t> message,
                               int notifyValue) {
  if (session_.Deliver(Protocol::kJ1708, message)) {
    NotifyApplication(notifyValue);
  }
}

void SessionSink::DeliverJ1939(std::span<const uint8_t> record,
                               int notifyValue) {
  if (session_.Deliver(Protocol::kJ1939, record)) {
    NotifyApplication(notifyValue);
  }
}

bool SessionSink::OkToSend() const { return session_.OkToSend(); }

void SessionSink::SetOkToSend() { session_.SetOkToSend(true); }

void SessionSink::CommandAcknowledged(uint8_t channel) {
  session_.Commands().Acknowledged(channel);
}

}  // namespace vlr::link
