// The adapter on a real pseudo-terminal, with the test as the host.
#include "vlrsim/pty_adapter.h"

#include <gtest/gtest.h>
#include <sys/file.h>

#include <filesystem>
#include <thread>

#include "host_port.h"
#include "pseudo_terminal_skip.h"
#include "vlrsim/adapter_frame.h"
#include "vlrsim/counted_frames.h"
#include "vlrsim/scripted_source.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {
namespace {

using std::chrono::milliseconds;
using testing::HostPort;

// Long enough for anything expected on a loaded machine.
constexpr milliseconds kArrival{5000};
// How long the tests listen for something that must not come.
constexpr milliseconds kQuiet{400};

AdapterOptions Options(Family family) {
  AdapterOptions options;
  options.family = family;
  return options;
}

// The host's 2xx start-up as the driver performs it; returns the reply.
Bytes StartUp2xx(HostPort& host, bool j1939, milliseconds wait = kArrival) {
  EXPECT_TRUE(host.SetRate(B9600));
  host.Write(Bytes(22, 0x42));
  host.Write(synced::RateChangeFrame());
  std::this_thread::sleep_for(milliseconds{20});
  EXPECT_TRUE(host.SetRate(B115200));
  host.Write(synced::ReceiveModeFrame(j1939));
  return host.Read(5, wait);
}

std::vector<AdapterFrame> Messages(const Bytes& stream, Family family) {
  std::vector<AdapterFrame> messages;
  for (auto& f : DecodeAdapterBytes(family, stream)) {
    if (f.kind == AdapterFrame::Kind::kMessage) messages.push_back(f);
  }
  return messages;
}

TEST(PtyAdapter, StartUpIsAcknowledgedAtTheNewRate) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  for (bool j1939 : {false, true}) {
    PtyAdapter adapter(Options(Family::k2xx));
    HostPort host(adapter.SlavePath());
    ASSERT_TRUE(host.is_open());
    const uint8_t channel = j1939 ? 0x02 : 0x01;
    EXPECT_EQ(StartUp2xx(host, j1939), synced::AckFrame(channel));
    EXPECT_EQ(adapter.CurrentBaud(), 115200u);
    const AdapterState state = adapter.State();
    EXPECT_TRUE(state.rate_changed);
    EXPECT_EQ(state.j1939_receive, j1939);
    EXPECT_EQ(state.j1708_receive, !j1939);

    ASSERT_TRUE(adapter.Recorded().WaitForHostFrames(3));
    const auto frames = adapter.Recorded().HostFrames();
    EXPECT_EQ(frames[0].raw, Bytes(22, 0x42));
    EXPECT_EQ(frames[1].raw, synced::RateChangeFrame());
    EXPECT_EQ(frames[2].raw, synced::ReceiveModeFrame(j1939));
  }
}

TEST(PtyAdapter, ReceiveModeAtTheOldRateIsNotUnderstood) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  PtyAdapter adapter(Options(Family::k2xx));
  HostPort host(adapter.SlavePath());
  ASSERT_TRUE(host.SetRate(B9600));
  host.Write(synced::RateChangeFrame());
  host.Write(synced::ReceiveModeFrame(true));  // host forgot to switch
  EXPECT_TRUE(host.ReadFor(kQuiet).empty());
  EXPECT_EQ(adapter.CurrentBaud(), 9600u);
}

TEST(PtyAdapter, SilentAdapterAnswersNothing) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options = Options(Family::k2xx);
  options.silent = true;
  PtyAdapter adapter(options);
  HostPort host(adapter.SlavePath());
  EXPECT_TRUE(StartUp2xx(host, true, kQuiet).empty());
  host.Write(synced::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24}));
  adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2});
  EXPECT_TRUE(host.ReadFor(kQuiet).empty());

  adapter.SetSilent(false);  // the line comes alive
  host.Write(synced::ReceiveModeFrame(true));
  EXPECT_EQ(host.Read(5, kArrival), synced::AckFrame(0x02));
}

TEST(PtyAdapter, CommandsAreAcknowledgedAndReadyFollowsJ1708) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options = Options(Family::k2xx);
  options.ready_delay = milliseconds{5};
  PtyAdapter adapter(options);
  HostPort host(adapter.SlavePath());
  ASSERT_EQ(StartUp2xx(host, false).size(), 5u);

  host.Write(synced::FilterMaskFrame(0x07F80000));
  EXPECT_EQ(host.Read(5, kArrival), synced::AckFrame(0x02));
  host.Write(synced::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24}));
  EXPECT_EQ(host.Read(5, kArrival), synced::ReadyFrame());

  adapter.SetReadyDelay(std::nullopt);
  host.Write(synced::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24}));
  EXPECT_TRUE(host.ReadFor(kQuiet).empty());
  adapter.SendReady();  // a test releases the host by hand
  EXPECT_EQ(host.Read(5, kArrival), synced::ReadyFrame());
}

