// The dashboard's content without a terminal: values, faults that come
// and go with DM1, rates, bus load, errors, and the layout at any size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dash_layout.h"
#include "dashboard_model.h"

namespace vlrdash {
namespace {

using vlrdecode::FromIdentifier;
using vlrdecode::MessageEvent;

MessageEvent Frame(uint32_t id, std::vector<uint8_t> data) {
  MessageEvent event;
  event.message = FromIdentifier(id, std::move(data));
  return event;
}

// EEC1 with the engine at `rpm`.
MessageEvent Eec1(double rpm) {
  const auto raw = static_cast<uint16_t>(rpm / 0.125);
  return Frame(0x0CF00400, {0xF0, 0x7D, 0x7D, static_cast<uint8_t>(raw),
                            static_cast<uint8_t>(raw >> 8), 0x00, 0xF0, 0x7D});
}

// DM1 from `source` with one code (SPN 111 FMI 1 OC 4), or none.
MessageEvent Dm1(uint8_t source, bool active) {
  std::vector<uint8_t> data = {0x04, 0xFF, 0x6F, 0x00, 0x01, 0x04, 0xFF, 0xFF};
  if (!active) data = {0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};
  return Frame(0x18FECA00 | source, data);
}

TEST(DashboardModel, ShowsTheLatestValuesFirstTheOnesATechnicianReads) {
  DashboardModel model;
  model.Feed(
      Frame(0x18FEF100, {0xF4, 0x00, 0x58, 0x04, 0x00, 0x58, 0x1F, 0xFF}), 0);
  for (double rpm : {600.0, 1200.0, 1350.0}) {
    model.Feed(Eec1(rpm), 10);
    model.Sample();
  }
  const auto signals = model.Signals();
  ASSERT_GE(signals.size(), 3u);
  EXPECT_EQ(signals[0]->name, "engine speed");
  EXPECT_DOUBLE_EQ(signals[0]->value, 1350.0);
  EXPECT_EQ(signals[0]->unit, "rpm");
  EXPECT_EQ(signals[0]->history, (std::deque<double>{600, 1200, 1350}));
  EXPECT_EQ(signals[1]->name, "vehicle speed");
  EXPECT_NEAR(signals[1]->value, 88.0, 0.01);

  // J1708 names carry their PID; the order still reads them.
  DashboardModel j1708;
  MessageEvent engine;
  engine.message = vlrdecode::J1708Message{128, {96, 150, 190, 0x10, 0x13}, {}};
  j1708.Feed(engine, 0);
  ASSERT_EQ(j1708.Signals().size(), 2u);
  EXPECT_EQ(j1708.Signals()[0]->name, "PID 190 engine speed");
}

TEST(DashboardModel, FaultsAppearAndClearAsDm1SaysOrGoesQuiet) {
  DashboardModel model;
  model.Feed(Dm1(0x00, true), 1000);
  model.Feed(Dm1(0x03, true), 1000);
  auto faults = model.Faults();
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_EQ(faults[0].code.spn, 111u);
  EXPECT_EQ(faults[0].code.fmi, 1u);
  EXPECT_EQ(faults[0].code.occurrences, 4u);
  EXPECT_EQ(faults[0].text, "coolant level: below normal, most severe");
  model.Feed(Dm1(0x00, false), 2000);  // the engine's code cleared
  model.Tick(2000);
  faults = model.Faults();
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0].source, 0x03);
  model.Tick(1000 + DashboardModel::kFaultsStaleMs + 1);  // 03 went quiet
  EXPECT_TRUE(model.Faults().empty());
}

TEST(DashboardModel, RatesPerGroupAndSourceAndBusLoadOverTheLastSecond) {
  DashboardModel model;
  model.Tick(0);
  for (int i = 0; i < 100; ++i) model.Feed(Eec1(800), i * 10);
  for (int i = 0; i < 10; ++i) model.Feed(Dm1(0x00, true), i * 100);
  model.Tick(1000);
  const auto rates = model.Rates();
  ASSERT_EQ(rates.size(), 2u);
  EXPECT_EQ(rates[0].label, "EEC1");
  EXPECT_EQ(rates[0].source, 0x00);
  EXPECT_DOUBLE_EQ(rates[0].per_second, 100.0);
  EXPECT_DOUBLE_EQ(rates[1].per_second, 10.0);
  EXPECT_DOUBLE_EQ(model.messages_per_second(), 110.0);
  // 110 frames of 8 bytes, 131 bits each, on a 250 kbit/s bus.
  EXPECT_NEAR(model.bus_load_percent(), 110 * 131 / 2500.0, 1e-9);
  model.Tick(2000);  // a quiet second
  EXPECT_DOUBLE_EQ(model.Rates()[0].per_second, 0.0);
  EXPECT_EQ(model.Rates()[0].count, 100u);

  model.CountError(142, "142 ERR_HARDWARE_NOT_RESPONDING");
  model.CountError(142, "142 ERR_HARDWARE_NOT_RESPONDING");
  ASSERT_EQ(model.Errors().size(), 1u);
  EXPECT_EQ(model.Errors()[0].count, 2u);
  model.ResetCounters(2000);
  EXPECT_EQ(model.messages(), 0u);
  EXPECT_TRUE(model.Rates().empty());
  EXPECT_TRUE(model.Errors().empty());
  EXPECT_FALSE(model.Faults().empty());  // the bus still says so
  EXPECT_FALSE(model.Signals().empty());
}

TEST(DashLayout, FitsEveryTerminalSizeAndKeepsTheEssentials) {
  DashboardModel model;
  for (int i = 0; i < 30; ++i) {
    model.Feed(Eec1(600 + 10 * i), i);
    model.Feed(Frame(0x18FF0000 | static_cast<uint32_t>(i), {1, 2}), i);
    model.Sample();
  }
  model.Feed(Dm1(0x00, true), 30);
  model.Tick(1000);
  const DashStatus status{"device 201, J1939", true, ""};
  const struct {
    int width, height;
  } sizes[] = {{120, 40}, {80, 24}, {40, 12}, {20, 5}};
  for (const auto& size : sizes) {
    const auto lines = LayOut(model, status, size.width, size.height);
    EXPECT_LE(static_cast<int>(lines.size()), size.height) << size.width;
    std::string all;
    for (const std::string& line : lines) {
      EXPECT_LE(static_cast<int>(line.size()), size.width) << line;
      all += line + "\n";
    }
    EXPECT_NE(all.find("[PAUSED]"), std::string::npos) << all;
    if (size.height >= 24) {
      EXPECT_NE(all.find("engine speed"), std::string::npos) << all;
      EXPECT_NE(all.find("890.0 rpm"), std::string::npos) << all;
      EXPECT_NE(all.find("111"), std::string::npos) << all;
      EXPECT_NE(all.find("coolant level"), std::string::npos) << all;
    }
  }
}

TEST(DashLayout, HistoryScalesBetweenItsOwnExtremes) {
  EXPECT_EQ(HistoryLine({0, 5, 10}, 10), "_+@");
  EXPECT_EQ(HistoryLine({0, 5, 10}, 2), "_@");  // the newest that fit
  EXPECT_EQ(HistoryLine({7, 7}, 10), "++");
  EXPECT_EQ(HistoryLine({}, 10), "");
}

}  // namespace
}  // namespace vlrdash
