// rp1210_run.exe under Wine, taking scenario steps one at a time: the
// application's side of every Windows test.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"

namespace winetest {

class DriverProgram {
 public:
  // Generous: a silent 2xx adapter alone keeps a connect busy for about six
  // seconds, and the machine is shared.
  static constexpr std::chrono::milliseconds kStepTimeout{30000};

  // `environment` entries are added to the prefix's own; the program's
  // standard error goes to `errorLog` (default: the shared log).
  bool Start(std::string& error,
             const std::vector<std::string>& environment = {},
             const std::string& errorLog = {});
  // The result of one step (the text after " => "), or "<no answer>" when
  // the program did not answer in time or has ended.
  std::string Step(const std::string& step,
                   std::chrono::milliseconds timeout = kStepTimeout);
  // Ends the program with "quit"; its exit code (nothing when it hung).
  std::optional<int> Finish();
  bool Running() const { return running_; }
  // The Wine process the program runs in.
  pid_t Pid() const { return process_.Pid(); }

 private:
  ChildProcess process_;
  bool running_ = false;
};

}  // namespace winetest
