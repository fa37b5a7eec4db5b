#include "vlrsim/counted_frames.h"

#include <algorithm>

#include "vlrcommon/j1939_identifier.h"
#include "vlrsim/sums.h"

namespace vlrsim::counted {

namespace {
// Appends the byte that makes the frame's sum zero.
Bytes Closed(Bytes frame) {
  frame.push_back(ZeroSumComplement(frame));
  return frame;
}

Bytes HostFrame(uint8_t type, std::span<const uint8_t> body) {
  Bytes frame{static_cast<uint8_t>(body.size() + 5), kHostMark1, kHostMark2,
              type};
  frame.insert(frame.end(), body.begin(), body.end());
  return Closed(std::move(frame));
}
}  // namespace

Bytes HostJ1708Frame(std::span<const uint8_t> payload) {
  return HostFrame(kHostJ1708Type, payload);
}

Bytes HostJ1939Frame(std::span<const uint8_t> message) {
  return HostFrame(kHostJ1939Type, message);
}

Bytes J1708Frame(uint8_t mid, std::span<const uint8_t> data) {
  // The length byte counts the whole frame, so the data is cut where the
  // frame would pass 255 bytes.
  data = data.first(std::min<size_t>(data.size(), 248));
  Bytes message{mid};
  message.insert(message.end(), data.begin(), data.end());
  message.push_back(ZeroSumComplement(message));
  Bytes frame{static_cast<uint8_t>(message.size() + kJ1708FrameOverhead),
              kAdapterJ1708Type, 0x00, 0x00};
  frame.insert(frame.end(), message.begin(), message.end());
  return Closed(std::move(frame));
}

namespace j1939 = vlrcommon::j1939;

Bytes J1939Layout(uint32_t identifier, std::span<const uint8_t> data) {
  const j1939::IdentifierFields id = j1939::SplitIdentifier(identifier);
  const uint8_t ps = id.pdu_specific;
  Bytes layout{
      ps,
      id.pdu_format,
      static_cast<uint8_t>(id.page & 1),
      id.priority,
      id.source,
      static_cast<uint8_t>(j1939::IsPdu1Format(id.pdu_format) ? ps : 0)};
  layout.resize(14, 0xFF);
  const size_t count = std::min<size_t>(data.size(), 8);
  std::copy_n(data.begin(), count, layout.begin() + 6);
  return layout;
}

uint32_t J1939LayoutIdentifier(std::span<const uint8_t> layout) {
  j1939::IdentifierFields id;
  id.pdu_specific = layout[0];
  id.pdu_format = layout[1];
  id.page = layout[2] & 1;
  id.priority = layout[3];
  id.source = layout[4];
  return j1939::JoinIdentifier(id);
}

Bytes J1939Frame(uint32_t identifier, std::span<const uint8_t> data) {
  Bytes frame{kJ1939FrameLength, kAdapterJ1939Type, 0x00, 0x00};
  const Bytes layout = J1939Layout(identifier, data);
  frame.insert(frame.end(), layout.begin(), layout.end());
  return Closed(std::move(frame));
}

}  // namespace vlrsim::counted
