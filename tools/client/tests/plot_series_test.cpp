// The data behind a plot: the series decoded from captures, what the
// layout keeps of them, and the files drawn from it (valid PNG and SVG of
// the asked size). Pixels are not compared.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "j1939_signals.h"
#include "messages.h"
#include "plot_layout.h"
#include "plot_render.h"
#include "signal_series.h"
#include "vlrscenario/capture_file.h"
#include "vlrscenario/truck_scenario.h"

namespace vlrplot {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class PlotFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vlr-plot-XXXXXX");
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Draws both kinds and checks they are what they claim, of the size asked.
  void ExpectDrawn(const PlotLayout& layout) {
    for (const std::string name : {"plot.png", "plot.svg"}) {
      const std::string path = dir_ + "/" + name;
      ASSERT_EQ(RenderPlot(layout, path), "") << path;
      const std::string bytes = Slurp(path);
      if (name == "plot.png") {
        ASSERT_GT(bytes.size(), 24u);
        EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
        EXPECT_EQ(bytes.substr(12, 4), "IHDR");
        auto be32 = [&](std::size_t at) {
          return (uint32_t{uint8_t(bytes[at])} << 24) |
                 (uint32_t{uint8_t(bytes[at + 1])} << 16) |
                 (uint32_t{uint8_t(bytes[at + 2])} << 8) |
                 uint8_t(bytes[at + 3]);
        };
        EXPECT_EQ(be32(16), static_cast<uint32_t>(layout.width));
        EXPECT_EQ(be32(20), static_cast<uint32_t>(layout.height));
      } else {
        std::smatch match;
        ASSERT_TRUE(
            std::regex_search(bytes, match,
                              std::regex("<svg[^>]* width=\"([0-9]+)(px)?\" "
                                         "height=\"([0-9]+)(px)?\"")))
            << bytes.substr(0, 300);
        EXPECT_EQ(std::stoi(match[1]), layout.width);
        EXPECT_EQ(std::stoi(match[3]), layout.height);
        EXPECT_NE(bytes.find("</svg>"), std::string::npos);
      }
    }
  }

  std::string dir_;
};

// Every point drawn is a decoded sample, inside its panel, and the thinning
// keeps each series' extremes.
void ExpectPointsAreSamples(const Panel& panel, const Series& series) {
  std::set<std::pair<double, double>> samples;
  for (std::size_t i = 0; i < series.values.size(); ++i)
    samples.emplace(series.seconds[i], series.values[i]);
  double low = 1e300, high = -1e300;
  for (const auto& point : panel.points) {
    EXPECT_TRUE(samples.count(point)) << point.first << " " << point.second;
    EXPECT_GE(panel.Y(point.second), panel.top - 1e-9);
    EXPECT_LE(panel.Y(point.second), panel.top + panel.height + 1e-9);
    EXPECT_GE(panel.X(point.first), panel.left - 1e-9);
    EXPECT_LE(panel.X(point.first), panel.left + panel.width + 1e-9);
    low = std::min(low, point.second);
    high = std::max(high, point.second);
  }
  EXPECT_EQ(low, *std::min_element(series.values.begin(), series.values.end()));
  EXPECT_EQ(high,
            *std::max_element(series.values.begin(), series.values.end()));
  EXPECT_TRUE(std::is_sorted(panel.points.begin(), panel.points.end()));
}

