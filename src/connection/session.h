// One open adapter device: its port, its reader and writer threads, the
// parser's kept tail, the command channel, the device's traits, and the
// clients connected to it. Made by the first connect to the device and
// closed by its last disconnect; the threads are given their session and
// reach nothing process-wide.
//
// Lock order (a lock is only ever taken while holding those above it):
//   Registry::lifecycleLock_   a connect or disconnect, whole
//   Client::commandLock        one command of one client, whole
//   Session::adapterLock_      one programming of the adapter
//   Registry::lock_            the client and session tables
//   Registry::claimsLock_      the addresses the process claims
//   Session::membersLock_      the session's list of clients
//   Session::portLock_         the port handle against its closing
//   ClientTransport::lock_     one client's J1939 transport and claims
//   MessageQueue::lock_        leaves; the command channel's own locks are
//                              leaves too
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "connection/client.h"
#include "link/command_channel.h"
#include "link/device_traits.h"
#include "link/filter_program.h"
#include "link/parser.h"
#include "platform/platform.h"
#include "vlr/thread_annotations.h"

namespace vlr {

constexpr int kMaxClients = 16;

// A frame the writer took from a client's transmit queue.
struct TakenFrame {
  QueueEntry entry;
  Client* client = nullptr;
  uint32_t connection = MessageQueue::kNoConnection;
  Protocol protocol = Protocol::kJ1708;
  // A frame of the client's J1939 transport or address claim, not of its
  // transmit queue: never echoed on its own.
  bool transport = false;
  // The transport queued records or echoes for the application.
  bool notify = false;
};

class Session {
 public:
  explicit Session(const link::DeviceTraits& traits);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const link::DeviceTraits& Traits() const { return traits_; }
  int16_t DeviceId() const { return traits_.id; }

  // ----- lifecycle, under the registry's lifecycle lock
  // Opens the port and runs the start-up with reception on for
  // `protocol`: 0, ERR_DEVICE_IN_USE or ERR_DLL_NOT_INITIALIZED.
  int16_t Open(Protocol protocol);
  // Starts the adapter threads; false (nothing started) when they cannot
  // be made.
  bool Start();
  // Ends the threads, switches the adapter's reception of `lastProtocol`
  // (the last client's) off and closes the port. Safe to call more than
  // once.
  void Close(Protocol lastProtocol);

  // ----- clients
  void Join(Client& client, uint32_t connection);
  void Leave(const Client& client);
  int ClientCount() const;
  // Some client of `protocol` is connected (and, with `receiving`, has
  // reception on).
  bool HasClient(Protocol protocol, bool receiving = false) const;
  bool HasRawJ1708Client() const;
  // The clients of `protocol`, `except` not counted.
  int CountClients(Protocol protocol, const Client* except = nullptr) const;
  link::FilterUnion J1939Filters() const;

  // ----- the adapter's commands (2xx); callers hold AdapterLock()
  platform::Lock& AdapterLock() RETURN_CAPABILITY(adapterLock_) {
    return adapterLock_;
  }
  link::CommandChannel& Commands() { return commands_; }
  link::AdapterFilter& ProgrammedFilter() REQUIRES(adapterLock_) {
    return programmedFilter_;
  }
  // Reception of `protocol` switched on or off to follow its clients'
  // switches. False when the adapter did not acknowledge.
  bool FollowReceiveSwitches(Protocol protocol) REQUIRES(adapterLock_);
  // A filter programmed for J1939 clients that have all left is opened
  // again, so a new J1939 client starts as on a fresh device.
  void ReopenUnusedFilter() REQUIRES(adapterLock_);
  // The adapter's reception of `protocol` as last switched.
  bool Receiving(Protocol protocol) const REQUIRES(adapterLock_);

  // ----- the link
  bool LinkStopped() const {
    return linkStopped_.load(std::memory_order_acquire);
  }
  bool LinkDown() const { return adapterLost_.load(std::memory_order_acquire); }
  // The modem status of the port; false once it is closed.
  bool ModemStatus(uint32_t& status);

