#include "message_printer.h"

#include "describe.h"

namespace vlrclient {

using vlrdecode::J1939Message;
using vlrdecode::MessageEvent;

MessagePrinter::MessagePrinter(vlrdecode::ReadLayout layout,
                               vlrdecode::OutputFormat format,
                               std::ostream& out, Statistics& statistics,
                               std::chrono::microseconds (*wall_clock)())
    : layout_(layout),
      format_(format),
      out_(out),
      statistics_(statistics),
      wall_clock_(wall_clock) {}

std::chrono::microseconds MessagePrinter::SystemWallClock() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::system_clock::now().time_since_epoch());
}

bool MessagePrinter::Handle(std::span<const uint8_t> bytes) {
  auto record = vlrdecode::ParseReadBuffer(bytes, layout_);
  if (!record) return false;
  if (!wall_origin_) wall_origin_ = wall_clock_();
  MessageEvent event;
  event.timestamp_ms = record->timestamp_ms;
  event.elapsed_ms = timeline_.Elapsed(record->timestamp_ms);
  event.echoed = record->echoed;
  event.message = std::move(record->message);
  if (!Wanted(event)) {
    statistics_.CountFilteredOut();
    return true;
  }
  statistics_.Count(event.message, event.elapsed_ms);
  Print(event);
  // Our own transmissions are not part of another node's transfer.
  const auto* j1939 = std::get_if<J1939Message>(&event.message);
  if (j1939 == nullptr || event.echoed) return true;
  if (auto joined = reassembler_.Feed(*j1939, event.timestamp_ms)) {
    statistics_.CountJoined();
    MessageEvent whole = event;
    whole.reassembled = true;
    whole.message = std::move(*joined);
    Print(whole);
  }
  statistics_.SetAbandoned(reassembler_.abandoned());
  return true;
}

bool MessagePrinter::Wanted(const MessageEvent& event) const {
  const auto* m = std::get_if<J1939Message>(&event.message);
  if (!filter_ || m == nullptr || event.echoed) return true;
  return Matches(*filter_, m->pgn, m->priority, m->source, m->destination);
}

void MessagePrinter::Print(const MessageEvent& event) {
  using vlrdecode::OutputFormat;
  if (capture_) capture_->Write(event, *wall_origin_);
  if (format_ == OutputFormat::kPcap) return;
  if (format_ == OutputFormat::kCandump) {
    if (auto line = vlrdecode::FormatCandumpLine(event, *wall_origin_))
      out_ << *line << '\n';
    return;
  }
  const vlrdecode::Description description = std::visit(
      [](const auto& message) { return vlrdecode::Describe(message); },
      event.message);
  if (format_ == OutputFormat::kJson) {
    out_ << vlrdecode::FormatJsonLine(event, description) << '\n';
  } else {
    out_ << vlrdecode::FormatTextLine(event, description) << '\n';
  }
}

}  // namespace vlrclient
