#include "application_reader.h"

#include <array>

#include "cpu_usage.h"
#include "rp1210.h"

namespace vlr::bench {

ApplicationReader::ApplicationReader(uint32_t expected) : returned_(expected) {}

ApplicationReader::~ApplicationReader() {
  finishing_ = true;
  if (thread_.joinable()) thread_.join();
}

void ApplicationReader::Start() {
  thread_ = std::thread([this] { Run(); });
  while (threadId_.load() == 0) std::this_thread::yield();
}

void ApplicationReader::Finish(vlrsim::PtyAdapter& adapter) {
  finishing_ = true;
  const auto marker = SequenceData(kEndMarker);
  adapter.PutOnBus(vlrsim::Bus::kJ1939, kIdentifier, marker);
  if (thread_.joinable()) thread_.join();
}

void ApplicationReader::Run() {
  threadId_ = CurrentThreadId();
  std::array<char, 600> buffer{};
  for (;;) {
    const short n = RP1210_ReadMessage(0, buffer.data(),
                                       static_cast<short>(buffer.size()), 1);
    const Clock::time_point at = Clock::now();
    if (n <= 0) {
      if (finishing_.load()) return;
      if (n < 0) {
        // An error repeats at once (a stopped link), so it must not spin.
        ++failedReads_;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      continue;
    }
    const auto read = std::span(reinterpret_cast<const uint8_t*>(buffer.data()),
                                static_cast<size_t>(n));
    const auto sequence = SequenceOfRead(read);
    if (sequence && !Note(*sequence, at)) return;
  }
}

bool ApplicationReader::Note(uint32_t sequence, Clock::time_point at) {
  if (sequence == kEndMarker) return false;
  if (sequence >= returned_.size()) return true;
  if (returned_[sequence]) {
    ++duplicates_;
    return true;
  }
  if (static_cast<int64_t>(sequence) < lastSequence_) ++outOfOrder_;
  lastSequence_ = sequence;
  returned_[sequence] = at;
  received_.fetch_add(1);
  return true;
}

}  // namespace vlr::bench
