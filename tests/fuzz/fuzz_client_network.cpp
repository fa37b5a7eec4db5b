// libFuzzer target: one client's network layer under a random stream of
// received frames, time steps, frames taken, sends, claims and resets.
// Nothing may crash; no record may be longer than its announce or than
// 1785 data bytes; every ended transfer hands back what was sent; the
// sessions, backlog, claims and queued frames stay bounded.
//
// Input: records of an operation byte and its arguments, read until the
// input runs out (missing bytes read as 0). Operation (low 3 bits): 0 a
// frame, 1 time, 2 take frames, 3 send, 4 claim, 5 release, 6 options,
// 7 reset. Frames draw their source and destination from a few addresses
// so that transfers and claims meet.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <span>
#include <vector>

#include "network/client_network.h"

namespace {

using namespace vlr::network;

void Require(bool holds) {
  if (!holds) std::abort();
}

constexpr uint8_t kAddresses[] = {0x00, 0x20, 0x80, 0x81, 0xFE, 0xFF};
constexpr uint8_t kFormats[] = {0xEC, 0xEB, 0xEE, 0xEA, 0xEC, 0xEB, 0xF0, 0xEF};

class Input {
 public:
  explicit Input(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool Empty() const { return at_ >= bytes_.size(); }
  uint8_t Byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
  uint8_t Address() { return kAddresses[Byte() % std::size(kAddresses)]; }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

struct Harness {
  ClientNetwork net{Options{}};
  Options options;
  Millis now = 0;
  Events events;
  // Data size last announced, by source << 8 | destination.
  std::map<uint16_t, uint16_t> announced;
  std::map<uint32_t, std::vector<uint8_t>> sent;
  uint32_t nextId = 1;

  void Hear(Input& in) {
    const uint8_t shape = in.Byte();
    std::vector<uint8_t> frame = {
        0x00,         kFormats[shape & 0x07],
        0x00,         static_cast<uint8_t>(shape >> 5),
        in.Address(), in.Address()};
    const size_t data = (shape >> 3) & 0x03 ? 8 : in.Byte() % 9;
    for (size_t i = 0; i < data; ++i) frame.push_back(in.Byte());
    NoteAnnounce(frame);
    net.OnFrame(frame, now, events);
  }

  // Mirrors which announces the layer takes up, so that a record can be
  // held to the announce it came from.
  void NoteAnnounce(const std::vector<uint8_t>& frame) {
    if (!options.reassemble || frame[1] != 0xEC || frame.size() < 14) return;
    const auto size = static_cast<uint16_t>(frame[7] | frame[8] << 8);
    const uint8_t source = frame[4];
    const uint8_t destination = frame[5];
    if (frame[6] == 0x20 && destination == 0xFF) {
      announced[Key(source, destination)] = size;
    }
    if (frame[6] == 0x10 && destination != 0xFF &&
        net.StateOf(destination) == ClaimState::kClaimed) {
      // A new RTS ends the source's previous session, to whichever address.
      std::erase_if(announced, [source](const auto& entry) {
        return entry.first >> 8 == source && (entry.first & 0xFF) != 0xFF;
      });
      announced[Key(source, destination)] = size;
    }
  }

  static uint16_t Key(uint8_t source, uint8_t destination) {
    return static_cast<uint16_t>(source << 8 | destination);
  }

  void Take(Input& in) {
    Packet frame;
    for (int count = in.Byte() % 32; count > 0; --count) {
      if (!net.TakeFrame(now, frame, events)) break;
      const uint8_t pf = frame[1];
      Require(pf == 0xEC || pf == 0xEB || pf == 0xEE);
      Require((frame[3] & 0x07) == (pf == 0xEE ? 6 : 7));
      if (pf == 0xEB) Require(frame[6] >= 1);
    }
  }

  void Send(Input& in) {
    const size_t size = (in.Byte() << 8 | in.Byte()) % 1800;
    std::vector<uint8_t> message(size, 0x5A);
    for (size_t i = 0; i < message.size() && i < 6; ++i) message[i] = in.Byte();
    if (message.size() > 5) {
      message[4] = in.Address();
      message[5] = in.Address();
    }
    const uint32_t id = nextId++;
    if (net.Send(message, id, now) == SendResult::kStarted) {
      Require(size >= 15 && size <= 1791);
      sent[id] = message;
    }
  }

  void Claim(Input& in) {
    const uint8_t address = in.Address();
    Name name;
    for (uint8_t& b : name) b = in.Byte() & 0x03;  // contests, not randomness
    net.Claim(address, name, now);
  }

  void SetOptions(Input& in) {
    const uint8_t bits = in.Byte();
    options.reassemble = (bits & 0x01) == 0;
    options.maxRtsCtsSessions = (bits >> 1) & 0x07;
    options.interpacketMs = (bits >> 4) * 10u;
    net.SetOptions(options);
  }

  void Check() {
    for (const Record& record : events.records) {
      Require(record.message.size() >= 6 + 9);
      Require(record.message.size() <= 6 + kMaxTransportData);
      const auto found =
          announced.find(Key(record.message[4], record.message[5]));
      Require(found != announced.end());
      Require(record.message.size() - 6 == found->second);
    }
    for (const TransferEnd& end : events.ended) {
      const auto found = sent.find(end.id);
      Require(found != sent.end() && found->second == end.message);
      sent.erase(found);
    }
    for (const ClaimEnd& claim : events.claims) {
      Require(claim.state == ClaimState::kClaimed ||
              claim.state == ClaimState::kLost);
    }
    events.Clear();
    const auto sizes = net.CurrentSizes();
    Require(sizes.broadcastsIn <= 254);
    Require(sizes.connectionsIn <= 16);
    Require(sizes.transfersWaiting <= 64);
    Require(sizes.transfersRunning <= 256 + 16);
    Require(sizes.claims <= 16);
    Require(sizes.controlFrames <= 512);
    if (const auto next = net.NextDeadline()) Require(*next <= now + 1250);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in({data, size});
  Harness h;
  while (!in.Empty()) {
    const uint8_t op = in.Byte();
    switch (op & 0x07) {
      case 0:
        h.Hear(in);
        break;
      case 1:
        h.now += (op >> 3) * size_t{in.Byte()};
        h.net.OnTime(h.now, h.events);
        break;
      case 2:
        h.Take(in);
        break;
      case 3:
        h.Send(in);
        break;
      case 4:
        h.Claim(in);
        break;
      case 5:
        h.net.Release(in.Address());
        break;
      case 6:
        h.SetOptions(in);
        break;
      case 7:
        if ((op >> 3) == 0x1F) {
          h.net.Reset();
          h.sent.clear();
        }
        break;
    }
    h.Check();
  }
  return 0;
}
