#include "vlrscenario/replay_source.h"

#include <utility>

namespace vlrscenario {
namespace {

class ReplaySource final : public vlrsim::TrafficSource {
 public:
  ReplaySource(Capture capture, ReplayOptions options)
      : messages_(std::move(capture.messages)), options_(options) {}

  std::optional<vlrsim::TimedMessage> Next() override {
    if (next_ == messages_.size()) {
      if (!options_.loop || messages_.empty()) return std::nullopt;
      round_start_ += messages_.back().at + options_.loop_gap;
      next_ = 0;
    }
    vlrsim::TimedMessage message = messages_[next_++];
    message.at = Scaled(round_start_ + message.at);
    return message;
  }

 private:
  std::chrono::microseconds Scaled(std::chrono::microseconds at) const {
    if (options_.speed <= 0) return std::chrono::microseconds{0};
    return std::chrono::microseconds(
        static_cast<int64_t>(static_cast<double>(at.count()) / options_.speed));
  }

  std::vector<vlrsim::TimedMessage> messages_;
  ReplayOptions options_;
  std::size_t next_ = 0;
  std::chrono::microseconds round_start_{0};
};

}  // namespace

std::unique_ptr<vlrsim::TrafficSource> MakeReplaySource(Capture capture,
                                                        ReplayOptions options) {
  return std::make_unique<ReplaySource>(std::move(capture), options);
}

}  // namespace vlrscenario
