#include "cpu_usage.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace vlr::bench {
namespace {

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

std::string TaskFile(pid_t tid, const char* name) {
  return "/proc/self/task/" + std::to_string(tid) + "/" + name;
}

// Run time from the scheduler's statistics, in nanoseconds; the tick
// counts of the stat file are 10 ms coarse, too coarse for a thread that
// wakes for a few microseconds every 10 ms.
std::optional<double> ScheduledSeconds(pid_t tid) {
  std::ifstream file(TaskFile(tid, "schedstat"));
  unsigned long long ns = 0;
  if (!(file >> ns)) return std::nullopt;
  return static_cast<double>(ns) / 1e9;
}

// User plus system time from the stat file, for kernels without schedstat.
double TickSeconds(pid_t tid) {
  std::ifstream file(TaskFile(tid, "stat"));
  std::string line;
  if (!std::getline(file, line)) return 0;
  // The command name may hold spaces and parentheses; the fields that
  // follow it start after its last closing parenthesis, with field 3.
  const auto close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  unsigned long long ticks = 0;
  for (int number = 3; number <= 15 && fields >> field; ++number) {
    if (number >= 14) ticks += std::stoull(field);  // utime, stime
  }
  return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// 0 once the thread has ended.
double ThreadCpuSeconds(pid_t tid) {
  return ScheduledSeconds(tid).value_or(TickSeconds(tid));
}

double GroupCpuSeconds(const ThreadIds& threads) {
  double total = 0;
  for (pid_t tid : threads) total += ThreadCpuSeconds(tid);
  return total;
}

}  // namespace

ThreadIds ProcessThreads() {
  ThreadIds threads;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/self/task", error)) {
    threads.insert(static_cast<pid_t>(std::stol(entry.path().filename())));
  }
  return threads;
}

pid_t CurrentThreadId() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

void CpuMeter::AddGroup(std::string name, ThreadIds threads) {
  groups_.push_back(Group{std::move(name), std::move(threads), 0});
}

void CpuMeter::Start() {
  startWall_ = std::chrono::steady_clock::now();
  startProcessSeconds_ = ProcessCpuSeconds();
  for (Group& group : groups_) {
    group.startSeconds = GroupCpuSeconds(group.threads);
  }
}

CpuFigures CpuMeter::Stop() const {
  const double wall = std::chrono::duration<double>(
                          std::chrono::steady_clock::now() - startWall_)
                          .count();
  CpuFigures figures;
  if (wall <= 0) return figures;
  figures.processMsPerSecond =
      1000 * (ProcessCpuSeconds() - startProcessSeconds_) / wall;
  for (const Group& group : groups_) {
    const double used = GroupCpuSeconds(group.threads) - group.startSeconds;
    figures.groups.push_back(CpuShare{group.name, 1000 * used / wall});
  }
  return figures;
}

}  // namespace vlr::bench
