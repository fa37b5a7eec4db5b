// Runs the vlr1210 program as a user would, in a scratch directory, with a
// time limit, and collects its exit status and output.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace vlrclient::testing {

struct RunResult {
  int status = -1;  // the exit status; 124 when the time limit ended it
  std::string out;
  std::string err;
};

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vlr1210-cli-XXXXXX")
            .string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// `environment` is "NAME=value ..." put before the program; `args` are
// passed through the shell as written.
inline RunResult RunProgram(const ScratchDirectory& scratch,
                            const std::string& args,
                            const std::string& environment = "",
                            int time_limit_s = 60) {
  const std::string out = scratch.File("stdout"), err = scratch.File("stderr");
  const std::string command =
      "env " + environment + " timeout -k 5 " + std::to_string(time_limit_s) +
      " " VLR1210_PROGRAM " " + args + " >" + out + " 2>" + err + " </dev/null";
  const int status = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(out);
  result.err = ReadFile(err);
  return result;
}

// A program started in the background, ended (by its process id) when the
// test is done with it.
class BackgroundProgram {
 public:
  BackgroundProgram(const ScratchDirectory& scratch, const std::string& name,
                    const std::string& args,
                    const std::string& environment = "")
      : pid_file_(scratch.File(name + ".pid")) {
    const std::string command = "env " + environment + " " VLR1210_PROGRAM " " +
                                args + " >" + scratch.File(name + ".out") +
                                " 2>" + scratch.File(name + ".err") +
                                " </dev/null & echo $! >" + pid_file_;
    if (std::system(command.c_str()) == 0)
      pid_ = std::stoi("0" + ReadFile(pid_file_));
  }
  ~BackgroundProgram() {
    if (pid_ <= 0) return;
    kill(pid_, SIGINT);
    for (int i = 0; i < 100 && kill(pid_, 0) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  bool started() const { return pid_ > 0; }

 private:
  std::string pid_file_;
  pid_t pid_ = -1;
};

// Waits, within a generous bound, until `path` exists.
inline bool WaitForPath(const std::string& path,
                        std::chrono::seconds bound = std::chrono::seconds(20)) {
  const auto until = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < until) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace vlrclient::testing