TEST(PtyAdapter, FilterProgrammedByTheHostSelectsReportedTraffic) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  PtyAdapter adapter(Options(Family::k2xx));
  HostPort host(adapter.SlavePath());
  ASSERT_EQ(StartUp2xx(host, true).size(), 5u);
  // The host's sequence for PGN FEF1, then receive on again.
  for (const Bytes& frame :
       {synced::CommandFrame(0x02, synced::kJ1939ReceiveOff),
        synced::FilterMaskFrame(0x07F80000),
        synced::FilterSlotFrame(0, 0x07F78800),
        synced::ReceiveModeFrame(true)}) {
    host.Write(frame);
    ASSERT_EQ(host.Read(5, kArrival), synced::AckFrame(0x02));
  }
  const uint32_t ids[] = {0x18FEF100, 0x0CF00400, 0x18FEF1EE, 0x18F00100};
  for (uint32_t id : ids) adapter.PutOnBus(Bus::kJ1939, id, Bytes{7});
  adapter.PutOnBus(Bus::kJ1708, 0x80, Bytes{1});  // J1708 receive is off
  ASSERT_TRUE(adapter.WaitUntilSent());
  const auto messages = Messages(host.ReadFor(kQuiet), Family::k2xx);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].id, 0x18FEF100u);
  EXPECT_EQ(messages[1].id, 0x18FEF1EEu);
}

TEST(PtyAdapter, RecordingTimestampsAreMonotonicAndWithinTheWrites) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  PtyAdapter adapter(Options(Family::k2xx));
  HostPort host(adapter.SlavePath());
  const auto before = Clock::now();
  for (int i = 0; i < 10; ++i) {
    host.Write(Bytes{static_cast<uint8_t>(0x40 + i)});
    std::this_thread::sleep_for(milliseconds{3});
  }
  ASSERT_TRUE(adapter.Recorded().WaitForHostBytes(10));
  const auto after = Clock::now();
  const auto chunks = adapter.Recorded().HostChunks();
  Bytes joined;
  for (size_t i = 0; i < chunks.size(); ++i) {
    EXPECT_GE(chunks[i].at, before);
    EXPECT_LE(chunks[i].at, after);
    if (i > 0) {
      EXPECT_GE(chunks[i].at, chunks[i - 1].at);
    }
    joined.insert(joined.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
  }
  EXPECT_EQ(joined, (Bytes{0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,
                           0x49}));
}

TEST(PtyAdapter, HostOpensExclusivelyAndAgainAfterClosing) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  PtyAdapter adapter(Options(Family::k2xx));
  for (int round = 0; round < 3; ++round) {
    HostPort host(adapter.SlavePath());
    ASSERT_TRUE(host.is_open()) << "round " << round;
    // The simulator holds no lock of its own on the slave.
    EXPECT_EQ(::flock(host.fd(), LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(StartUp2xx(host, true), synced::AckFrame(0x02))
        << "round " << round;
    ::ioctl(host.fd(), TIOCNXCL);
  }
}

TEST(PtyAdapter, OutputWhileNoHostIsDroppedNotQueued) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  PtyAdapter adapter(Options(Family::k1xx));
  {
    HostPort host(adapter.SlavePath());
    ASSERT_TRUE(host.is_open());
  }
  std::this_thread::sleep_for(milliseconds{50});  // let the adapter see it
  adapter.Send(Bytes(100, 0x11));
  ASSERT_TRUE(adapter.WaitUntilSent());
  HostPort host(adapter.SlavePath());
  adapter.Send(Bytes{0x22});
  EXPECT_EQ(host.Read(1, kArrival), Bytes{0x22});
  EXPECT_EQ(adapter.DroppedBytes(), 100u);
}

TEST(PtyAdapter, LinksPointAtTheSlaveAndGoAwayWithTheAdapter) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  const auto dir = std::filesystem::temp_directory_path() /
                   ("vlrsim-link-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto link = dir / "com1";
  std::filesystem::create_symlink("/nonexistent", link);  // a stale link
  {
    PtyAdapter adapter(Options(Family::k2xx));
    adapter.LinkTo(link);
    EXPECT_EQ(std::filesystem::read_symlink(link), adapter.SlavePath());
    HostPort host(link.string());
    EXPECT_TRUE(host.is_open());
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  std::filesystem::remove_all(dir);
}

TEST(PtyAdapter, CountedAdapterHasNoDialogueAndReportsBothBuses) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  PtyAdapter adapter(Options(Family::k1xx));
  HostPort host(adapter.SlavePath());
  ASSERT_TRUE(host.SetRate(B38400));
  EXPECT_EQ(adapter.CurrentBaud(), 38400u);
  host.Write(synced::ReceiveModeFrame(true));
  EXPECT_TRUE(host.ReadFor(kQuiet).empty());

  adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  adapter.PutOnBus(Bus::kJ1708, 0x80, Bytes{0x5C, 0x20});
  const Bytes expected = [] {
    Bytes b = counted::J1939Frame(0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    const Bytes j1708 = counted::J1708Frame(0x80, Bytes{0x5C, 0x20});
    b.insert(b.end(), j1708.begin(), j1708.end());
    return b;
  }();
  EXPECT_EQ(host.Read(expected.size(), kArrival), expected);
}

TEST(PtyAdapter, SplitAndGarbageArriveByteExact) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  PtyAdapter adapter(Options(Family::k2xx));
  HostPort host(adapter.SlavePath());
  const Bytes frame = synced::J1939MessageFrame(0x18FEF100, Bytes(8, 0xAB));
  adapter.SendSplit(frame, {1, 2, 9, 16}, std::chrono::microseconds{2000});
  adapter.SendGarbage(50, 7);
  adapter.Send(frame);
  const Bytes got = host.Read(frame.size() * 2 + 50, kArrival);
  ASSERT_EQ(got.size(), frame.size() * 2 + 50);
  EXPECT_EQ(Bytes(got.begin(), got.begin() + frame.size()), frame);
  EXPECT_EQ(Bytes(got.end() - frame.size(), got.end()), frame);
  // The five pieces, the garbage and the frame left as separate writes.
  ASSERT_TRUE(adapter.WaitUntilSent());
  EXPECT_EQ(adapter.Recorded().AdapterChunks().size(), 7u);
}

