#pragma once

#include <cstdint>
#include <span>

#include "link/parser.h"

namespace vlr::link {

inline constexpr char kNotificationName[] = "Vlr1210MessageString";

// Queues one record for the application on client slot 0 and broadcasts the
// notification with `notifyValue` as both parameters. The record's
// timestamp is the tick count now.
void DeliverToClient(std::span<const uint8_t> record, uint8_t echo,
                     int notifyValue);

// The parsers' view of the open connection.
class ConnectionSink final : public ParserSink {
 public:
  ParseProtocol Protocol() const override;
  bool J1708RawMode() const override;
  bool AcceptJ1708(uint8_t mid) override;
  bool AcceptJ1939(const uint8_t* message) override;
  void Deliver(std::span<const uint8_t> record, int notifyValue) override;
  bool OkToSend() const override;
  void SetOkToSend() override;
  void CommandAcknowledged(uint8_t channel) override;
};

}  // namespace vlr::link