  // ----- for the adapter threads
  platform::Port Port() const { return port_; }
  platform::Event StopEvent() const { return stop_; }
  link::KeptTail& ParserTail() { return tail_; }
  void StopLink();
  void MarkAdapterLost();
  // J1708 flow control of the 2xx family. The ready frame wakes the writer:
  // a J1708 frame may be waiting for it.
  bool OkToSend() const { return okToSend_.load(std::memory_order_acquire); }
  void SetOkToSend(bool ok) {
    okToSend_.store(ok, std::memory_order_release);
    if (ok) WakeWriter();
  }
  // Something for the writer: a frame queued, a command waiting, the
  // threads to end. The writer sleeps on this between bursts.
  void WakeWriter() { platform::SignalEvent(writerWake_); }
  platform::Event WriterWake() const { return writerWake_; }
  // Reader: queue a received message for every client that takes it.
  // True when some client did.
  bool Deliver(Protocol protocol, std::span<const uint8_t> message);
  bool AnyClientAccepts(Protocol protocol, const uint8_t* message,
                        uint8_t mid) const;
  // Writer: the next frame to write, taking the clients in turn so that no
  // client's long transfer holds another's frames back.
  bool TakeNextFrame(TakenFrame& out);
  // Writer: runs the J1939 transports' timers. Returns the earliest time
  // one of them has work again, and whether records or echoes were queued.
  std::optional<network::Millis> ServiceTransports(bool& notify);

 private:
  struct Member {
    Client* client = nullptr;
    uint32_t connection = MessageQueue::kNoConnection;
  };

  bool Eligible(const Member& member) const REQUIRES(membersLock_);
  bool DeliverRaw(const Member& member, Protocol protocol,
                  std::span<const uint8_t> message, uint32_t now)
      REQUIRES(membersLock_);
  // The reader's share of a transport frame for one client: true when the
  // transport consumed it.
  bool RunTransport(const Member& member, std::span<const uint8_t> message,
                    uint32_t stamp, bool& delivered) REQUIRES(membersLock_);
  bool TakeTransportFrame(const Member& member, TakenFrame& out)
      REQUIRES(membersLock_);
  // Records to the client's queue (through its filter), echoes of
  // completed transfers, the outcomes its waiting threads look for. True
  // when something was queued for the application.
  bool HandleTransportEvents(const Member& member,
                             const network::Events& events, uint32_t stamp)
      REQUIRES(membersLock_);
  bool Takes(const Client& client, Protocol protocol,
             std::span<const uint8_t> message) const;
  void WakeReaders();
  void ClosePort();

  const link::DeviceTraits& traits_;
  // Lives as long as the session, so an application thread that queued a
  // frame may signal it while the last client disconnects. Made before
  // the command channel, which is given it.
  const platform::Event writerWake_;

  platform::Lock adapterLock_ ACQUIRED_BEFORE(membersLock_);
  link::AdapterFilter programmedFilter_ GUARDED_BY(adapterLock_);
  // Indexed by Protocol. Only what the start-up switched on is on at first.
  std::array<bool, 2> receiving_ GUARDED_BY(adapterLock_){};

  mutable platform::Lock membersLock_ ACQUIRED_BEFORE(portLock_);
  std::array<Member, kMaxClients> members_ GUARDED_BY(membersLock_){};
  int memberCount_ GUARDED_BY(membersLock_) = 0;
  size_t nextTurn_ GUARDED_BY(membersLock_) = 0;  // writer's fairness

  // Written by Open and Close on the lifecycle thread while no adapter
  // thread runs; read by the threads and, under portLock_, by status
  // queries on any thread.
  platform::Lock portLock_;
  platform::Port port_ = nullptr;
  platform::Event stop_ = nullptr;
  platform::Thread reader_ = nullptr;
  platform::Thread writer_ = nullptr;

  link::KeptTail tail_;  // reader thread only
  link::CommandChannel commands_;
  std::atomic<bool> okToSend_{true};
  std::atomic<bool> linkStopped_{false};
  // The port reported the adapter gone (unplugged, line hung up). Unlike a
  // stopped link the threads go on idling until the disconnect, and the
  // clients can still read what was queued before.
  std::atomic<bool> adapterLost_{false};
};

}  // namespace vlr
