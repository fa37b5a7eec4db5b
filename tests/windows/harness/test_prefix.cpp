// Runs first (ctest fixture): boots the shared prefix once, so the suites
// after it start in well under a second.
#include <gtest/gtest.h>

#include "product_version.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;

TEST(Prefix, BootsAndRunsTheTestProgram) {
  std::string error;
  ASSERT_TRUE(EnsureSharedPrefix(error)) << error;
  const auto run = SharedPrefix().Run(
      {(Layout().bin / "rp1210_run.exe").string(), "version"}, 120s);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "version => " + ReadVersionResult() + "\n");
}

}  // namespace
}  // namespace winetest
