// vlr1210-sim: a simulated adapter on a pseudo-terminal (or a serial device)
// for people and for test harnesses. Prints the slave path (or the device)
// first, then runs until SIGINT,
// SIGTERM, `quit` or the end of stdin.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

#include "host_frame_text.h"
#include "program_options.h"
#include "stdin_control.h"
#include "vlrsim/pty_adapter.h"

namespace vlrsim::program {
namespace {

std::mutex stdout_lock;  // the I/O thread's log lines and control answers

void PrintLine(const std::string& line) {
  std::lock_guard guard(stdout_lock);
  std::cout << line << std::endl;
}

// Signals are taken through a descriptor, so the main loop can wait for a
// signal and for stdin in one poll; blocked before any thread starts so
// that no other thread receives them.
int BlockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signalfd(-1, &signals, SFD_CLOEXEC);
}

// Handles complete lines in `pending`; true when a `quit` came.
bool RunPendingLines(PtyAdapter& adapter, std::string& pending) {
  size_t end;
  while ((end = pending.find('\n')) != std::string::npos) {
    const std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    std::ostringstream answer;
    const auto outcome = RunControlLine(adapter, line, answer);
    std::string text = answer.str();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    PrintLine(text);
    if (outcome == ControlOutcome::kQuit) return true;
  }
  return false;
}

void RunUntilStopped(PtyAdapter& adapter, const ProgramOptions& options,
                     int signal_fd) {
  const bool use_stdin = options.stdin_control || options.watch_stdin;
  std::string pending;
  for (;;) {
    pollfd fds[2] = {{signal_fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    if (::poll(fds, use_stdin ? 2 : 1, -1) < 0) continue;
    if (fds[0].revents & POLLIN) return;
    if (!use_stdin || fds[1].revents == 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) return;  // end of stdin
    if (!options.stdin_control) continue;
    pending.append(buffer, static_cast<size_t>(n));
    if (RunPendingLines(adapter, pending)) return;
  }
}

int Main(int argc, char** argv) {
  ProgramOptions options;
  std::string error;
  if (!ParseCommandLine(argc, argv, options, error)) {
    std::cerr << "vlr1210-sim: " << error << " (see --help)\n";
    return 2;
  }
  if (options.help) {
    PrintUsage(std::cout);
    return 0;
  }
  const int signal_fd = BlockStopSignals();
  // A long run would grow a recording without bound; the log prints frames
  // as they come instead.
  options.adapter.record = false;
  if (options.log) {
    options.adapter.on_host_frame = [](const HostFrame& frame) {
      PrintLine(HostFrameText(frame));
    };
  }
  try {
    PtyAdapter adapter(options.adapter);
    for (const auto& link : options.links) adapter.LinkTo(link);
    PrintLine(adapter.SlavePath());
    if (options.source) adapter.Play(std::move(options.source));
    for (const NetworkLine& line : options.network_actions) {
      if (auto error = ApplyNetworkLine(adapter, line); !error.empty()) {
        std::cerr << "vlr1210-sim: --network: " << error << "\n";
      }
    }
    RunUntilStopped(adapter, options, signal_fd);
  } catch (const std::exception& e) {
    std::cerr << "vlr1210-sim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace vlrsim::program

int main(int argc, char** argv) { return vlrsim::program::Main(argc, argv); }
