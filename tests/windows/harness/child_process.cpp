#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace winetest {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& t : texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::string NameOf(const std::string& entry) {
  return entry.substr(0, entry.find('=') + 1);
}

// The harness's environment with `extra` entries added; of entries with
// the same name the last one wins.
std::vector<std::string> MergedEnvironment(
    const std::vector<std::string>& extra) {
  std::vector<std::string> merged;
  for (char** e = environ; *e != nullptr; ++e) merged.emplace_back(*e);
  merged.insert(merged.end(), extra.begin(), extra.end());
  std::vector<std::string> unique;
  for (auto it = merged.rbegin(); it != merged.rend(); ++it) {
    bool seen = false;
    for (const auto& u : unique) seen |= NameOf(u) == NameOf(*it);
    if (!seen) unique.push_back(*it);
  }
  return unique;
}

int RemainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exitCode_) Kill();
  if (input_ >= 0) ::close(input_);
  if (output_ >= 0) ::close(output_);
}

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment,
                         const std::string& errorLog, std::string& error) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, errorLog.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  auto args = argv;
  auto env = MergedEnvironment(environment);
  const int status =
      ::posix_spawnp(&pid_, args[0].c_str(), &actions, nullptr,
                     Pointers(args).data(), Pointers(env).data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  input_ = in[1];
  output_ = out[0];
  if (status != 0) {
    error = "cannot start " + argv[0] + ": " + std::strerror(status);
    pid_ = -1;
    return false;
  }
  return true;
}

bool ChildProcess::WriteLine(const std::string& line) {
  if (input_ < 0) return false;
  const std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(input_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void ChildProcess::CloseInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

std::optional<std::string> ChildProcess::ReadLine(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (output_ < 0) return std::nullopt;
    pollfd p{output_, POLLIN, 0};
    const int ready = ::poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char buffer[4096];
    const ssize_t n = ::read(output_, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(output_);
      output_ = -1;
      continue;  // a last line without its end is dropped
    }
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

std::string ChildProcess::ReadAll(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::string all;
  while (auto line = ReadLine(milliseconds(RemainingMs(deadline)))) {
    all += *line + "\n";
  }
  all += pending_;
  pending_.clear();
  return all;
}

std::optional<int> ChildProcess::Wait(milliseconds timeout) {
  if (exitCode_ || pid_ <= 0) return exitCode_;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exitCode_ =
          WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitCode_;
    }
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(milliseconds(10));
  }
}

void ChildProcess::Kill() {
  if (pid_ <= 0 || exitCode_) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  exitCode_ = 128 + SIGKILL;
}

RunResult RunProgram(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment,
                     const std::string& errorLog, milliseconds timeout) {
  ChildProcess child;
  std::string error;
  if (!child.Start(argv, environment, errorLog, error)) return {{}, error};
  child.CloseInput();
  const auto start = Clock::now();
  RunResult result;
  result.output = child.ReadAll(timeout);
  const auto used =
      std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  result.exitCode =
      child.Wait(timeout > used ? timeout - used : milliseconds(0));
  if (!result.exitCode) child.Kill();
  return result;
}

}  // namespace winetest
