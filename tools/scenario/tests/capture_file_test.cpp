#include "vlrscenario/capture_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "shared_data.h"

namespace vlrscenario {
namespace {

class TempFile {
 public:
  explicit TempFile(const std::string& content)
      : path_(
            std::filesystem::temp_directory_path() /
            ("vlrscenario_" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::ofstream(path_) << content;
  }
  ~TempFile() { std::filesystem::remove(path_); }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST(SniffCaptureFormat, TellsTheKindsApartByTheFirstRecord) {
  struct Case {
    const char* text;
    std::optional<CaptureFormat> expected;
  };
  const Case cases[] = {
      {"(1.0) can0 0CF00400#00\n", CaptureFormat::kCandump},
      {"\n# J1708 replay\n0.0 J1708 80 01\n", CaptureFormat::kText},
      {"Vehicle Spy 3 Bus Traffic File\nLine,Abs Time(Sec)\n",
       CaptureFormat::kNeoviCsv},
      {"\n\n# nothing but comments\n", std::nullopt},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    EXPECT_EQ(SniffCaptureFormat(in), c.expected) << c.text;
  }
}

TEST(LoadCaptureFile, NamesTheFileAndLineOfAnError) {
  TempFile file("(1.0) can0 0CF00400#00\n(1.1) can0 0CF00400#0\n");
  auto capture = LoadCaptureFile(file.path());
  ASSERT_FALSE(capture);
  EXPECT_EQ(capture.error().line, 2u);
  const std::string text = capture.error().ToString();
  EXPECT_EQ(text.rfind(file.path() + ":2: ", 0), 0u) << text;
  EXPECT_NE(text.find("candump"), std::string::npos) << text;
}

TEST(LoadCaptureFile, ReportsMissingAndEmptyFiles) {
  auto missing = LoadCaptureFile("/nonexistent/vlr1210/capture.log");
  ASSERT_FALSE(missing);
  EXPECT_NE(missing.error().ToString().find("cannot open"), std::string::npos);

  TempFile empty("# nothing\n");
  auto none = LoadCaptureFile(empty.path());
  ASSERT_FALSE(none);
  EXPECT_NE(none.error().ToString().find("no records"), std::string::npos);
}

TEST(LoadCaptureFile, ReadsEveryBundledCapture) {
  for (const char* name :
       {"marine-j1939-startup.candump.log", "truck-j1939-j1708.neovi.csv"}) {
    const std::string path = testing::SharedDataFile(name);
    SKIP_UNLESS_PRESENT(path);
    auto capture = LoadCaptureFile(path);
    ASSERT_TRUE(capture) << capture.error().ToString();
    EXPECT_GT(capture.value().messages.size(), 1000u) << name;
  }
}

}  // namespace
}  // namespace vlrscenario
