// PtyAdapter's calls on the simulated ECUs.
#include "adapter_impl.h"

namespace vlrsim {

void PtyAdapter::AddEcu(const EcuOptions& ecu) {
  {
    vlr::MutexLock guard(impl_->lock);
    impl_->network.Add(ecu, Clock::now());
  }
  impl_->Wake();
}

void PtyAdapter::Contend(uint8_t address, uint64_t name,
                         std::chrono::milliseconds after) {
  EcuOptions contender;
  contender.address = address;
  contender.name = name;
  contender.claim_after = after;
  contender.answers_requests = false;
  AddEcu(contender);
}

bool PtyAdapter::SendFromEcu(uint8_t ecu, uint32_t pgn, uint8_t destination,
                             std::span<const uint8_t> data,
                             std::chrono::milliseconds after) {
  {
    vlr::MutexLock guard(impl_->lock);
    detail::EcuNode* node = impl_->network.Find(ecu);
    if (node == nullptr) return false;
    node->SendLong(pgn, destination, Bytes(data.begin(), data.end()),
                   Clock::now() + after);
  }
  impl_->Wake();
  return true;
}

bool PtyAdapter::SetEcuFaults(uint8_t ecu, const TransferFaults& faults) {
  vlr::MutexLock guard(impl_->lock);
  detail::EcuNode* node = impl_->network.Find(ecu);
  if (node == nullptr) return false;
  node->SetFaults(faults);
  return true;
}

std::optional<EcuStatus> PtyAdapter::EcuState(uint8_t ecu) const {
  vlr::MutexLock guard(impl_->lock);
  const detail::EcuNode* node = impl_->network.Find(ecu);
  if (node == nullptr) return std::nullopt;
  return node->Status();
}

bool PtyAdapter::WaitForEcu(uint8_t ecu,
                            const std::function<bool(const EcuStatus&)>& until,
                            std::chrono::milliseconds timeout) {
  vlr::MutexLock guard(impl_->lock);
  return impl_->network_changed.wait_for(
      impl_->lock, timeout, [&]() REQUIRES(impl_->lock) {
        const detail::EcuNode* node = impl_->network.Find(ecu);
        return node != nullptr && until(node->Status());
      });
}

std::vector<EcuMessage> PtyAdapter::WaitForEcuMessages(
    uint8_t ecu, size_t count, std::chrono::milliseconds timeout) {
  WaitForEcu(
      ecu,
      [count](const EcuStatus& status) {
        return status.received.size() >= count;
      },
      timeout);
  auto state = EcuState(ecu);
  return state ? state->received : std::vector<EcuMessage>{};
}

}  // namespace vlrsim
