// Runs scenario steps against the driver DLL the way an RP1210A application
// uses it, and prints one line per step: "STEP => RESULT".
//
//   rp1210_run [--dll NAME] STEP...     steps from the command line
//   rp1210_run [--dll NAME] --stdin     steps from standard input, one per
//                                       line, each answered at once (a test
//                                       harness drives the program this way)
//
// A step may end with "=VALUE": the step then fails unless the first word of
// its result is VALUE. Exit code 0 when every step was understood, met its
// expectation and left the stack as it found it; 1 otherwise; 2 when the
// DLL cannot be loaded.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "rp1210_functions.h"
#include "scenario_steps.h"
#include "stack_check.h"

namespace {

struct Expectation {
  std::string step;
  std::string expected;  // empty: none
};

Expectation SplitExpectation(const std::string& line) {
  const size_t end = line.find_last_not_of(" \t\r\n");
  const std::string trimmed =
      end == std::string::npos ? "" : line.substr(0, end + 1);
  const size_t space = trimmed.find_last_of(" \t");
  const size_t start = space == std::string::npos ? 0 : space + 1;
  if (start > 0 && trimmed.size() > start + 1 && trimmed[start] == '=') {
    const size_t stepEnd = trimmed.find_last_not_of(" \t", start - 1);
    return {trimmed.substr(0, stepEnd + 1), trimmed.substr(start + 1)};
  }
  return {trimmed, ""};
}

std::string FirstWord(const std::string& text) {
  return text.substr(0, text.find(' '));
}

// Runs one step and prints its line. False when it failed.
bool Perform(const Rp1210Functions& driver, const std::string& line) {
  const Expectation e = SplitExpectation(line);
  if (e.step.empty()) return true;
  const StepOutcome outcome = RunStep(driver, e.step);
  bool ok = outcome.understood;
  std::string verdict;
  if (ok && !e.expected.empty() && FirstWord(outcome.text) != e.expected) {
    ok = false;
    verdict = "  FAIL: expected " + e.expected;
  } else if (!ok) {
    verdict = "  FAIL: not understood";
  }
  std::printf("%s => %s%s\n", e.step.c_str(), outcome.text.c_str(),
              verdict.c_str());
  std::fflush(stdout);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const char* dll = "VLR1210.DLL";
  bool fromStdin = false;
  int first = 1;
  for (; first < argc && std::strncmp(argv[first], "--", 2) == 0; ++first) {
    if (std::strcmp(argv[first], "--dll") == 0 && first + 1 < argc) {
      dll = argv[++first];
    } else if (std::strcmp(argv[first], "--stdin") == 0) {
      fromStdin = true;
    } else {
      std::fprintf(stderr, "unknown option %s\n", argv[first]);
      return 2;
    }
  }
  Rp1210Functions driver;
  std::string error;
  if (!LoadRp1210Functions(dll, driver, error)) {
    std::printf("load => %s\n", error.c_str());
    std::fflush(stdout);
    return 2;
  }
  bool ok = true;
  for (int i = first; i < argc; ++i) ok &= Perform(driver, argv[i]);
  if (fromStdin) {
    for (std::string line; std::getline(std::cin, line);) {
      if (line == "quit") break;
      ok &= Perform(driver, line);
    }
  }
  if (StackDamaged()) {
    std::printf("stack => damaged  FAIL\n");
    ok = false;
  }
  std::fflush(stdout);
  return ok ? 0 : 1;
}
