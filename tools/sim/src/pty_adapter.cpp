#include "vlrsim/pty_adapter.h"

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <system_error>

#include "adapter_impl.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {

// ---- Impl ----------------------------------------------------------------

PtyAdapter::Impl::Impl(AdapterOptions adapter_options)
    : options(std::move(adapter_options)),
      line(detail::OpenLineEnd(options)),
      logic(options),
      output(ConnectedBaud(options.family)),
      network(options.ecus, Clock::now()),
      decoder(options.family),
      input(ConnectedBaud(options.family)) {
  output.SetThrottle(options.throttle || options.line_paced);
  pace_input = options.line_paced;
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  wake_read = fds[0];
  wake_write = fds[1];
  thread = std::thread([this] { Run(); });
}

PtyAdapter::Impl::~Impl() {
  stopping = true;
  Wake();
  if (thread.joinable()) thread.join();
  ::close(wake_read);
  ::close(wake_write);
  vlr::MutexLock guard(links_lock);
  for (const auto& link : links) {
    std::error_code error;
    if (std::filesystem::read_symlink(link, error) == line->Path()) {
      std::filesystem::remove(link, error);
    }
  }
}

void PtyAdapter::Impl::Wake() {
  const char byte = 1;
  // A full pipe already holds a wake-up, so a failed write loses nothing.
  [[maybe_unused]] auto ignored = ::write(wake_write, &byte, 1);
}

uint32_t PtyAdapter::Impl::Stamp() const {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                            started)
          .count());
}

void PtyAdapter::Impl::Enqueue(Bytes bytes, Clock::duration pause) {
  {
    vlr::MutexLock guard(lock);
    output.Enqueue(std::move(bytes), pause);
  }
  Wake();
}

// ---- PtyAdapter ----------------------------------------------------------

PtyAdapter::PtyAdapter(AdapterOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

PtyAdapter::~PtyAdapter() = default;

void PtyAdapter::Stop() {
  impl_->stopping = true;
  impl_->Wake();
  if (impl_->thread.joinable()) impl_->thread.join();
  vlr::MutexLock guard(impl_->lock);
  impl_->output.Clear();
  impl_->output_drained.notify_all();
}

const std::string& PtyAdapter::SlavePath() const { return impl_->line->Path(); }

void PtyAdapter::LinkTo(const std::filesystem::path& link) {
  namespace fs = std::filesystem;
  if (fs::is_symlink(fs::symlink_status(link))) fs::remove(link);
  fs::create_symlink(impl_->line->Path(), link);
  vlr::MutexLock guard(impl_->links_lock);
  impl_->links.push_back(link);
}

Family PtyAdapter::family() const { return impl_->options.family; }

uint32_t PtyAdapter::CurrentBaud() const { return impl_->line->Baud(); }

void PtyAdapter::SetSilent(bool silent) {
  vlr::MutexLock guard(impl_->lock);
  impl_->logic.SetSilent(silent);
}

void PtyAdapter::SetLoopback(bool loopback) {
  vlr::MutexLock guard(impl_->lock);
  impl_->logic.SetLoopback(loopback);
}

void PtyAdapter::SetReadyDelay(std::optional<std::chrono::milliseconds> delay) {
  vlr::MutexLock guard(impl_->lock);
  impl_->logic.SetReadyDelay(delay);
}

void PtyAdapter::SetThrottle(bool throttle) {
  {
    vlr::MutexLock guard(impl_->lock);
    impl_->output.SetThrottle(throttle);
  }
  impl_->Wake();
}

void PtyAdapter::SetLinePaced(bool paced) {
  {
    vlr::MutexLock guard(impl_->lock);
    impl_->output.SetThrottle(paced);
  }
  impl_->pace_input = paced;
  impl_->Wake();
}

void PtyAdapter::SetReportedBuses(bool j1708, bool j1939) {
  vlr::MutexLock guard(impl_->lock);
  impl_->logic.SetReportedBuses(j1708, j1939);
}

AdapterState PtyAdapter::State() const {
  vlr::MutexLock guard(impl_->lock);
  return impl_->logic.State();
}

IdentifierFilter PtyAdapter::Filter() const {
  vlr::MutexLock guard(impl_->lock);
  return impl_->logic.Filter();
}

void PtyAdapter::PutOnBus(Bus bus, uint32_t id, std::span<const uint8_t> data) {
  TimedMessage message;
  message.bus = bus;
  message.id = id;
  message.data.assign(data.begin(), data.end());
  {
    vlr::MutexLock guard(impl_->lock);
    auto frame = impl_->logic.Report(message, impl_->Stamp());
    if (!frame) return;
    impl_->output.Enqueue(std::move(*frame));
  }
  impl_->Wake();
}

void PtyAdapter::Play(std::unique_ptr<TrafficSource> source) {
  {
    vlr::MutexLock guard(impl_->lock);
    impl_->new_source = std::move(source);
  }
  impl_->Wake();
}

void PtyAdapter::StopPlaying() {
  vlr::MutexLock guard(impl_->lock);
  impl_->new_source.reset();
  impl_->source.reset();
  impl_->next_message.reset();
}

bool PtyAdapter::Playing() const {
  vlr::MutexLock guard(impl_->lock);
  return impl_->new_source != nullptr || impl_->next_message.has_value();
}

void PtyAdapter::Send(std::span<const uint8_t> bytes) {
  impl_->Enqueue(Bytes(bytes.begin(), bytes.end()));
}

void PtyAdapter::SendChunks(const std::vector<Bytes>& chunks,
                            std::chrono::microseconds pause) {
  {
    vlr::MutexLock guard(impl_->lock);
    bool first = true;
    for (const auto& chunk : chunks) {
      impl_->output.Enqueue(chunk, first ? Clock::duration{} : pause);
      first = false;
    }
  }
  impl_->Wake();
}

void PtyAdapter::SendSplit(std::span<const uint8_t> bytes,
                           const std::vector<size_t>& cuts,
                           std::chrono::microseconds pause) {
  std::vector<Bytes> pieces;
  size_t start = 0;
  for (size_t cut : cuts) {
    cut = std::min(cut, bytes.size());
    if (cut <= start) continue;
    pieces.emplace_back(bytes.begin() + start, bytes.begin() + cut);
    start = cut;
  }
  if (start < bytes.size())
    pieces.emplace_back(bytes.begin() + start, bytes.end());
  SendChunks(pieces, pause);
}

void PtyAdapter::SendGarbage(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
  impl_->Enqueue(std::move(bytes));
}

void PtyAdapter::SendReady() { impl_->Enqueue(synced::ReadyFrame()); }

void PtyAdapter::SendAck(uint8_t channel) {
  impl_->Enqueue(synced::AckFrame(channel));
}

bool PtyAdapter::WaitUntilSent(std::chrono::milliseconds timeout) {
  vlr::MutexLock guard(impl_->lock);
  return impl_->output_drained.wait_for(
      impl_->lock, timeout, [this]() REQUIRES(impl_->lock) {
        return impl_->stopping.load() ||
               (impl_->output.Idle() && !impl_->writing);
      });
}

uint64_t PtyAdapter::DroppedBytes() const { return impl_->dropped.load(); }

Recording& PtyAdapter::Recorded() { return impl_->recording; }
const Recording& PtyAdapter::Recorded() const { return impl_->recording; }

}  // namespace vlrsim
