// A one-line progress report (messages, rate) that rewrites itself on a
// terminal during long runs. It shows only when stderr is a terminal and
// stdout is not: a user watching a redirected run sees it, while a file
// or pipe gets clean output and a terminal showing the messages
// themselves is not cluttered.
#pragma once

#include <chrono>
#include <cstdint>

namespace vlrclient {

class Progress {
 public:
  // `enabled` false makes every call do nothing (see ShouldShowProgress).
  explicit Progress(bool enabled) : enabled_(enabled) {}
  ~Progress() { Finish(); }

  void Update(uint64_t messages);
  // Clears the line so what follows starts clean.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled_;
  bool shown_ = false;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_{};
};

// `messages_on_stdout` false: the messages go to a file, so a terminal on
// stdout is free for nothing else either.
bool ShouldShowProgress(bool messages_on_stdout);

}  // namespace vlrclient
