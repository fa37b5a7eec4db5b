// A program started by the harness (wine and its helpers), with its
// standard input and output on pipes so the harness can talk to it line by
// line. Its standard error goes to a log file, where Wine's own chatter
// belongs.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace winetest {

using std::chrono::milliseconds;

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // ends the program if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // `environment` entries ("NAME=value") are added to the harness's own.
  bool Start(const std::vector<std::string>& argv,
             const std::vector<std::string>& environment,
             const std::string& errorLog, std::string& error);

  bool WriteLine(const std::string& line);
  void CloseInput();
  // One line without its end ("\n" or "\r\n"); nothing on time-out or end.
  std::optional<std::string> ReadLine(milliseconds timeout);
  // Everything the program writes until it closes its output.
  std::string ReadAll(milliseconds timeout);
  // The exit code; nothing when it has not ended within `timeout`.
  std::optional<int> Wait(milliseconds timeout);
  void Kill();
  // The program's process id (-1 when none was started).
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string pending_;
  std::optional<int> exitCode_;
};

struct RunResult {
  std::optional<int> exitCode;  // nothing: killed after the time-out
  std::string output;
};

// Runs a program to its end, its input closed.
RunResult RunProgram(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment,
                     const std::string& errorLog, milliseconds timeout);

}  // namespace winetest
