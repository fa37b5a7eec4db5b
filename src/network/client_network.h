// The J1939 network layer of one client: reassembly of transfers to it,
// its own transfers of long messages, and its address claims. Frames and a
// clock go in, frames to transmit and events come out; the caller owns the
// threads, the lock and the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "network/address_claim.h"
#include "network/control_outbox.h"
#include "network/network_types.h"
#include "network/transport_receiver.h"
#include "network/transport_sender.h"

namespace vlr::network {

class ClientNetwork {  // not thread-safe: the caller locks
 public:
  explicit ClientNetwork(Options options);

  // Turning reassembly off drops the transfers being reassembled.
  void SetOptions(const Options& options);
  void SetInterpacketMs(uint32_t ms);
  const Options& GetOptions() const { return options_; }

  // Every received J1939 frame of the client's device. Frames that are
  // neither transport, Address Claimed nor Request return kDeliver at once.
  Disposition OnFrame(std::span<const uint8_t> message, Millis now,
                      Events& out);
  // Time-outs and due work; call at NextDeadline() or later.
  void OnTime(Millis now, Events& out);
  // The next frame due at `now`, control frames before data packets. Write
  // it to the line at once: timers count from when a frame was taken.
  bool TakeFrame(Millis now, Packet& frame, Events& out);
  // Earliest time at which OnTime or TakeFrame has something to do.
  std::optional<Millis> NextDeadline() const;

  // A message of 15..1791 bytes in the application layout; kTooLong for
  // any other size. Destination 255 or bit 7 of byte 3: broadcast; else
  // connection mode from byte 4 to byte 5. Transfers that may not run yet
  // (one broadcast per source, one connection per source and destination,
  // the session limit) wait in order; kBusy when 64 already wait,
  // kAddressLost when byte 4 is an address this client lost. `id` comes
  // back in the TransferEnd.
  SendResult Send(std::span<const uint8_t> message, uint32_t id, Millis now);

  // Sends Address Claimed and waits 250 ms from when it went out; claiming
  // again, lost or not, starts over. False for 254/255 or a 17th address.
  bool Claim(uint8_t address, const Name& name, Millis now);
  void Release(uint8_t address);
  ClaimState StateOf(uint8_t address) const;
  bool AddressLost(uint8_t address) const;
  void Reset();  // disconnect: drop everything

  // What the layer holds, for bounds checks.
  struct Sizes {
    size_t broadcastsIn = 0;
    size_t connectionsIn = 0;
    size_t transfersRunning = 0;
    size_t transfersWaiting = 0;
    size_t claims = 0;
    size_t controlFrames = 0;
  };
  Sizes CurrentSizes() const;

 private:
  Disposition OnTransport(std::span<const uint8_t> message, Millis now,
                          Events& out);
  void OnClaimTraffic(std::span<const uint8_t> message, Millis now,
                      Events& out);

  Options options_;
  ControlOutbox outbox_;
  TransportReceiver receiver_;
  TransportSender sender_;
  AddressClaimer claimer_;
};

}  // namespace vlr::network
