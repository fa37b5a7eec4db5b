#include "cpu_time.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace winetest {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

ThreadIds ThreadsOf(pid_t pid) {
  ThreadIds ids;
  std::error_code error;
  const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& entry : fs::directory_iterator(tasks, error)) {
    ids.insert(static_cast<pid_t>(std::stol(entry.path().filename())));
  }
  return ids;
}

uint64_t CpuNs(pid_t pid, const ThreadIds& threads) {
  uint64_t total = 0;
  for (const pid_t tid : threads) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" +
                     std::to_string(tid) + "/schedstat");
    uint64_t ns = 0;
    if (in >> ns) total += ns;
  }
  return total;
}

// Its environment names the prefix: a server started for the prefix
// inherits WINEPREFIX from whoever started it.
pid_t WineServerOf(const std::string& prefix) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (Contents(entry.path() / "comm").rfind("wineserver", 0) != 0) continue;
    const std::string environment = Contents(entry.path() / "environ");
    if (environment.find("WINEPREFIX=" + prefix + '\0') != std::string::npos) {
      return static_cast<pid_t>(std::stol(name));
    }
  }
  return -1;
}

}  // namespace winetest
