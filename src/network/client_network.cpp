#include "network/client_network.h"

#include <algorithm>

#include "network/tp_frames.h"

namespace vlr::network {
namespace {

std::optional<Millis> Earlier(std::optional<Millis> a,
                              std::optional<Millis> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

}  // namespace

void Events::Clear() {
  records.clear();
  ended.clear();
  claims.clear();
}

ClientNetwork::ClientNetwork(Options options) { SetOptions(options); }

void ClientNetwork::SetOptions(const Options& options) {
  options_ = options;
  // No session at all would leave connection-mode sends waiting forever.
  options_.maxRtsCtsSessions = std::max<size_t>(options.maxRtsCtsSessions, 1);
  receiver_.SetMaxSessions(options_.maxRtsCtsSessions);
  sender_.SetMaxSessions(options_.maxRtsCtsSessions);
  sender_.SetInterpacketMs(options_.interpacketMs);
  if (!options_.reassemble) receiver_.Clear(outbox_);
}

void ClientNetwork::SetInterpacketMs(uint32_t ms) {
  options_.interpacketMs = ms;
  sender_.SetInterpacketMs(ms);
}

Disposition ClientNetwork::OnFrame(std::span<const uint8_t> message, Millis now,
                                   Events& out) {
  // Only data page 0 holds these groups; the same format byte on the other
  // pages is someone else's.
  if (message.size() < kHeaderSize || (message[2] & 0x03) != 0) {
    return Disposition::kDeliver;
  }
  switch (message[1]) {
    case pf::kTransportControl:
    case pf::kTransportData:
      return OnTransport(message, now, out);
    case pf::kAddressClaimed:
    case pf::kRequest:
      OnClaimTraffic(message, now, out);
      return Disposition::kDeliver;
    default:
      return Disposition::kDeliver;
  }
}

void ClientNetwork::OnClaimTraffic(std::span<const uint8_t> message, Millis now,
                                   Events& out) {
  const size_t before = out.claims.size();
  claimer_.OnFrame(message, now, outbox_, out);
  for (size_t i = before; i < out.claims.size(); ++i) {
    if (out.claims[i].state == ClaimState::kLost) {
      receiver_.DropTo(out.claims[i].address, outbox_);
    }
  }
}

Disposition ClientNetwork::OnTransport(std::span<const uint8_t> message,
                                       Millis now, Events& out) {
  const FrameHeader header = HeaderOf(message);
  bool ours = false;
  if (header.pf == pf::kTransportControl) {
    // Our own transfers run whatever the application reassembles.
    if (const auto control = DecodeControl(message)) {
      ours = sender_.OnControl(header, *control, now, outbox_, out);
    }
  }
  if (!options_.reassemble) return Disposition::kDeliver;
  const bool toClaimed =
      claimer_.StateOf(header.destination) == ClaimState::kClaimed;
  if (receiver_.OnFrame(message, toClaimed, now, outbox_, out) ==
      Disposition::kConsumed) {
    ours = true;
  }
  return ours ? Disposition::kConsumed : Disposition::kDeliver;
}

void ClientNetwork::OnTime(Millis now, Events& out) {
  receiver_.OnTime(now, outbox_);
  sender_.OnTime(now, outbox_, out);
  claimer_.OnTime(now, out);
}

bool ClientNetwork::TakeFrame(Millis now, Packet& frame, Events& out) {
  ControlOutbox::Entry entry;
  if (outbox_.Pop(entry)) {
    frame = entry.frame;
    if (entry.ticket != 0) {
      receiver_.OnTaken(entry.ticket, now);
      claimer_.OnTaken(entry.ticket, now);
    }
    return true;
  }
  return sender_.TakeFrame(now, frame, out);
}

std::optional<Millis> ClientNetwork::NextDeadline() const {
  auto earliest = Earlier(outbox_.OldestQueued(), receiver_.NextDeadline());
  earliest = Earlier(earliest, sender_.NextDeadline());
  return Earlier(earliest, claimer_.NextDeadline());
}

SendResult ClientNetwork::Send(std::span<const uint8_t> message, uint32_t id,
                               Millis now) {
  if (message.size() > 4 && AddressLost(message[4])) {
    return SendResult::kAddressLost;
  }
  return sender_.Send(message, id, now);
}

bool ClientNetwork::Claim(uint8_t address, const Name& name, Millis now) {
  return claimer_.Claim(address, name, now, outbox_);
}

void ClientNetwork::Release(uint8_t address) {
  claimer_.Release(address, outbox_);
  receiver_.DropTo(address, outbox_);
}

ClaimState ClientNetwork::StateOf(uint8_t address) const {
  return claimer_.StateOf(address);
}

bool ClientNetwork::AddressLost(uint8_t address) const {
  return claimer_.StateOf(address) == ClaimState::kLost;
}

void ClientNetwork::Reset() {
  receiver_.Clear(outbox_);
  sender_.Clear();
  claimer_.Clear();
  outbox_.Clear();
}

ClientNetwork::Sizes ClientNetwork::CurrentSizes() const {
  return {receiver_.BroadcastCount(), receiver_.ConnectionCount(),
          sender_.RunningCount(),     sender_.WaitingCount(),
          claimer_.Count(),           outbox_.Size()};
}

}  // namespace vlr::network
