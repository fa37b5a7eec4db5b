#include "driver_program.h"

#include "wine_prefix.h"

namespace winetest {

using namespace std::chrono_literals;

bool DriverProgram::Start(std::string& error,
                          const std::vector<std::string>& environment,
                          const std::string& errorLog) {
  const auto program = Layout().bin / "rp1210_run.exe";
  SharedPrefix().StartServer();
  auto variables = SharedPrefix().Environment();
  variables.insert(variables.end(), environment.begin(), environment.end());
  running_ =
      process_.Start({Layout().loader, program.string(), "--stdin"}, variables,
                     errorLog.empty() ? ErrorLog() : errorLog, error);
  return running_;
}

std::string DriverProgram::Step(const std::string& step,
                                std::chrono::milliseconds timeout) {
  if (!running_ || !process_.WriteLine(step)) return "<no answer>";
  const auto line = process_.ReadLine(timeout);
  if (!line) return "<no answer>";
  const size_t arrow = line->find(" => ");
  if (arrow == std::string::npos) return "<unexpected: " + *line + ">";
  return line->substr(arrow + 4);
}

std::optional<int> DriverProgram::Finish() {
  if (!running_) return std::nullopt;
  running_ = false;
  process_.WriteLine("quit");
  process_.CloseInput();
  process_.ReadAll(10s);
  auto code = process_.Wait(10s);
  if (!code) process_.Kill();
  return code;
}

}  // namespace winetest
