// The Win32 backend of the platform layer checked on its own under Wine
// (platform_check.exe), for what the driver scenarios do not reach.
#include <gtest/gtest.h>

#include "wine_prefix.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;

TEST(PlatformBackend, HoldsItsContract) {
  std::string error;
  ASSERT_TRUE(EnsureSharedPrefix(error)) << error;
  const auto run = SharedPrefix().Run(
      {(Layout().bin / "platform_check.exe").string()}, 120s);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("\n0 failed\n"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace winetest
