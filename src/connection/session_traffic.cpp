// The session's share of the traffic: received messages handed to each
// client that takes them, and the clients' frames handed to the writer in
// turn.
#include "connection/session.h"
#include "link/frames.h"

namespace vlr {

// A 2xx adapter filters J1939 itself, and a client that never stored a
// group has always received what the adapter reports; only stored groups
// narrow it down here. Elsewhere the client's filter decides alone.
bool Session::Takes(const Client& client, Protocol protocol,
                    std::span<const uint8_t> message) const {
  const FilterState& filters = client.filters;
  if (protocol == Protocol::kJ1708) return filters.MatchJ1708(message[0]);
  if (traits_.rules.filtersJ1939 &&
      filters.filterCount.load(std::memory_order_acquire) <= 0) {
    return true;
  }
  return filters.MatchJ1939(message.data());
}

bool Session::Deliver(Protocol protocol, std::span<const uint8_t> message) {
  if (message.empty()) return false;
  // One stamp for every copy: the clients see the same arrival time.
  const uint32_t now = platform::TickCount();
  const bool transportFrame =
      protocol == Protocol::kJ1939 && ClientTransport::Concerns(message);
  bool delivered = false;
  {
    platform::LockGuard guard(membersLock_);
    for (int k = 0; k < memberCount_; ++k) {
      const Member& member = members_[static_cast<size_t>(k)];
      if (member.client->protocol.load(std::memory_order_relaxed) != protocol) {
        continue;
      }
      if (transportFrame && RunTransport(member, message, now, delivered)) {
        continue;
      }
      delivered |= DeliverRaw(member, protocol, message, now);
    }
  }
  // An answer (CTS, acknowledgement, claim) may be due at once.
  if (transportFrame) WakeWriter();
  return delivered;
}

bool Session::DeliverRaw(const Member& member, Protocol protocol,
                         std::span<const uint8_t> message, uint32_t now) {
  Client& client = *member.client;
  if (!client.receive.load(std::memory_order_acquire) ||
      !Takes(client, protocol, message)) {
    return false;
  }
  std::span<const uint8_t> record = message;
  // The checksum is the line's; in converted mode the client does not
  // see it, and a message that was only a checksum leaves nothing.
  if (protocol == Protocol::kJ1708 && !client.j1708Raw.load()) {
    record = record.first(record.size() - 1);
    if (record.empty()) return false;
  }
  // A failed push (no memory) loses this copy only; the link goes on.
  return client.rxQueue.PushFor(member.connection, record, now, 0);
}

bool Session::AnyClientAccepts(Protocol protocol, const uint8_t* message,
                               uint8_t mid) const {
  // The transport and the address claim see their frames whatever the
  // filters pass; what they make of them is filtered on its own.
  if (protocol == Protocol::kJ1939 &&
      ClientTransport::Concerns({message, link::kJ1939HeaderSize})) {
    return true;
  }
  platform::LockGuard guard(membersLock_);
  for (int k = 0; k < memberCount_; ++k) {
    const Client& client = *members_[static_cast<size_t>(k)].client;
    if (client.protocol.load(std::memory_order_relaxed) != protocol) continue;
    if (protocol == Protocol::kJ1708 ? client.filters.MatchJ1708(mid)
                                     : client.filters.MatchJ1939(message)) {
      return true;
    }
  }
  return false;
}

bool Session::Eligible(const Member& member) const {
  // Only the family that sends ready frames holds J1708 frames for one;
  // elsewhere holding them would stop transmission after the first frame.
  return member.client->protocol.load(std::memory_order_relaxed) !=
             Protocol::kJ1708 ||
         !traits_.rules.readyFlowControl || OkToSend();
}

bool Session::TakeNextFrame(TakenFrame& out) {
  platform::LockGuard guard(membersLock_);
  const auto count = static_cast<size_t>(memberCount_);
  for (size_t k = 0; k < count; ++k) {
    const size_t turn = (nextTurn_ + k) % count;
    const Member& member = members_[turn];
    out.transport = false;
    out.notify = false;
    if (!TakeTransportFrame(member, out) &&
        (!Eligible(member) ||
         !member.client->txQueue.PopFor(member.connection, out.entry))) {
      continue;
    }
    out.client = member.client;
    out.connection = member.connection;
    out.protocol = member.client->protocol.load(std::memory_order_relaxed);
    nextTurn_ = turn + 1;
    return true;
  }
  return false;
}

}  // namespace vlr
