// Every harness run starts with no Wine session of the shared prefix left
// over (one started by an earlier suite without an X display would give
// this run's programs no windows) and ends its own, so no Wine program
// outlives the run or its private X server.
#include <gtest/gtest.h>

#include <system_error>

#include "wine_prefix.h"

namespace winetest {
namespace {

class FreshSession : public ::testing::Environment {
 public:
  static constexpr uintmax_t kLogLimit = 4 << 20;

  void SetUp() override {
    if (SharedPrefix().IsBooted()) SharedPrefix().EndSession();
    // The log only matters for the run that just failed.
    std::error_code ignored;
    if (fs::file_size(ErrorLog(), ignored) > kLogLimit)
      fs::resize_file(ErrorLog(), 0, ignored);
  }
  void TearDown() override {
    if (SharedPrefix().IsBooted()) SharedPrefix().EndSession();
  }
};

[[maybe_unused]] ::testing::Environment* const kFreshSession =
    ::testing::AddGlobalTestEnvironment(new FreshSession);

}  // namespace
}  // namespace winetest
