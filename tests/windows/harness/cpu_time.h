// CPU time of Linux processes and threads, from /proc, for figures of what
// a program under Wine costs.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <string>

namespace winetest {

using ThreadIds = std::set<pid_t>;

ThreadIds ThreadsOf(pid_t pid);
// Nanoseconds on a CPU (schedstat), summed over `threads` of `pid` that
// still run.
uint64_t CpuNs(pid_t pid, const ThreadIds& threads);
// The wineserver that serves the prefix at `prefix`; -1 when none runs.
pid_t WineServerOf(const std::string& prefix);

}  // namespace winetest
