// CPU time of the process and of groups of its threads over a window of
// wall time. The simulated adapter runs in the benchmark's own process, so
// the process figure alone would charge the simulator's work to the driver;
// the groups (driver threads, application reader, simulator) split it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

namespace vlr::bench {

using ThreadIds = std::set<pid_t>;

// The threads of this process now.
ThreadIds ProcessThreads();
// The caller's kernel thread id.
pid_t CurrentThreadId();

struct CpuShare {
  std::string group;
  double msPerSecond = 0;
};

struct CpuFigures {
  double processMsPerSecond = 0;  // getrusage of the whole process
  std::vector<CpuShare> groups;
};

class CpuMeter {
 public:
  // Groups must be added before Start.
  void AddGroup(std::string name, ThreadIds threads);
  void Start();
  CpuFigures Stop() const;

 private:
  struct Group {
    std::string name;
    ThreadIds threads;
    double startSeconds = 0;
  };
  std::vector<Group> groups_;
  std::chrono::steady_clock::time_point startWall_{};
  double startProcessSeconds_ = 0;
};

}  // namespace vlr::bench
