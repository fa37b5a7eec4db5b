#include "connection/client_transport.h"

#include <chrono>

namespace vlr {

namespace {

constexpr uint8_t kTransportData = 0xEB;
constexpr uint8_t kTransportControl = 0xEC;
constexpr uint8_t kRequest = 0xEA;
constexpr uint8_t kAddressClaimed = 0xEE;

}  // namespace

network::Millis NetworkNow() {
  return static_cast<network::Millis>(
      std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

ClientTransport::ClientTransport()
    : network_(network::Options{}),
      progress_(platform::CreateManualResetEvent()) {}

ClientTransport::~ClientTransport() { platform::CloseEvent(progress_); }

void ClientTransport::Reset(bool reassemble, size_t maxRtsCtsSessions) {
  {
    platform::LockGuard guard(lock_);
    network_.Reset();
    network::Options options;
    options.reassemble = reassemble;
    options.maxRtsCtsSessions = maxRtsCtsSessions;
    network_.SetOptions(options);
    ended_.fill({});
  }
  // A sender still waiting for the previous connection looks again.
  platform::SignalEvent(progress_);
}

bool ClientTransport::Concerns(std::span<const uint8_t> message) {
  if (message.size() < 6) return false;
  const uint8_t pf = message[1];
  return pf == kTransportData || pf == kTransportControl || pf == kRequest ||
         pf == kAddressClaimed;
}

network::Disposition ClientTransport::OnFrame(std::span<const uint8_t> message,
                                              network::Events& out) {
  platform::LockGuard guard(lock_);
  return network_.OnFrame(message, NetworkNow(), out);
}

void ClientTransport::OnTime(network::Events& out) {
  platform::LockGuard guard(lock_);
  network_.OnTime(NetworkNow(), out);
}

bool ClientTransport::TakeFrame(network::Packet& frame, network::Events& out) {
  platform::LockGuard guard(lock_);
  return network_.TakeFrame(NetworkNow(), frame, out);
}

std::optional<network::Millis> ClientTransport::NextDeadline() {
  platform::LockGuard guard(lock_);
  return network_.NextDeadline();
}

network::SendResult ClientTransport::Send(std::span<const uint8_t> message,
                                          uint32_t& id) {
  platform::LockGuard guard(lock_);
  id = nextId_++;
  if (nextId_ == 0) nextId_ = 1;  // 0 never names a transfer
  return network_.Send(message, id, NetworkNow());
}

void ClientTransport::SetInterpacketMs(uint32_t ms) {
  platform::LockGuard guard(lock_);
  network_.SetInterpacketMs(ms);
}

bool ClientTransport::Claim(uint8_t address, const network::Name& name) {
  platform::LockGuard guard(lock_);
  return network_.Claim(address, name, NetworkNow());
}

void ClientTransport::Release(uint8_t address) {
  platform::LockGuard guard(lock_);
  network_.Release(address);
}

network::ClaimState ClientTransport::StateOf(uint8_t address) {
  platform::LockGuard guard(lock_);
  return network_.StateOf(address);
}

bool ClientTransport::AddressLost(uint8_t address) {
  platform::LockGuard guard(lock_);
  return network_.AddressLost(address);
}

size_t ClientTransport::ClaimCount() {
  platform::LockGuard guard(lock_);
  return network_.CurrentSizes().claims;
}

void ClientTransport::Note(const network::Events& events) {
  if (events.ended.empty() && events.claims.empty()) return;
  {
    platform::LockGuard guard(lock_);
    for (const network::TransferEnd& end : events.ended) {
      ended_[endedNext_] = {end.id, end.ok};
      endedNext_ = (endedNext_ + 1) % ended_.size();
    }
  }
  platform::SignalEvent(progress_);
}

std::optional<bool> ClientTransport::EndOf(uint32_t id) {
  platform::LockGuard guard(lock_);
  for (const Ended& end : ended_) {
    if (end.id == id) return end.ok;
  }
  return std::nullopt;
}

}  // namespace vlr
