#include "stop_signal.h"

#include <atomic>
#include <csignal>

namespace vlrclient {
namespace {

// Lock-free, so a signal handler may store to it.
std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) { stop_requested.store(true); }

}  // namespace

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return stop_requested.load(); }

}  // namespace vlrclient
