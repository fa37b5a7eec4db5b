#include "message_schedule.h"

#include <utility>

namespace vlrscenario {

void MessageSchedule::AddStream(std::chrono::microseconds first_due,
                                FireFn fire) {
  streams_.push_back(Stream{first_due, std::move(fire)});
}

MessageSchedule::Stream* MessageSchedule::EarliestStream() {
  Stream* earliest = nullptr;
  for (Stream& stream : streams_) {
    if (stream.due && (!earliest || *stream.due < *earliest->due)) {
      earliest = &stream;
    }
  }
  return earliest;
}

void MessageSchedule::Fire(Stream& stream) {
  Firing firing = stream.fire(*stream.due);
  // A stream that does not move forward would fire for ever at one time.
  if (firing.next_due && *firing.next_due <= *stream.due)
    firing.next_due.reset();
  stream.due = firing.next_due;
  for (vlrsim::TimedMessage& message : firing.messages) {
    pending_.push(Pending{std::move(message), produced_++});
  }
}

std::optional<vlrsim::TimedMessage> MessageSchedule::Next() {
  // Every stream due no later than the earliest pending message may still
  // produce something before it, so fire those first.
  while (Stream* stream = EarliestStream()) {
    if (!pending_.empty() && *stream->due > pending_.top().message.at) break;
    if (end_ && *stream->due > *end_) break;
    Fire(*stream);
  }
  if (pending_.empty()) return std::nullopt;
  if (end_ && pending_.top().message.at > *end_) return std::nullopt;
  vlrsim::TimedMessage message = pending_.top().message;
  pending_.pop();
  return message;
}

}  // namespace vlrscenario
