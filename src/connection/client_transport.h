// A client's J1939 network layer behind its lock, with what application
// threads wait for: the end of a transfer they sent blocking, the end of a
// claim. The reader feeds it frames, the writer takes its frames and runs
// its timers, application threads start transfers and claims.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "network/client_network.h"
#include "platform/platform.h"
#include "vlr/thread_annotations.h"

namespace vlr {

// The layer's clock: monotonic, and wider than the tick count, which
// wraps after 49 days.
network::Millis NetworkNow();

// What a blocking wait found.
enum class TransferOutcome { kSent, kNotSent, kGone };

class ClientTransport {
 public:
  ClientTransport();
  ~ClientTransport();
  ClientTransport(const ClientTransport&) = delete;
  ClientTransport& operator=(const ClientTransport&) = delete;

  // Connect and disconnect: drops every transfer and claim.
  void Reset(bool reassemble, size_t maxRtsCtsSessions);
  // The frames the layer looks at; others never take the lock.
  static bool Concerns(std::span<const uint8_t> message);

  network::Disposition OnFrame(std::span<const uint8_t> message,
                               network::Events& out);
  void OnTime(network::Events& out);
  bool TakeFrame(network::Packet& frame, network::Events& out);
  std::optional<network::Millis> NextDeadline();

  // The id of the started transfer, or the layer's refusal.
  network::SendResult Send(std::span<const uint8_t> message, uint32_t& id);
  void SetInterpacketMs(uint32_t ms);
  bool Claim(uint8_t address, const network::Name& name);
  void Release(uint8_t address);
  network::ClaimState StateOf(uint8_t address);
  bool AddressLost(uint8_t address);
  size_t ClaimCount();

  // Kept from events the reader or writer handled, for the waits below.
  void Note(const network::Events& events);
  // Until transfer `id` ended, `stillServed` turns false, or `timeoutMs`.
  template <typename StillServed>
  TransferOutcome WaitForTransfer(uint32_t id, uint32_t timeoutMs,
                                  StillServed stillServed);
  // Until the claim of `address` is no longer pending (or the bound).
  template <typename StillServed>
  network::ClaimState WaitForClaim(uint8_t address, uint32_t timeoutMs,
                                   StillServed stillServed);

 private:
  std::optional<bool> EndOf(uint32_t id);

  // A leaf but for the queues' locks: see the lock order in session.h.
  platform::Lock lock_;
  network::ClientNetwork network_ GUARDED_BY(lock_);
  uint32_t nextId_ GUARDED_BY(lock_) = 1;
  // The last transfers that ended; a blocking sender looks for its own.
  struct Ended {
    uint32_t id = 0;
    bool ok = false;
  };
  std::array<Ended, 64> ended_ GUARDED_BY(lock_){};
  size_t endedNext_ GUARDED_BY(lock_) = 0;
  // Signalled whenever a transfer or claim ends.
  platform::Event progress_;
};

template <typename StillServed>
TransferOutcome ClientTransport::WaitForTransfer(uint32_t id,
                                                 uint32_t timeoutMs,
                                                 StillServed stillServed) {
  const uint32_t start = platform::TickCount();
  for (;;) {
    platform::ResetEvent(progress_);
    if (const std::optional<bool> ok = EndOf(id)) {
      return *ok ? TransferOutcome::kSent : TransferOutcome::kNotSent;
    }
    if (!stillServed()) return TransferOutcome::kGone;
    const uint32_t waited = platform::TickCount() - start;
    if (waited >= timeoutMs) return TransferOutcome::kNotSent;
    platform::WaitForEvent(progress_, timeoutMs - waited);
  }
}

template <typename StillServed>
network::ClaimState ClientTransport::WaitForClaim(uint8_t address,
                                                  uint32_t timeoutMs,
                                                  StillServed stillServed) {
  const uint32_t start = platform::TickCount();
  for (;;) {
    platform::ResetEvent(progress_);
    const network::ClaimState state = StateOf(address);
    if (state != network::ClaimState::kPending || !stillServed()) return state;
    const uint32_t waited = platform::TickCount() - start;
    if (waited >= timeoutMs) return state;
    platform::WaitForEvent(progress_, timeoutMs - waited);
  }
}

}  // namespace vlr
