// One client of the process: what RP1210_ClientConnect hands out a client id
// for. Made once with the registry and never freed, so a thread that races
// a disconnect and the next connect finds a client that serves another
// connection, never freed memory.
#pragma once

#include <atomic>
#include <cstdint>

#include "connection/client_transport.h"
#include "connection/filters.h"
#include "connection/protocol.h"
#include "platform/platform.h"
#include "queue/message_queue.h"
#include "vlr/thread_annotations.h"

namespace vlr {

struct Client {
  Client() { txQueue.SetMaxCount(MessageQueue::kTransmitMaxCount); }

  // The connection that holds the client, MessageQueue::kNoConnection while
  // it is free. Published last by the connect and cleared first by the
  // disconnect; a thread takes it once and acts for that value only.
  std::atomic<uint32_t> connection{MessageQueue::kNoConnection};
  // Fixed for a connection, written before it is published. Atomic only
  // because a thread of the previous connection may still read them.
  std::atomic<Protocol> protocol{Protocol::kJ1708};
  std::atomic<int16_t> deviceId{-1};
  // The last argument of RP1210_ClientConnect: the application reassembles
  // J1939 transport-protocol messages itself.
  std::atomic<bool> appPacketizing{false};

  MessageQueue rxQueue;
  MessageQueue txQueue;
  FilterState filters;
  std::atomic<bool> echo{false};
  std::atomic<bool> receive{true};
  std::atomic<bool> j1708Raw{false};
  // J1939 transport and address claim on the client's behalf.
  ClientTransport transport;

  // Held by a command for this client for as long as it runs, and by the
  // disconnect to release the client: a command never acts for the
  // connection after its own. Its place in the lock order: session.h.
  platform::Lock commandLock;

  // Connect and disconnect, with commandLock held (disconnect) or before
  // the connection is published (connect).
  void Reset() {
    filters.Reset();
    echo.store(false);
    receive.store(true);
    j1708Raw.store(false);
  }

  bool Serves(uint32_t number) const {
    return number != MessageQueue::kNoConnection &&
           connection.load(std::memory_order_acquire) == number;
  }
};

}  // namespace vlr
