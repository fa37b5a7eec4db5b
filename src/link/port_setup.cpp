#include "link/port_setup.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "link/device_traits.h"
#include "link/frames.h"
#include "link/reply_scan.h"

namespace vlr::link {
namespace {

using platform::Purge;

constexpr uint32_t kWakeUpRate = 9600;

platform::PortTimeouts TimeoutsFor(const FamilyRules& rules,
                                   platform::PortTimeouts t) {
  t.readInterval = rules.readIntervalMs;
  t.readTotalMultiplier = rules.readTotalMultiplier;
  t.readTotalConstant = rules.readTotalMs;
  t.writeTotalMultiplier = 0;
  t.writeTotalConstant = rules.writeTotalMs;
  return t;
}

bool SetLine(platform::Port port, uint32_t rate) {
  platform::LineSettings line;
  if (!platform::GetLineSettings(port, line)) return false;
  line.baudRate = rate;
  line.dataBits = 8;
  line.parity = false;
  line.twoStopBits = false;
  line.dtrOn = true;
  line.rtsOn = true;
  line.ctsFlowControl = false;
  line.dsrFlowControl = false;
  line.dsrSensitivity = false;
  line.xonXoffOutput = false;
  line.xonXoffInput = false;
  return platform::SetLineSettings(port, line);
}

int RateDialogue(platform::Port port, uint32_t lineRate, bool j1939) {
  if (!SetLine(port, kWakeUpRate)) return 0;
  const std::array<uint8_t, 22> wakeUp = [] {
    std::array<uint8_t, 22> run;
    run.fill('B');
    return run;
  }();
  uint32_t written = 0;
  platform::WritePort(
      port, wakeUp.data(), wakeUp.size(),
      written);  // unchecked: the receive-mode reply proves the adapter is up
  platform::SleepMs(20);
  std::array<uint8_t, 100> reply{};
  uint32_t replyCount = 0;
  const Frame rateChange = RateChangeFrame();
  ExchangeCommand(port, rateChange.View(), {}, reply, replyCount, 500, 3);
  platform::SleepMs(100);
  if (!SetLine(port, lineRate)) return 0;
  platform::SleepMs(50);
  const Frame receiveOn = ReceiveOnFrame(j1939);
  const auto ack =
      AcknowledgementFor(j1939 ? channel::kJ1939 : channel::kJ1708);
  const std::span<const uint8_t> expected(ack.data(), 3);
  return ExchangeCommand(port, receiveOn.View(), expected, reply, replyCount,
                         1000, 5)
             ? 1
             : 0;
}

}  // namespace

platform::Port OpenDevicePort(const DeviceTraits& traits) {
  char name[16];
  std::snprintf(name, sizeof name, "COM%d", traits.comPort);
  platform::Port port = platform::OpenPort(name);
  if (port == nullptr) return nullptr;
  for (Purge action : {Purge::kReceiveClear, Purge::kTransmitClear,
                       Purge::kReceiveAbort, Purge::kTransmitAbort}) {
    platform::PurgePort(port, action);
  }
  return port;
}

int ConfigurePort(platform::Port port, const DeviceTraits& traits,
                  Protocol protocol) {
  platform::PortTimeouts timeouts;
  platform::GetTimeouts(port, timeouts);  // a failure leaves the defaults
  if (!platform::SetTimeouts(port, TimeoutsFor(traits.rules, timeouts))) {
    return 0;
  }
  platform::LineSettings line;
  if (!platform::GetLineSettings(port, line)) return 0;
  switch (traits.rules.startUp) {
    case StartUp::kSetLine:
      return SetLine(port, traits.rules.lineRate) ? 1 : 0;
    case StartUp::kRateDialogue:
      return RateDialogue(port, traits.rules.lineRate,
                          protocol == Protocol::kJ1939);
  }
  return 0;
}

namespace {

// Listens up to `timeoutMs` for `expected` among what the port delivers.
// The adapter may already be reporting traffic (left streaming by a program
// that ended without switching it off), so the reply can come after frames
// and across reads.
bool AwaitReply(platform::Port port, std::span<const uint8_t> expected,
                std::span<uint8_t, 100> reply, uint32_t& replyCount,
                uint32_t timeoutMs) {
  std::vector<uint8_t> unread;
  const uint32_t start = platform::TickCount();
  while (platform::TickCount() - start < timeoutMs) {
    uint32_t got = 0;
    if (!platform::ReadPort(port, reply.data(), reply.size(), got)) continue;
    if (got == 0) {
      platform::SleepMs(10);
      continue;
    }
    replyCount = got;
    unread.insert(unread.end(), reply.begin(), reply.begin() + got);
    const ReplyScan scan = ScanForReply(unread, expected);
    if (scan.found) return true;
    unread.erase(unread.begin(),
                 unread.begin() + static_cast<ptrdiff_t>(scan.keepFrom));
  }
  return false;
}

}  // namespace

bool ExchangeCommand(platform::Port port, std::span<const uint8_t> command,
                     std::span<const uint8_t> expected,
                     std::span<uint8_t, 100> reply, uint32_t& replyCount,
                     uint32_t timeoutMs, int tries) {
  if (tries < 1) return false;
  for (int attempt = 1;; ++attempt) {
    // Whatever arrived before the command cannot be its answer.
    platform::PurgePort(port, Purge::kReceiveClear);
    platform::SleepMs(10);
    uint32_t written = 0;
    platform::WritePort(port, command.data(),
                        static_cast<uint32_t>(command.size()), written);
    if (expected.empty()) return true;
    platform::SleepMs(100);
    if (AwaitReply(port, expected, reply, replyCount, timeoutMs)) return true;
    if (attempt >= tries) return false;
  }
}

}  // namespace vlr::link
