#include "socketcan_frame.h"

#include <algorithm>

namespace vlrdecode {

namespace {
constexpr uint32_t kExtendedFrameFlag = 0x80000000U;
}

std::optional<std::array<uint8_t, kSocketCanFrameSize>> SocketCanFrame(
    const MessageEvent& event) {
  const auto* m = std::get_if<J1939Message>(&event.message);
  if (!m || event.reassembled || m->data.size() > 8) return std::nullopt;
  const uint32_t id = IdentifierOf(*m) | kExtendedFrameFlag;
  std::array<uint8_t, kSocketCanFrameSize> frame{};
  for (int i = 0; i < 4; ++i)
    frame[i] = static_cast<uint8_t>(id >> (24 - 8 * i));
  frame[4] = static_cast<uint8_t>(m->data.size());
  std::copy(m->data.begin(), m->data.end(), frame.begin() + 8);
  return frame;
}

}  // namespace vlrdecode