TEST_F(PlotFiles, AGeneratedCaptureIsPlottedValueForValue) {
  std::ofstream log(dir_ + "/gen.log");
  for (int i = 0; i < 100; ++i) {
    const int raw = (1000 + 10 * i) * 8;  // 0.125 rpm a bit
    char line[80];
    std::snprintf(line, sizeof line,
                  "(%d.%d00000) can0 0CF00400#F07D7D%02X%02X00F07D\n",
                  50 + i / 10, i % 10, raw & 0xFF, raw >> 8);
    log << line;
  }
  log.close();
  auto capture = vlrscenario::LoadCaptureFile(dir_ + "/gen.log");
  ASSERT_TRUE(capture) << capture.error().ToString();
  const std::vector<Series> all = SeriesFromCapture(capture.value());
  const Series* speed = FindSeries(all, "Engine Speed");
  ASSERT_NE(speed, nullptr);
  EXPECT_EQ(speed->unit, "rpm");
  ASSERT_EQ(speed->values.size(), 100u);
  const PlotLayout layout = LayOutPlot({speed}, 800, 300);
  ASSERT_EQ(layout.panels.size(), 1u);
  const Panel& panel = layout.panels[0];
  EXPECT_EQ(panel.title, "engine speed (rpm)");
  ASSERT_EQ(panel.points.size(), 100u);  // few: every one is drawn
  for (int i = 0; i < 100; ++i) {
    EXPECT_NEAR(panel.points[i].first, i * 0.1, 1e-6);
    EXPECT_DOUBLE_EQ(panel.points[i].second, 1000 + 10 * i);
  }
  EXPECT_LE(panel.value.low, 1000);
  EXPECT_GE(panel.value.high, 1990);
  EXPECT_LE(panel.time.low, 0);
  EXPECT_GE(panel.time.high, 9.9);
  ExpectPointsAreSamples(panel, *speed);
  ExpectDrawn(layout);
}

TEST_F(PlotFiles, ALongCaptureIsThinnedToSamplesKeepingItsExtremes) {
  auto truck =
      vlrscenario::MakeTruckScenario({std::chrono::seconds(120), true, true});
  vlrscenario::Capture capture;
  while (auto m = truck->Next()) capture.messages.push_back(std::move(*m));
  const std::vector<Series> all = SeriesFromCapture(capture);
  std::vector<const Series*> chosen;
  for (const char* name :
       {"engine speed", "vehicle speed", "PID 190 engine speed (J1708)"}) {
    chosen.push_back(FindSeries(all, name));
    std::string names;
    for (const Series& s : all) names += s.name + ", ";
    ASSERT_NE(chosen.back(), nullptr) << name << " not in " << names;
  }
  const PlotLayout layout = LayOutPlot(chosen, 600, 700);
  ASSERT_EQ(layout.panels.size(), 3u);
  EXPECT_LT(layout.panels[0].points.size(), chosen[0]->values.size());
  for (std::size_t i = 0; i < chosen.size(); ++i)
    ExpectPointsAreSamples(layout.panels[i], *chosen[i]);
  ExpectDrawn(layout);
}

// The shared truck recording: the plotted engine speed is what EEC1 says,
// decoded here on its own, frame by frame.
TEST_F(PlotFiles, ASharedCaptureIsPlottedAsItDecodes) {
  const std::string path =
      std::string(VLR_SHARED_DATA_DIR) + "/truck-j1939-j1708.neovi.csv";
  if (!fs::exists(path)) GTEST_SKIP() << path << " is not here";
  auto capture = vlrscenario::LoadCaptureFile(path);
  ASSERT_TRUE(capture) << capture.error().ToString();
  std::vector<double> expected;
  for (const auto& m : capture.value().messages) {
    if (m.bus != vlrsim::Bus::kJ1939 || ((m.id >> 8) & 0x3FFFF) != 0xF004)
      continue;
    for (const auto& s : vlrdecode::DecodeJ1939Signals(0xF004, m.data)) {
      if (s.name == "engine speed") expected.push_back(s.value);
    }
  }
  ASSERT_FALSE(expected.empty());
  const std::vector<Series> all = SeriesFromCapture(capture.value());
  const Series* speed = FindSeries(all, "engine speed");
  ASSERT_NE(speed, nullptr);
  EXPECT_EQ(speed->values, expected);
  const PlotLayout layout = LayOutPlot({speed}, 1000, 240);
  ExpectPointsAreSamples(layout.panels[0], *speed);
  ExpectDrawn(layout);
}

TEST(NiceTicks, RoundStepsCoveringTheRange) {
  EXPECT_EQ(NiceTicks(0, 10, 5), (std::vector<double>{0, 2, 4, 6, 8, 10}));
  EXPECT_EQ(NiceTicks(-3, 12, 3), (std::vector<double>{-5, 0, 5, 10, 15}));
  EXPECT_EQ(NiceTicks(600, 1950, 5),
            (std::vector<double>{500, 1000, 1500, 2000}));
}

}  // namespace
}  // namespace vlrplot
