// Every exported function from eight threads at once, with valid and
// invalid arguments, on up to four clients of two streaming 2xx adapters,
// clients connecting and disconnecting throughout. The sanitizer builds
// turn any race or touch of freed memory into a failed run; here each call
// must come back in time with a result its function documents, and the
// driver must work normally afterwards.
#include <algorithm>
#include <array>
#include <atomic>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fault_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;
using Rng = std::mt19937;

constexpr int kThreads = 8;
constexpr int kBlockingReaders = 2;  // of the threads, those that may block
constexpr int kMostClients = 4;
// Generous: a connect includes the start-up dialogue and a blocking read
// lasts until traffic or its client's disconnect; the machine is shared.
constexpr auto kCallBound = 15s;

// How long the storm blows: VLR_STORM_SECONDS, else 20 s.
std::chrono::seconds StormLength() {
  const char* text = std::getenv("VLR_STORM_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : 0;
  return std::chrono::seconds(seconds > 0 ? seconds : 20);
}

bool IsCode(int result) { return result >= 128 && result <= 162; }
bool IsSuccessOrCode(int result) { return result == 0 || IsCode(result); }

// J1939 and J1708 messages in turn, one every `interval`.
class BothBuses : public vlrsim::TrafficSource {
 public:
  explicit BothBuses(std::chrono::microseconds interval)
      : j1939_(Bus::kJ1939, interval * 2, 1u << 30),
        j1708_(Bus::kJ1708, interval * 2, 1u << 30),
        offset_(interval) {}

  std::optional<vlrsim::TimedMessage> Next() override {
    const bool j1708 = turn_++ % 2 == 1;
    auto message = (j1708 ? j1708_ : j1939_).Next();
    if (message && j1708) message->at += offset_;
    return message;
  }

 private:
  PeriodicSource j1939_, j1708_;
  std::chrono::microseconds offset_;
  unsigned turn_ = 0;
};

// What the storm saw of each function: its calls, the longest, and any
// result the function does not document.
class StormLog {
 public:
  void Note(const std::string& call, FaultClock::duration took, int result,
            bool documented) {
    std::lock_guard guard(lock_);
    Seen& seen = seen_[call];
    ++seen.calls;
    seen.longest = std::max(seen.longest, took);
    if (!documented && strange_.size() < 20)
      strange_.push_back(call + " gave " + std::to_string(result));
  }

  void Report(std::ostream& out) const {
    std::lock_guard guard(lock_);
    for (const auto& [call, seen] : seen_) {
      out << call << ": " << seen.calls << " calls, longest "
          << std::chrono::duration<double>(seen.longest).count() << " s\n";
    }
  }
  std::pair<std::string, double> Longest() const {
    std::lock_guard guard(lock_);
    std::pair<std::string, double> longest{"none", 0.0};
    for (const auto& [call, seen] : seen_) {
      const double seconds =
          std::chrono::duration<double>(seen.longest).count();
      if (seconds > longest.second) longest = {call, seconds};
    }
    return longest;
  }
  std::vector<std::string> Slow() const {
    std::lock_guard guard(lock_);
    std::vector<std::string> slow;
    for (const auto& [call, seen] : seen_) {
      if (seen.longest > kCallBound) slow.push_back(call);
    }
    return slow;
  }
  std::vector<std::string> Strange() const {
    std::lock_guard guard(lock_);
    return strange_;
  }

 private:
  struct Seen {
    long calls = 0;
    FaultClock::duration longest{};
  };
  mutable std::mutex lock_;
  std::map<std::string, Seen> seen_;
  std::vector<std::string> strange_;
};

// The clients the storm believes connected: a hint for picking ids (other
// threads may end any of them at any time), and a count that keeps the
// storm at kMostClients at most.
class ClientPool {
 public:
  bool Reserve() {
    std::lock_guard guard(lock_);
    if (reserved_ >= kMostClients) return false;
    ++reserved_;
    return true;
  }
  void Connected(short id) {
    std::lock_guard guard(lock_);
    live_.insert(id);
  }
  void Unreserve() {
    std::lock_guard guard(lock_);
    --reserved_;
  }
  // A client that a disconnect or a reset ended.
  void Ended(short id) {
    std::lock_guard guard(lock_);
    live_.erase(id);
    --reserved_;
  }
  // Mostly a live id; sometimes one that never is, or a free one.
  short Pick(Rng& rng) {
    static constexpr short kInvalid[] = {-1, 16, 127, 200, 32767, -32768};
    std::lock_guard guard(lock_);
    const unsigned roll = rng() % 10;
    if (roll == 0) return kInvalid[rng() % std::size(kInvalid)];
    if (roll == 1 || live_.empty()) return static_cast<short>(rng() % 16);
    auto at = live_.begin();
    std::advance(at, rng() % live_.size());
    return *at;
  }

 private:
  std::mutex lock_;
  int reserved_ = 0;
  std::set<short> live_;
};

struct Storm {
  StormLog log;
  ClientPool clients;
  // Proof that the storm did more than collect refusals.
  std::atomic<int> connected{0};
  std::atomic<int> messagesRead{0};
};

// Times one call and notes its result.
template <typename Call, typename Documented>
int Timed(Storm& storm, const std::string& name, Call call,
          Documented documented) {
  const auto start = FaultClock::now();
  const int result = call();
  storm.log.Note(name, FaultClock::now() - start, result, documented(result));
  return result;
}

void Connect(Storm& storm, Rng& rng) {
  static constexpr short kDevices[] = {201, 202, 201, 202, 101, 205};
  static const char* const kProtocols[] = {
      "J1939",           "J1708", "J1939", "J1708",
      "J1939:Baud=Auto", "CAN",   "",      nullptr};
  if (!storm.clients.Reserve()) return;
  const short device = kDevices[rng() % std::size(kDevices)];
  const char* protocol = kProtocols[rng() % std::size(kProtocols)];
  const int result = Timed(
      storm, "RP1210_ClientConnect",
      [&] {
        return RP1210_ClientConnect(nullptr, device,
                                    const_cast<char*>(protocol), 8192, 8192, 0);
      },
      [](int r) { return (r >= 0 && r <= 15) || IsCode(r); });
  if (result >= 0 && result <= 15) {
    ++storm.connected;
    storm.clients.Connected(static_cast<short>(result));
  } else {
    storm.clients.Unreserve();
  }
}

void Disconnect(Storm& storm, Rng& rng) {
  const short id = storm.clients.Pick(rng);
  const int result = Timed(
      storm, "RP1210_ClientDisconnect",
      [&] { return RP1210_ClientDisconnect(id); }, IsSuccessOrCode);
  if (result == 0) storm.clients.Ended(id);
}

Bytes LongJ1939Message(uint8_t destination) {
  Bytes message = {0x00, 0xEF, 0x00, 6, 0x80, destination};
  message.resize(40, 0x33);
  return message;
}

void SendMessage(Storm& storm, Rng& rng) {
  // Long J1939 messages go by the client's transport: a broadcast and a
  // connection-mode transfer to a node that never answers.
  static const Bytes kMessages[] = {J1939Message(1),
                                    J1708Message(2),
                                    {},
                                    LongJ1939Message(0xFF),
                                    LongJ1939Message(0x00)};
  static constexpr short kSizes[] = {-1, 0, 1, 513, 600, 1792};
  Bytes buffer(1800, 0x5A);
  const unsigned roll = rng() % (std::size(kMessages) + std::size(kSizes));
  short size = 0;
  char* message = reinterpret_cast<char*>(buffer.data());
  if (roll < std::size(kMessages)) {
    std::copy(kMessages[roll].begin(), kMessages[roll].end(), buffer.begin());
    size = static_cast<short>(kMessages[roll].size());
    if (size == 0) message = nullptr;
  } else {
    size = kSizes[roll - std::size(kMessages)];
  }
  const short id = storm.clients.Pick(rng);
  Timed(
      storm, "RP1210_SendMessage",
      [&] { return RP1210_SendMessage(id, message, size, 0, 0); },
      IsSuccessOrCode);
}

void ReadMessage(Storm& storm, Rng& rng, bool block) {
  static constexpr short kSizes[] = {600, 600, 20, 4, 1, 0, -5};
  std::vector<char> buffer(600);
  const short size = block ? 600 : kSizes[rng() % std::size(kSizes)];
  char* into = rng() % 12 == 0 ? nullptr : buffer.data();
  const short id = storm.clients.Pick(rng);
  const int result = Timed(
      storm, block ? "RP1210_ReadMessage blocking" : "RP1210_ReadMessage",
      [&] { return RP1210_ReadMessage(id, into, size, block ? 1 : 0); },
      [&](int r) {
        return (r >= 0 && r <= std::max<int>(size, 0)) || IsCode(-r);
      });
  if (result > 0) ++storm.messagesRead;
}

struct CommandCase {
  short number;
  Bytes argument;  // empty: a null pointer
  short size;
};

const std::vector<CommandCase>& Commands() {
  static const std::vector<CommandCase> commands = {
      {RP1210_Set_All_Filters_States_to_Pass, {}, 0},
      {RP1210_Set_All_Filters_States_to_Discard, {}, 0},
      {RP1210_Set_Message_Filtering_For_J1708, {}, 0},
      {RP1210_Set_Message_Filtering_For_J1939, {1, 0xF1, 0xFE, 0, 3, 0, 0}, 7},
      {RP1210_Set_Message_Filtering_For_J1939, {4, 0, 0, 0, 0, 0x17, 0}, 7},
      {RP1210_Set_Message_Filtering_For_J1939, {1, 2, 3}, 3},
      {RP1210_Set_Message_Filtering_For_J1939, {}, 7},
      {RP1210_Echo_Transmitted_Messages, {1}, 1},
      {RP1210_Echo_Transmitted_Messages, {0}, 1},
      {RP1210_Set_Message_Receive, {0}, 1},
      {RP1210_Set_Message_Receive, {1}, 1},
      {RP1210_Set_Message_Receive, {}, 1},
      {RP1210_Set_J1708_Mode, {'0'}, 1},
      {RP1210_Set_J1708_Mode, {'1'}, 1},
      {RP1210_Reset_Device, {}, 0},
      {RP1210_Protect_J1939_Address, {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 10},
      {RP1210_Protect_J1939_Address, {0x81, 1, 0, 0, 0, 0, 0, 0, 0, 2}, 10},
      {RP1210_Protect_J1939_Address, {0xFE, 1, 0, 0, 0, 0, 0, 0, 0, 2}, 10},
      {RP1210_Set_J1939_Interpacket_Time, {0, 0, 0, 0}, 4},
      {RP1210_Set_J1939_Interpacket_Time, {50, 0, 0, 0}, 4},
      {RP1210_Release_J1939_Address, {0x80}, 1},
      {RP1210_Flush_Tx_Rx_Buffers, {}, 0},
      {RP1210_Get_Protocol_Connection_Speed, Bytes(17, 0), 17},
      {RP1210_Get_Protocol_Connection_Speed, Bytes(2, 0), 2},
      {RP1210_Set_J1939_Baud, {0, RP1210_BAUD_250k}, 2},
      {RP1210_Generic_Driver_Command, {}, 0},
      {RP1210_Set_Message_Filtering_For_CAN, {}, 0},
      {-1, {}, 0},
      {42, {}, 0},
      {999, {}, 0},
      {32767, {1, 2}, 2},
  };
  return commands;
}

void SendCommand(Storm& storm, Rng& rng) {
  CommandCase command = Commands()[rng() % Commands().size()];
  char* argument = command.argument.empty()
                       ? nullptr
                       : reinterpret_cast<char*>(command.argument.data());
  const short id = storm.clients.Pick(rng);
  const int result = Timed(
      storm, "RP1210_SendCommand " + std::to_string(command.number),
      [&] {
        return RP1210_SendCommand(command.number, id, argument, command.size);
      },
      IsSuccessOrCode);
  // A reset of the device's only client disconnects it.
  if (command.number == RP1210_Reset_Device && result == 0)
    storm.clients.Ended(id);
}

void InfoCall(Storm& storm, Rng& rng) {
  std::array<char, 120> text{};
  std::array<std::array<char, 17>, 4> versions{};
  const bool nulls = rng() % 6 == 0;
  char* into = nulls ? nullptr : text.data();
  const short code = static_cast<short>(int(rng() % 180) - 10);
  const short id = storm.clients.Pick(rng);
  switch (rng() % 4) {
    case 0:
      Timed(
          storm, "RP1210_GetErrorMsg",
          [&] { return RP1210_GetErrorMsg(code, into); }, IsSuccessOrCode);
      break;
    case 1:
      Timed(
          storm, "RP1210_ReadVersion",
          [&] {
            RP1210_ReadVersion(versions[0].data(),
                               nulls ? nullptr : versions[1].data(),
                               versions[2].data(), versions[3].data());
            return 0;
          },
          IsSuccessOrCode);
      break;
    case 2:
      Timed(
          storm, "RP1210_ReadDetailedVersion",
          [&] {
            return RP1210_ReadDetailedVersion(
                id, versions[0].data(), versions[1].data(),
                nulls ? nullptr : versions[2].data());
          },
          IsSuccessOrCode);
      break;
    default: {
      int subCode = 0;
      Timed(
          storm, "RP1210_GetLastErrorMsg",
          [&] {
            return RP1210_GetLastErrorMsg(code, nulls ? nullptr : &subCode,
                                          text.data(), id);
          },
          IsSuccessOrCode);
    }
  }
}

void HardwareStatus(Storm& storm, Rng& rng) {
  static constexpr short kSizes[] = {16, 6, 3, 0, -1};
  std::array<char, 64> info{};
  const short size = kSizes[rng() % std::size(kSizes)];
  char* into = rng() % 8 == 0 ? nullptr : info.data();
  const short id = storm.clients.Pick(rng);
  Timed(
      storm, "RP1210_GetHardwareStatus",
      [&] { return RP1210_GetHardwareStatus(id, into, size, 0); },
      IsSuccessOrCode);
}

// Connects and disconnects take long (a start-up dialogue, threads to
// stop); the quick calls are weighted up so that many of them race each
// connect and disconnect.
void OneCall(Storm& storm, Rng& rng, bool mayBlock) {
  switch (rng() % 20) {
    case 0:
      return Connect(storm, rng);
    case 1:
      return Disconnect(storm, rng);
    case 2:
    case 3:
    case 4:
      return SendMessage(storm, rng);
    case 5:
      return ReadMessage(storm, rng, mayBlock);
    case 6:
    case 7:
    case 8:
      return ReadMessage(storm, rng, false);
    case 9:
    case 10:
    case 11:
    case 12:
      return SendCommand(storm, rng);
    case 13:
    case 14:
      return HardwareStatus(storm, rng);
    default:
      return InfoCall(storm, rng);
  }
}

// Every client id, whatever the storm believes, so blocked reads end and
// the ids are free for what follows.
void DisconnectEveryone(Storm& storm) {
  for (short id = 0; id < 16; ++id) {
    Timed(
        storm, "RP1210_ClientDisconnect",
        [&] { return RP1210_ClientDisconnect(id); }, IsSuccessOrCode);
  }
}

TEST_F(DriverTest, StormOfEveryExportFromEightThreads) {
  auto& first = StartAdapter(201);
  vlrsim::AdapterOptions options;
  options.loopback = true;
  vlrsim::PtyAdapter second(options);
  RoutePort(202, second.SlavePath());
  first.Play(std::make_unique<BothBuses>(2ms));
  second.Play(std::make_unique<BothBuses>(3ms));

  const unsigned seed = std::random_device{}();
  std::cout << "storm seed " << seed << ", " << StormLength().count() << " s\n";
  Storm storm;
  const auto end = FaultClock::now() + StormLength();
  std::vector<std::thread> threads;
  for (int index = 0; index < kThreads; ++index) {
    threads.emplace_back([&, index] {
      Rng rng(seed + static_cast<unsigned>(index));
      while (FaultClock::now() < end)
        OneCall(storm, rng, index < kBlockingReaders);
    });
  }
  std::this_thread::sleep_until(end + 100ms);
  DisconnectEveryone(storm);
  for (auto& t : threads) t.join();
  DisconnectEveryone(storm);

  storm.log.Report(std::cout);
  const auto [longestCall, longestSeconds] = storm.log.Longest();
  RecordProperty("longest_call", longestCall);
  RecordProperty("longest_call_ms", static_cast<int>(longestSeconds * 1000));
  EXPECT_EQ(storm.log.Slow(), std::vector<std::string>{})
      << "calls that took longer than " << kCallBound.count() << " s";
  EXPECT_EQ(storm.log.Strange(), std::vector<std::string>{});
  EXPECT_GT(storm.connected.load(), 0);
  EXPECT_GT(storm.messagesRead.load(), 0);

  // Afterwards the driver works as if nothing had happened.
  ASSERT_EQ(Connect(201, "J1939"), 0);
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  EXPECT_EQ(ReadRecords(1).size(), 1u);
  EXPECT_EQ(Disconnect(), 0);
}

}  // namespace
}  // namespace vlrtest
