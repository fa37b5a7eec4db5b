#include "vlrscenario/capture.h"

#include <algorithm>
#include <utility>

namespace vlrscenario {

void CaptureBuilder::Add(std::chrono::microseconds recorded_at, vlrsim::Bus bus,
                         uint32_t id, std::vector<uint8_t> data) {
  if (!first_) first_ = recorded_at;
  const std::chrono::microseconds offset =
      std::max(recorded_at - *first_, last_);
  last_ = offset;
  vlrsim::TimedMessage message;
  message.at = offset;
  message.bus = bus;
  message.id = id;
  message.data = std::move(data);
  capture_.messages.push_back(std::move(message));
}

}  // namespace vlrscenario
