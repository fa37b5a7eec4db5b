// Where the recorded vehicle captures are, and a skip when they are absent.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vlrscenario::testing {

inline std::string SharedDataFile(const char* name) {
  return std::string(VLR_SHARED_DATA_DIR) + "/" + name;
}

}  // namespace vlrscenario::testing

// Skips the current test when the capture is not beside the project.
#define SKIP_UNLESS_PRESENT(path)                        \
  do {                                                   \
    if (!std::filesystem::exists(path)) {                \
      GTEST_SKIP() << "capture not present: " << (path); \
    }                                                    \
  } while (0)