TEST(PtyAdapter, PlaysASourceInOrderWithItsTiming) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options = Options(Family::k1xx);
  options.report_j1708 = false;
  PtyAdapter adapter(options);
  HostPort host(adapter.SlavePath());
  std::vector<TimedMessage> script;
  for (int i = 0; i < 5; ++i) {
    script.push_back({milliseconds{40 * i}, Bus::kJ1939,
                      0x18FEF100u + static_cast<uint32_t>(i), Bytes{1}});
    script.push_back({milliseconds{40 * i}, Bus::kJ1708, 0x80, Bytes{2}});
  }
  const auto start = Clock::now();
  adapter.Play(std::make_unique<ScriptedSource>(script));
  EXPECT_TRUE(adapter.Playing());
  const Bytes got = host.Read(5 * 19, kArrival);
  const auto elapsed = Clock::now() - start;
  const auto messages = Messages(got, Family::k1xx);
  ASSERT_EQ(messages.size(), 5u);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(messages[i].id, 0x18FEF100u + i);
  EXPECT_GE(elapsed, milliseconds{160});  // the last message is due at 160 ms
  EXPECT_TRUE(adapter.Recorded().WaitUntil(
      [&](const RecordedTraffic&) { return !adapter.Playing(); }, kArrival));
}

TEST(PtyAdapter, LoopbackReturnsHostMessagesAsTraffic) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options = Options(Family::k1xx);
  options.loopback = true;
  PtyAdapter adapter(options);
  HostPort host(adapter.SlavePath());
  host.Write(counted::HostJ1939Frame(
      Bytes{0xF1, 0xFE, 0x00, 0x06, 0x21, 0xFF, 9, 8, 7, 6, 5, 4, 3, 2}));
  host.Write(counted::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24}));
  const auto messages = Messages(host.Read(19 + 8, kArrival), Family::k1xx);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].id, 0x18FEF121u);
  EXPECT_EQ(messages[0].data, (Bytes{9, 8, 7, 6, 5, 4, 3, 2}));
  EXPECT_EQ(messages[1].bus, Bus::kJ1708);
  EXPECT_EQ(messages[1].data, (Bytes{0x5C}));
}

TEST(PtyAdapter, ThrottledOutputTakesAtLeastTheLineTime) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options = Options(Family::k1xx);
  options.throttle = true;
  PtyAdapter adapter(options);
  HostPort host(adapter.SlavePath());
  const size_t count = 1920;  // half a second at 38400 baud
  const auto start = Clock::now();
  adapter.Send(Bytes(count, 0x5A));
  EXPECT_EQ(host.Read(count, milliseconds{10000}).size(), count);
  EXPECT_GE(Clock::now() - start, milliseconds{400});
}

TEST(PtyAdapter, LinePacedHostFramesArriveInOrderAtTheLineRate) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options = Options(Family::k1xx);
  options.line_paced = true;
  PtyAdapter adapter(options);
  HostPort host(adapter.SlavePath());
  const uint8_t count = 60;  // 19 bytes each: 0.3 s at 38400 baud
  Bytes burst;
  for (uint8_t i = 0; i < count; ++i) {
    const auto frame = counted::HostJ1939Frame(
        Bytes{0xF1, 0xFE, 0x00, 0x06, 0x21, 0xFF, i, 0, 0, 0, 0, 0, 0, 0});
    burst.insert(burst.end(), frame.begin(), frame.end());
  }
  const auto start = Clock::now();
  ASSERT_TRUE(host.Write(burst));
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(count, kArrival));
  const auto frames = adapter.Recorded().HostMessages();
  ASSERT_EQ(frames.size(), count);
  for (uint8_t i = 0; i < count; ++i) EXPECT_EQ(frames[i].data.at(0), i);
  const double line_seconds = burst.size() * 10.0 / 38400;
  EXPECT_GE(std::chrono::duration<double>(frames.back().at - start).count(),
            line_seconds * 0.9);
}

}  // namespace
}  // namespace vlrsim
