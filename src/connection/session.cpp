#include "connection/session.h"

#include <algorithm>

#include "api/rp1210.h"
#include "connection/driver_settings.h"
#include "link/adapter_commands.h"
#include "link/adapter_threads.h"
#include "link/frames.h"
#include "link/port_setup.h"

namespace vlr {

Session::Session(const link::DeviceTraits& traits)
    : traits_(traits),
      writerWake_(platform::CreateManualResetEvent()),
      commands_(writerWake_) {}

Session::~Session() {
  Close(Protocol::kJ1708);
  platform::CloseEvent(writerWake_);
}

int16_t Session::Open(Protocol protocol) {
  platform::Port port = link::OpenDevicePort(traits_);
  if (port == nullptr) return ERR_DEVICE_IN_USE;
  if (link::ConfigurePort(port, traits_, protocol) == 0) {
    platform::ClosePort(port);
    return ERR_DLL_NOT_INITIALIZED;
  }
  {
    platform::LockGuard guard(adapterLock_);
    receiving_[static_cast<size_t>(protocol)] = true;
  }
  platform::LockGuard guard(portLock_);
  port_ = port;
  return 0;
}

bool Session::Start() {
  stop_ = platform::CreateManualResetEvent();
  reader_ = platform::CreateSuspendedThread(&link::ReaderThread, this);
  writer_ = platform::CreateSuspendedThread(&link::WriterThread, this);
  if (stop_ == nullptr || reader_ == nullptr || writer_ == nullptr) {
    // A thread that was created never runs.
    platform::CloseThread(reader_);
    platform::CloseThread(writer_);
    platform::CloseEvent(stop_);
    reader_ = writer_ = nullptr;
    stop_ = nullptr;
    return false;
  }
  platform::SetThreadPriority(
      reader_, ThreadPriorityForCode(kDriverSettings.readerPriority));
  platform::SetThreadPriority(
      writer_, ThreadPriorityForCode(kDriverSettings.writerPriority));
  // Set before the threads run, not by them: a thread that starts late
  // would otherwise release a J1708 frame the writer has already sent one
  // ahead of, with no ready frame in between.
  SetOkToSend(true);
  platform::ResumeThread(reader_);
  platform::ResumeThread(writer_);
  return true;
}

void Session::Close(Protocol lastProtocol) {
  if (reader_ != nullptr) {
    platform::SignalEvent(stop_);
    WakeWriter();
    commands_.Abandon();
    if (platform::WaitForBothThreads(reader_, writer_)) {
      platform::CloseThread(reader_);
      platform::CloseThread(writer_);
    }
    reader_ = writer_ = nullptr;
  }
  platform::CloseEvent(stop_);
  stop_ = nullptr;
  platform::Port port = nullptr;
  {
    platform::LockGuard guard(portLock_);
    std::swap(port, port_);
  }
  if (port == nullptr) return;
  if (traits_.rules.takesCommands) {
    const link::Frame off =
        link::ReceiveOffFrame(lastProtocol == Protocol::kJ1939);
    uint32_t written = 0;
    // No reply is awaited: the port closes right after.
    platform::WritePort(port, off.bytes.data(),
                        static_cast<uint32_t>(off.length), written);
  }
  platform::ClosePort(port);
}

bool Session::ModemStatus(uint32_t& status) {
  platform::LockGuard guard(portLock_);
  return port_ != nullptr && platform::GetModemStatus(port_, status);
}

void Session::Join(Client& client, uint32_t connection) {
  platform::LockGuard guard(membersLock_);
  members_[static_cast<size_t>(memberCount_++)] = {&client, connection};
}

void Session::Leave(const Client& client) {
  platform::LockGuard guard(membersLock_);
  const auto end = members_.begin() + memberCount_;
  const auto found = std::find_if(members_.begin(), end, [&](const Member& m) {
    return m.client == &client;
  });
  if (found == end) return;
  std::rotate(found, found + 1, end);
  members_[static_cast<size_t>(--memberCount_)] = Member{};
}

int Session::ClientCount() const {
  platform::LockGuard guard(membersLock_);
  return memberCount_;
}

bool Session::HasClient(Protocol protocol, bool receiving) const {
  platform::LockGuard guard(membersLock_);
  for (int k = 0; k < memberCount_; ++k) {
    const Client& c = *members_[static_cast<size_t>(k)].client;
    if (c.protocol.load() == protocol && (!receiving || c.receive.load())) {
      return true;
    }
  }
  return false;
}

bool Session::HasRawJ1708Client() const {
  platform::LockGuard guard(membersLock_);
  for (int k = 0; k < memberCount_; ++k) {
    const Client& c = *members_[static_cast<size_t>(k)].client;
    if (c.protocol.load() == Protocol::kJ1708 && c.j1708Raw.load()) {
      return true;
    }
  }
  return false;
}

int Session::CountClients(Protocol protocol, const Client* except) const {
  platform::LockGuard guard(membersLock_);
  int count = 0;
  for (int k = 0; k < memberCount_; ++k) {
    const Client* c = members_[static_cast<size_t>(k)].client;
    if (c != except && c->protocol.load() == protocol) ++count;
  }
  return count;
}

link::FilterUnion Session::J1939Filters() const {
  link::FilterUnion wanted;
  platform::LockGuard guard(membersLock_);
  for (int k = 0; k < memberCount_; ++k) {
    const Client& c = *members_[static_cast<size_t>(k)].client;
    if (c.protocol.load() != Protocol::kJ1939) continue;
    if (c.filters.filterCount.load(std::memory_order_acquire) == 0) {
      wanted.open = true;
    }
    for (const J1939FilterGroup& group : c.filters.StoredGroups()) {
      if (std::find(wanted.groups.begin(), wanted.groups.end(), group) ==
          wanted.groups.end()) {
        wanted.groups.push_back(group);
      }
    }
  }
  return wanted;
}

bool Session::Receiving(Protocol protocol) const {
  return receiving_[static_cast<size_t>(protocol)];
}

bool Session::FollowReceiveSwitches(Protocol protocol) {
  if (!traits_.rules.takesCommands) return true;
  const bool wanted = HasClient(protocol, true);
  bool& receiving = receiving_[static_cast<size_t>(protocol)];
  if (wanted == receiving) return true;
  receiving = wanted;
  const bool j1939 = protocol == Protocol::kJ1939;
  return link::AdapterCommands(commands_).Send(
      wanted ? link::ReceiveOnFrame(j1939) : link::ReceiveOffFrame(j1939),
      true);
}

void Session::ReopenUnusedFilter() {
  if (!traits_.rules.takesCommands || programmedFilter_.groups.empty()) return;
  const link::FilterUnion wanted = J1939Filters();
  if (wanted.open || !wanted.groups.empty()) return;
  link::AdapterCommands(commands_).Run(
      link::ProgramAfterClearing(programmedFilter_, wanted, false));
}

void Session::WakeReaders() {
  platform::LockGuard guard(membersLock_);
  for (int k = 0; k < memberCount_; ++k) {
    members_[static_cast<size_t>(k)].client->rxQueue.Wake();
  }
}

void Session::StopLink() {
  linkStopped_.store(true, std::memory_order_release);
  WakeWriter();
  commands_.Abandon();
  WakeReaders();
}

void Session::MarkAdapterLost() {
  if (adapterLost_.exchange(true, std::memory_order_acq_rel)) return;
  platform::DebugOutput("adapter lost\n");
  commands_.Abandon();
  WakeReaders();
}

}  // namespace vlr
