// The session's share of the J1939 network layer: frames handed to each
// client's transport as they arrive, the transports' frames taken in the
// writer's turn, their timers run by the writer, and what they complete
// queued for the clients.
#include <algorithm>
#include <array>

#include "connection/session.h"
#include "link/frames.h"

namespace vlr {
namespace {

constexpr uint8_t kFirstPduTwoFormat = 240;

// The record an application reads back for a whole message it sent by
// transport, laid out as a received one.
std::vector<uint8_t> TransportEchoRecord(const std::vector<uint8_t>& sent) {
  std::vector<uint8_t> record = sent;
  if (record.size() < link::kJ1939HeaderSize) return {};
  if (record[1] < kFirstPduTwoFormat) record[0] = 0;
  record[3] &= 0x07;
  return record;
}

}  // namespace

bool Session::HandleTransportEvents(const Member& member,
                                    const network::Events& events,
                                    uint32_t stamp) {
  Client& client = *member.client;
  bool queued = false;
  const bool receiving = client.receive.load(std::memory_order_acquire);
  for (const network::Record& record : events.records) {
    if (!receiving || !Takes(client, Protocol::kJ1939,
                             {record.message.data(), record.message.size()})) {
      continue;
    }
    queued |=
        client.rxQueue.PushFor(member.connection, record.message, stamp, 0);
  }
  // The whole message is echoed once, when it has gone out completely;
  // its single frames never are.
  if (client.echo.load(std::memory_order_acquire)) {
    for (const network::TransferEnd& end : events.ended) {
      if (!end.ok) continue;
      const std::vector<uint8_t> record = TransportEchoRecord(end.message);
      if (record.empty()) continue;
      queued |= client.rxQueue.PushFor(member.connection, record,
                                       platform::TickCount(), 1);
    }
  }
  client.transport.Note(events);
  return queued;
}

bool Session::RunTransport(const Member& member,
                           std::span<const uint8_t> message, uint32_t stamp,
                           bool& delivered) {
  network::Events events;
  const network::Disposition disposition =
      member.client->transport.OnFrame(message, events);
  delivered |= HandleTransportEvents(member, events, stamp);
  return disposition == network::Disposition::kConsumed;
}

bool Session::TakeTransportFrame(const Member& member, TakenFrame& out) {
  Client& client = *member.client;
  if (client.protocol.load(std::memory_order_relaxed) != Protocol::kJ1939) {
    return false;
  }
  network::Packet packet;
  network::Events events;
  if (!client.transport.TakeFrame(packet, events)) return false;
  out.notify |= HandleTransportEvents(member, events, platform::TickCount());
  link::Frame frame;
  bool built = false;
  switch (traits_.framing) {
    case link::Framing::kCounted:
      built = link::BuildJ1939Frame1xx(packet, frame);
      break;
    case link::Framing::kSynced:
      built = link::BuildJ1939Frame2xx(packet, frame);
      break;
    case link::Framing::kNone:
      break;
  }
  // A device without serial framing carries nothing; the frame counts as
  // sent, as its single-frame messages do.
  out.entry.length = built ? static_cast<uint32_t>(frame.length) : 0;
  std::copy_n(frame.bytes.begin(), out.entry.length, out.entry.data.begin());
  out.transport = true;
  return true;
}

std::optional<network::Millis> Session::ServiceTransports(bool& notify) {
  std::optional<network::Millis> earliest;
  platform::LockGuard guard(membersLock_);
  for (int k = 0; k < memberCount_; ++k) {
    const Member& member = members_[static_cast<size_t>(k)];
    Client& client = *member.client;
    if (client.protocol.load(std::memory_order_relaxed) != Protocol::kJ1939) {
      continue;
    }
    network::Events events;
    client.transport.OnTime(events);
    notify |= HandleTransportEvents(member, events, platform::TickCount());
    const std::optional<network::Millis> next = client.transport.NextDeadline();
    if (next && (!earliest || *next < *earliest)) earliest = next;
  }
  return earliest;
}

}  // namespace vlr
