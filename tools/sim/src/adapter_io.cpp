// The adapter's I/O thread: reads what the host writes, answers it, plays
// the traffic source and writes the queued output, one loop.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "adapter_impl.h"

namespace vlrsim {

namespace {
// A partial host frame is given up after this much quiet on the line.
constexpr auto kQuietGap = std::chrono::milliseconds{100};
// Upper bound of one wait, so a stop is noticed even without a wake-up.
constexpr auto kLongestWait = std::chrono::milliseconds{100};
// While no host holds the slave, the master reports a hang-up at once on
// every poll; the loop then looks again at this interval.
constexpr auto kNoHostInterval = std::chrono::milliseconds{10};
// A host that stops reading fills the pseudo-terminal; the adapter waits
// this long for room before it drops the rest, as a real line would lose it.
constexpr int kWriteStallMs = 50;

timespec ToTimespec(Clock::duration d) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::max(d, Clock::duration::zero()));
  return timespec{static_cast<time_t>(ns.count() / 1'000'000'000),
                  static_cast<long>(ns.count() % 1'000'000'000)};
}
}  // namespace

void PtyAdapter::Impl::Run() {
  while (!stopping.load()) {
    WaitForEvents(PollTimeout(Clock::now()));
    if (stopping.load()) break;
    const auto now = Clock::now();
    DeliverArrivedHostBytes(now);
    FlushQuietDecoder(now);
    PlayDueMessages(now);
    RunNetwork(now);
    WriteDue();
  }
}

Clock::duration PtyAdapter::Impl::PollTimeout(Clock::time_point now) {
  Clock::time_point wake_at = now + kLongestWait;
  if (decoder.Pending() > 0) {
    wake_at = std::min(wake_at, last_host_byte + kQuietGap);
  }
  if (auto next = input.NextTime()) wake_at = std::min(wake_at, *next);
  if (!pace_input.load() && !input.Empty()) wake_at = now;
  vlr::MutexLock guard(lock);
  if (auto next = output.NextTime(now)) wake_at = std::min(wake_at, *next);
  if (new_source) wake_at = now;
  if (auto next = network.NextTime()) wake_at = std::min(wake_at, *next);
  if (next_message) {
    wake_at = std::min(wake_at, source_start + next_message->at);
  }
  return wake_at - now;
}

void PtyAdapter::Impl::WaitForEvents(Clock::duration timeout) {
  std::array<pollfd, 2> fds{pollfd{wake_read, POLLIN, 0},
                            pollfd{line->fd(), POLLIN, 0}};
  // A paced line that holds all it may leaves the rest with the host until
  // some of it has arrived.
  const bool take_more = !pace_input.load() || input.Room() > 0;
  const nfds_t count = host_present && take_more ? 2 : 1;
  if (!host_present)
    timeout = std::min<Clock::duration>(timeout, kNoHostInterval);
  const timespec wait = ToTimespec(timeout);
  if (::ppoll(fds.data(), count, &wait, nullptr) < 0) return;
  if (fds[0].revents & POLLIN) {
    std::array<char, 64> drain;
    while (::read(wake_read, drain.data(), drain.size()) > 0) {
    }
  }
  if (!host_present || fds[1].revents != 0) ReadHost();
}

void PtyAdapter::Impl::ReadHost() {
  std::array<uint8_t, 4096> buffer;
  for (;;) {
    const bool paced = pace_input.load();
    const size_t room =
        paced ? std::min(input.Room(), buffer.size()) : buffer.size();
    if (room == 0) return;
    const ssize_t n = ::read(line->fd(), buffer.data(), room);
    if (n > 0) {
      host_present = true;
      const auto bytes = std::span(buffer.data(), static_cast<size_t>(n));
      if (paced) {
        input.Feed(bytes, Clock::now());
      } else {
        HandleHostBytes(bytes);
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // EAGAIN: a host holds the line and has nothing more to say. EIO: no
    // host holds the slave.
    host_present = n < 0 && errno == EAGAIN;
    return;
  }
}

// Pacing switched off while bytes were still on the line hands them all on.
void PtyAdapter::Impl::DeliverArrivedHostBytes(Clock::time_point now) {
  if (input.Empty()) return;
  const Bytes arrived =
      pace_input.load() ? input.Arrived(now) : input.TakeAll();
  if (!arrived.empty()) HandleHostBytes(arrived);
}

void PtyAdapter::Impl::HandleHostBytes(std::span<const uint8_t> bytes) {
  const auto at = Clock::now();
  const uint32_t host_baud = line->Baud();
  last_host_byte = at;
  if (options.record) {
    recording.AddHostChunk(Chunk{at, Bytes(bytes.begin(), bytes.end())});
  }
  HandleHostFrames(decoder.Feed(bytes, at), host_baud);
}

void PtyAdapter::Impl::HandleHostFrames(const std::vector<HostFrame>& frames,
                                        uint32_t host_baud) {
  for (const auto& frame : frames) {
    if (options.record) recording.AddHostFrame(frame);
    {
      vlr::MutexLock guard(lock);
      const auto now = Clock::now();
      if (logic.PutsOnJ1939(frame, host_baud)) {
        network.OnHostFrame(frame.id, frame.data, now);
        network_changed.notify_all();
      }
      for (auto& reaction : logic.OnHostFrame(frame, host_baud, Stamp())) {
        if (reaction.delay.count() == 0) {
          output.Enqueue(std::move(reaction.bytes));
        } else {
          output.EnqueueAt(now + reaction.delay, std::move(reaction.bytes));
        }
      }
    }
    FollowAdapterRate();
    if (options.on_host_frame) options.on_host_frame(frame);
  }
}

// Before the next frame is read: on a real line the host's next bytes come
// at the new rate already (it changes its own side right after the
// unanswered rate change).
void PtyAdapter::Impl::FollowAdapterRate() {
  uint32_t baud;
  {
    vlr::MutexLock guard(lock);
    baud = logic.ListeningBaud();
  }
  line->ListenAt(baud);
}

void PtyAdapter::Impl::FlushQuietDecoder(Clock::time_point now) {
  if (decoder.Pending() == 0 || now - last_host_byte < kQuietGap) return;
  HandleHostFrames(decoder.Flush(now), line->Baud());
}

void PtyAdapter::Impl::PlayDueMessages(Clock::time_point now) {
  vlr::MutexLock guard(lock);
  if (new_source) {
    source = std::move(new_source);
    source_start = now;
    next_message = source->Next();
  }
  while (next_message && source_start + next_message->at <= now) {
    if (auto frame = logic.Report(*next_message, Stamp())) {
      output.Enqueue(std::move(*frame));
    }
    next_message = source->Next();
  }
  if (!next_message) source.reset();
}

// The ECUs' frames go to the host as any bus traffic does.
void PtyAdapter::Impl::RunNetwork(Clock::time_point now) {
  vlr::MutexLock guard(lock);
  if (network.Empty()) return;
  for (detail::BusFrame& frame : network.Advance(now)) {
    const TimedMessage message{
        {}, Bus::kJ1939, frame.id, std::move(frame.data)};
    if (auto report = logic.Report(message, Stamp())) {
      output.Enqueue(std::move(*report));
    }
  }
  network_changed.notify_all();
}

void PtyAdapter::Impl::WriteDue() {
  for (;;) {
    Bytes bytes;
    {
      vlr::MutexLock guard(lock);
      auto taken = output.Take(Clock::now());
      if (!taken) break;
      bytes = std::move(*taken);
      writing = true;
    }
    const size_t written = WriteAll(bytes);
    const auto at = Clock::now();
    if (written > 0 && options.record) {
      recording.AddAdapterChunk(
          Chunk{at, Bytes(bytes.begin(), bytes.begin() + written)});
    }
    dropped += bytes.size() - written;
    vlr::MutexLock guard(lock);
    output.NoteWritten(at, bytes.size());
    writing = false;
    if (output.Idle()) output_drained.notify_all();
  }
  vlr::MutexLock guard(lock);
  if (output.Idle()) output_drained.notify_all();
}

// A master reports a hang-up while no one holds the slave. Output then is
// dropped: a pseudo-terminal would keep it for the next host, which a line
// with no one listening does not.
bool PtyAdapter::Impl::HostHoldsSlave() const {
  pollfd probe{line->fd(), 0, 0};
  return ::poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLHUP);
}

size_t PtyAdapter::Impl::WriteAll(std::span<const uint8_t> bytes) {
  if (!HostHoldsSlave()) return 0;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n =
        ::write(line->fd(), bytes.data() + written, bytes.size() - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    pollfd room{line->fd(), POLLOUT, 0};
    if (::poll(&room, 1, kWriteStallMs) <= 0 || !(room.revents & POLLOUT)) {
      break;
    }
  }
  return written;
}

}  // namespace vlrsim
