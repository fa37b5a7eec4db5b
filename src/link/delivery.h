#pragma once

#include <cstdint>
#include <span>

#include "link/parser.h"

namespace vlr {
class Session;
}

namespace vlr::link {

inline constexpr char kNotificationName[] = "Vlr1210MessageString";

// Broadcasts the notification that a message was queued for the
// application, with `value` as both parameters.
void NotifyApplication(int value);

// The parsers' view of an open device.
class SessionSink final : public ParserSink {
 public:
  explicit SessionSink(Session& session) : session_(session) {}
  bool Wants(ParseProtocol protocol) const override;
  bool AcceptJ1708(uint8_t mid) override;
  bool AcceptJ1939(const uint8_t* message) override;
  void DeliverJ1708(std::span<const uint8_t> message, int notifyValue) override;
  void DeliverJ1939(std::span<const uint8_t> record, int notifyValue) override;
  bool OkToSend() const override;
  void SetOkToSend() override;
  void CommandAcknowledged(uint8_t channel) override;

 private:
  Session& session_;
};

}  // namespace vlr::link
