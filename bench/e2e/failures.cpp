#include "failures.h"

#include <atomic>

namespace vlr::bench {
namespace {
std::atomic<bool> failed{false};
}  // namespace

void Fail(benchmark::State& state, const std::string& why) {
  failed = true;
  // Only the first reason counts; Google Benchmark takes one per run.
  if (!state.error_occurred()) state.SkipWithError(why.c_str());
}

bool AnyFailed() { return failed.load(); }

}  // namespace vlr::bench
