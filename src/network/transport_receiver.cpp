#include "network/transport_receiver.h"

#include <algorithm>

namespace vlr::network {
namespace {

// 0 is not a valid window limit; senders that put it there mean none.
bool Unlimited(uint8_t maxPerCts) {
  return maxPerCts == 0 || maxPerCts == 0xFF;
}

bool ValidSize(uint16_t size, uint8_t packets) {
  return size >= kMinTransportData && size <= kMaxTransportData &&
         packets == PacketsFor(size);
}

}  // namespace

Disposition TransportReceiver::OnFrame(std::span<const uint8_t> message,
                                       bool toClaimedAddress, Millis now,
                                       ControlOutbox& outbox, Events& out) {
  if (message.size() < kHeaderSize) return Disposition::kDeliver;
  if (message[1] == pf::kTransportControl) {
    return OnControl(message, toClaimedAddress, now, outbox);
  }
  if (message[1] == pf::kTransportData) {
    return OnData(message, now, outbox, out);
  }
  return Disposition::kDeliver;
}

Disposition TransportReceiver::OnControl(std::span<const uint8_t> message,
                                         bool toClaimed, Millis now,
                                         ControlOutbox& outbox) {
  const auto control = DecodeControl(message);
  if (!control) return Disposition::kDeliver;
  const FrameHeader header = HeaderOf(message);
  switch (control->Code()) {
    case control::kBam:
      if (header.destination != kGlobal) return Disposition::kDeliver;
      return StartBroadcast(header, *control, now, outbox);
    case control::kRts:
      if (header.destination == kGlobal || !toClaimed) {
        return Disposition::kDeliver;
      }
      return StartConnection(header, *control, now, outbox);
    case control::kAbort: {
      const auto at = connections_.find(header.source);
      if (at == connections_.end() || at->second.local != header.destination ||
          !SamePgn(at->second.pgn, control->TransferredPgn())) {
        return Disposition::kDeliver;
      }
      Drop(connections_, at, outbox);
      return Disposition::kConsumed;
    }
    default:
      return Disposition::kDeliver;
  }
}

Disposition TransportReceiver::StartBroadcast(const FrameHeader& header,
                                              const ControlData& control,
                                              Millis now,
                                              ControlOutbox& outbox) {
  // A new announce means the sender gave up the previous transfer.
  const auto previous = broadcasts_.find(header.source);
  if (previous != broadcasts_.end()) Drop(broadcasts_, previous, outbox);
  if (!ValidSize(control.Size(), control.Packets())) {
    return Disposition::kDeliver;
  }
  Inbound session;
  session.pgn = control.TransferredPgn();
  session.priority = header.priority;
  session.peer = header.source;
  session.local = kGlobal;
  session.size = control.Size();
  session.packets = control.Packets();
  session.windowEnd = uint16_t{session.packets} + 1;
  session.deadline = now + kPacketTimeoutMs;
  session.data.reserve(session.size);
  broadcasts_[header.source] = std::move(session);
  return Disposition::kConsumed;
}

Disposition TransportReceiver::StartConnection(const FrameHeader& header,
                                               const ControlData& control,
                                               Millis now,
                                               ControlOutbox& outbox) {
  const auto previous = connections_.find(header.source);
  if (previous != connections_.end()) Drop(connections_, previous, outbox);
  Inbound session;
  session.pgn = control.TransferredPgn();
  session.priority = header.priority;
  session.peer = header.source;
  session.local = header.destination;
  session.size = control.Size();
  session.packets = control.Packets();
  session.maxPerCts = control.MaxPerCts();
  // A size that disagrees with its packet count is as unusable as one past
  // the limit, and the sender learns the same from either.
  if (!ValidSize(session.size, session.packets)) {
    Abort(session, AbortReason::kTooLarge, now, outbox);
    return Disposition::kConsumed;
  }
  if (connections_.size() >= maxSessions_) {
    Abort(session, AbortReason::kAlreadyInSession, now, outbox);
    return Disposition::kConsumed;
  }
  session.data.reserve(session.size);
  Inbound& placed = connections_[header.source] = std::move(session);
  AskWindow(placed, now, outbox);
  return Disposition::kConsumed;
}

void TransportReceiver::AskWindow(Inbound& session, Millis now,
                                  ControlOutbox& outbox) {
  const uint16_t remaining = uint16_t{session.packets} + 1 - session.next;
  const uint16_t count = Unlimited(session.maxPerCts)
                             ? remaining
                             : std::min<uint16_t>(remaining, session.maxPerCts);
  session.windowEnd = session.next + count;
  session.ctsTicket = outbox.NewTicket();
  if (!outbox.Push(
          CtsPacket(session.local, session.peer, static_cast<uint8_t>(count),
                    static_cast<uint8_t>(session.next), session.pgn),
          now, session.ctsTicket)) {
    session.ctsTicket = 0;
  }
  // Counted again from when the CTS goes out; this bound holds if it never
  // does.
  session.deadline = now + kDataAfterCtsMs;
}

Disposition TransportReceiver::OnData(std::span<const uint8_t> message,
                                      Millis now, ControlOutbox& outbox,
                                      Events& out) {
  if (message.size() < kHeaderSize + 1) return Disposition::kDeliver;
  const FrameHeader header = HeaderOf(message);
  Sessions& sessions =
      header.destination == kGlobal ? broadcasts_ : connections_;
  const auto at = sessions.find(header.source);
  if (at == sessions.end() || at->second.local != header.destination) {
    return Disposition::kDeliver;
  }
  Inbound& session = at->second;
  const bool connection = session.local != kGlobal;
  const uint8_t sequence = message[kHeaderSize];
  if (sequence != session.next || sequence >= session.windowEnd) {
    const bool duplicate = sequence >= 1 && sequence < session.next;
    if (connection) {
      Abort(session,
            duplicate ? AbortReason::kDuplicateSequence
                      : AbortReason::kBadSequence,
            now, outbox);
    }
    Drop(sessions, at, outbox);
    return Disposition::kConsumed;
  }
  const size_t from = (size_t{sequence} - 1) * kBytesPerPacket;
  const size_t count = std::min(kBytesPerPacket, size_t{session.size} - from);
  const auto payload = message.subspan(kHeaderSize + 1);
  if (payload.size() < count) return Disposition::kDeliver;
  session.data.insert(session.data.end(), payload.begin(),
                      payload.begin() + count);
  ++session.next;
  session.deadline = now + kPacketTimeoutMs;
  if (session.next > session.packets) {
    if (connection) {
      outbox.Push(EndOfMessagePacket(session.local, session.peer, session.size,
                                     session.packets, session.pgn),
                  now);
    }
    Record record;
    record.message = {session.pgn[0],   session.pgn[1], session.pgn[2],
                      session.priority, session.peer,   session.local};
    record.message.insert(record.message.end(), session.data.begin(),
                          session.data.end());
    out.records.push_back(std::move(record));
    Drop(sessions, at, outbox);
  } else if (connection && session.next == session.windowEnd) {
    AskWindow(session, now, outbox);
  }
  return Disposition::kConsumed;
}

void TransportReceiver::OnTime(Millis now, ControlOutbox& outbox) {
  for (Sessions* sessions : {&broadcasts_, &connections_}) {
    for (auto at = sessions->begin(); at != sessions->end();) {
      const auto next = std::next(at);
      const Inbound& session = at->second;
      if (session.deadline && *session.deadline <= now) {
        if (session.local != kGlobal) {
          Abort(session, AbortReason::kTimeout, now, outbox);
        }
        Drop(*sessions, at, outbox);
      }
      at = next;
    }
  }
}

void TransportReceiver::OnTaken(uint64_t ticket, Millis now) {
  for (auto& [source, session] : connections_) {
    if (session.ctsTicket != 0 && session.ctsTicket == ticket) {
      session.ctsTicket = 0;
      session.deadline = now + kDataAfterCtsMs;
      return;
    }
  }
}

std::optional<Millis> TransportReceiver::NextDeadline() const {
  std::optional<Millis> earliest;
  for (const Sessions* sessions : {&broadcasts_, &connections_}) {
    for (const auto& [source, session] : *sessions) {
      if (session.deadline && (!earliest || *session.deadline < *earliest)) {
        earliest = session.deadline;
      }
    }
  }
  return earliest;
}

void TransportReceiver::DropTo(uint8_t address, ControlOutbox& outbox) {
  for (auto at = connections_.begin(); at != connections_.end();) {
    const auto next = std::next(at);
    if (at->second.local == address) Drop(connections_, at, outbox);
    at = next;
  }
}

void TransportReceiver::Clear(ControlOutbox& outbox) {
  for (const auto& [source, session] : connections_) {
    outbox.Withdraw(session.ctsTicket);
  }
  broadcasts_.clear();
  connections_.clear();
}

void TransportReceiver::Drop(Sessions& sessions, Sessions::iterator at,
                             ControlOutbox& outbox) {
  outbox.Withdraw(at->second.ctsTicket);
  sessions.erase(at);
}

void TransportReceiver::Abort(const Inbound& session, AbortReason reason,
                              Millis now, ControlOutbox& outbox) {
  outbox.Push(AbortPacket(session.local, session.peer, reason, session.pgn),
              now);
}

}  // namespace vlr::network
