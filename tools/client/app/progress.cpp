#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace vlrclient {

bool ShouldShowProgress(bool messages_on_stdout) {
  return isatty(STDERR_FILENO) &&
         (!messages_on_stdout || !isatty(STDOUT_FILENO));
}

void Progress::Update(uint64_t messages) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (shown_ && now - last_ < std::chrono::milliseconds(500)) return;
  last_ = now;
  shown_ = true;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::fprintf(stderr, "\r%llu messages, %.1f/s, %.0f s   ",
               static_cast<unsigned long long>(messages),
               seconds > 0 ? static_cast<double>(messages) / seconds : 0.0,
               seconds);
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!shown_) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace vlrclient
