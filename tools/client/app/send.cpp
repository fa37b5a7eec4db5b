#include "send.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "connection.h"
#include "describe.h"
#include "output_format.h"
#include "result_meaning.h"
#include "send_options.h"
#include "stop_signal.h"

namespace vlrclient {
namespace {

using Clock = std::chrono::steady_clock;

const uint8_t kOn[] = {'1'};

// Reads what the driver hands back until `until`, printing and counting
// the echoes of our own frames (received traffic is passed over).
class EchoWatch {
 public:
  // A driver echoes a message over 8 bytes either once, whole, when its
  // transfer completed, or frame by frame; a whole echo counts for the
  // `frames_per_long` frames of its transfer.
  EchoWatch(Connection& connection, vlrdecode::Protocol protocol,
            std::size_t frames_per_long)
      : connection_(connection),
        layout_{protocol, true, false},
        frames_per_long_(frames_per_long) {}

  // Stops early once `wanted` frames have been echoed; false on a driver
  // error.
  bool Pump(Clock::time_point until, std::size_t wanted) {
    std::array<uint8_t, 1796> buffer{};  // a whole 1785-byte message
    while (echoes_ < wanted && Clock::now() < until && !StopRequested()) {
      const short got = connection_.ReadNow(buffer);
      if (got < 0) {
        std::cerr << "vlr1210: read: "
                  << connection_.driver().ErrorText(static_cast<short>(-got))
                  << "\n";
        return false;
      }
      if (got == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        continue;
      }
      Show(std::span(buffer.data(), static_cast<std::size_t>(got)));
    }
    return true;
  }
  std::size_t echoes() const { return echoes_; }

 private:
  void Show(std::span<const uint8_t> bytes) {
    auto record = vlrdecode::ParseReadBuffer(bytes, layout_);
    if (!record || !record->echoed) return;
    const auto* j1939 = std::get_if<vlrdecode::J1939Message>(&record->message);
    echoes_ += j1939 && j1939->data.size() > 8 ? frames_per_long_ : 1;
    vlrdecode::MessageEvent event;
    event.timestamp_ms = record->timestamp_ms;
    event.elapsed_ms = timeline_.Elapsed(record->timestamp_ms);
    event.echoed = true;
    event.message = record->message;
    const auto description = std::visit(
        [](const auto& m) { return vlrdecode::Describe(m); }, event.message);
    std::cout << vlrdecode::FormatTextLine(event, description) << std::endl;
  }

  Connection& connection_;
  vlrdecode::ReadLayout layout_;
  vlrdecode::DriverTimeline timeline_;
  std::size_t frames_per_long_;
  std::size_t echoes_ = 0;
};

// The driver's text for a failure, and what it means where it has a meaning
// of its own.
void PrintFailure(const DriverError& error) {
  std::cerr << "vlr1210: " << error.message << "\n";
  const std::string meaning = ResultMeaning(error.code);
  if (!meaning.empty()) std::cerr << "  " << meaning << "\n";
}

// Command 19, blocking until the claim is settled.
bool Claim(Connection& connection, const SendPlan& plan) {
  if (plan.claim_command.empty()) return true;
  if (auto error = connection.Command(RP1210_Protect_J1939_Address,
                                      plan.claim_command, "claim address")) {
    PrintFailure(*error);
    return false;
  }
  char address[8];
  std::snprintf(address, sizeof address, "0x%02X", plan.claim_command[0]);
  std::cerr << "vlr1210: claimed address " << address << "\n";
  return true;
}

int SendAll(Connection& connection, const SendOptions& o,
            const SendPlan& plan) {
  if (!Claim(connection, plan)) return 1;
  if (plan.message.empty()) return 0;
  if (auto error = connection.Command(RP1210_Echo_Transmitted_Messages, kOn,
                                      "echo on")) {
    std::cerr << "vlr1210: " << error->message << "\n";
    return 1;
  }
  EchoWatch watch(connection,
                  plan.protocol == "J1939" ? vlrdecode::Protocol::kJ1939
                                           : vlrdecode::Protocol::kJ1708,
                  plan.frames);
  uint64_t sent = 0;
  for (; sent < o.repeat && !StopRequested(); ++sent) {
    if (auto error = connection.Send(plan.message)) {
      PrintFailure(*error);
      return 1;
    }
    if (sent + 1 < o.repeat &&
        !watch.Pump(
            Clock::now() + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(o.interval_s)),
            SIZE_MAX)) {
      return 1;
    }
  }
  // A broadcast transfer spaces its packets 50 ms by default; allow that
  // and more for every frame.
  const std::size_t wanted = sent * plan.frames;
  const auto allowance =
      std::chrono::seconds(2) + std::chrono::milliseconds(60) * wanted;
  if (!watch.Pump(Clock::now() + allowance, wanted)) return 1;
  if (watch.echoes() < wanted) {
    std::cerr << "vlr1210: only " << watch.echoes() << " of " << wanted
              << " frames were written to the adapter in time\n";
    return 1;
  }
  std::cerr << "vlr1210: sent " << sent << " message(s), " << wanted
            << " frame(s) written to the adapter\n";
  return 0;
}

}  // namespace

int RunSend(std::span<const std::string_view> args) {
  SendOptions o;
  const std::vector<OptionDefinition> table = SendOptionTable(o);
  std::vector<std::string_view> positional;
  std::string error = ParseArguments(args, table, positional);
  if (error.empty() && positional.size() > 1)
    error = "unexpected argument " + std::string(positional[1]);
  if (error.empty() && positional.size() == 1)
    o.frame_text = std::string(positional[0]);
  const SendPlan plan = PlanSend(o);
  if (error.empty()) error = plan.error;
  if (!error.empty()) {
    std::cerr << "vlr1210 send: " << error << "\n";
    return 2;
  }
  auto driver = LoadDriver(o.driver_path, error);
  if (!driver) {
    std::cerr << "vlr1210: " << error << "\n";
    return 1;
  }
  DriverError failed;
  auto connection = Connection::Open(*driver, o.device, plan.protocol, failed);
  if (!connection) {
    std::cerr << "vlr1210: " << failed.message << "\n";
    return 1;
  }
  return SendAll(*connection, o, plan);
}

}  // namespace vlrclient
