#include "event_reader.h"

namespace vlrdash {

std::vector<vlrdecode::MessageEvent> EventReader::Read(
    std::span<const uint8_t> bytes) {
  std::vector<vlrdecode::MessageEvent> events;
  auto record = vlrdecode::ParseReadBuffer(bytes, layout_);
  if (!record) return events;
  vlrdecode::MessageEvent& event = events.emplace_back();
  event.timestamp_ms = record->timestamp_ms;
  event.elapsed_ms = timeline_.Elapsed(record->timestamp_ms);
  event.echoed = record->echoed;
  event.message = std::move(record->message);
  const auto* j1939 = std::get_if<vlrdecode::J1939Message>(&event.message);
  if (j1939 == nullptr || event.echoed) return events;
  if (auto joined = reassembler_.Feed(*j1939, event.timestamp_ms)) {
    vlrdecode::MessageEvent whole = event;
    whole.reassembled = true;
    whole.message = std::move(*joined);
    events.push_back(std::move(whole));
  }
  return events;
}

}  // namespace vlrdash
