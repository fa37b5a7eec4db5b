#include "vlrsim/recording.h"

namespace vlrsim {

namespace {
Bytes Joined(const std::vector<Chunk>& chunks) {
  Bytes all;
  for (const auto& chunk : chunks) {
    all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  }
  return all;
}

std::vector<HostFrame> OfKind(const std::vector<HostFrame>& frames,
                              HostFrame::Kind kind) {
  std::vector<HostFrame> selected;
  for (const auto& frame : frames) {
    if (frame.kind == kind) selected.push_back(frame);
  }
  return selected;
}

size_t CountOfKind(const std::vector<HostFrame>& frames, HostFrame::Kind kind) {
  size_t count = 0;
  for (const auto& frame : frames) count += frame.kind == kind;
  return count;
}
}  // namespace

Bytes RecordedTraffic::HostBytes() const { return Joined(host_chunks); }
Bytes RecordedTraffic::AdapterBytes() const { return Joined(adapter_chunks); }
std::vector<HostFrame> RecordedTraffic::HostMessages() const {
  return OfKind(host_frames, HostFrame::Kind::kMessage);
}
std::vector<HostFrame> RecordedTraffic::HostCommands() const {
  return OfKind(host_frames, HostFrame::Kind::kCommand);
}

RecordedTraffic Recording::Snapshot() const {
  vlr::MutexLock guard(lock_);
  return traffic_;
}
std::vector<Chunk> Recording::HostChunks() const {
  vlr::MutexLock guard(lock_);
  return traffic_.host_chunks;
}
std::vector<HostFrame> Recording::HostFrames() const {
  vlr::MutexLock guard(lock_);
  return traffic_.host_frames;
}
std::vector<HostFrame> Recording::HostMessages() const {
  vlr::MutexLock guard(lock_);
  return traffic_.HostMessages();
}
std::vector<HostFrame> Recording::HostCommands() const {
  vlr::MutexLock guard(lock_);
  return traffic_.HostCommands();
}
std::vector<Chunk> Recording::AdapterChunks() const {
  vlr::MutexLock guard(lock_);
  return traffic_.adapter_chunks;
}
Bytes Recording::HostBytes() const {
  vlr::MutexLock guard(lock_);
  return traffic_.HostBytes();
}
Bytes Recording::AdapterBytes() const {
  vlr::MutexLock guard(lock_);
  return traffic_.AdapterBytes();
}

void Recording::Clear() {
  vlr::MutexLock guard(lock_);
  traffic_ = {};
  changed_.notify_all();
}

bool Recording::WaitUntil(
    const std::function<bool(const RecordedTraffic&)>& done,
    std::chrono::milliseconds timeout) const {
  vlr::MutexLock guard(lock_);
  return changed_.wait_for(lock_, timeout,
                           [&]() REQUIRES(lock_) { return done(traffic_); });
}

bool Recording::WaitForHostFrames(size_t count,
                                  std::chrono::milliseconds timeout) const {
  return WaitUntil(
      [count](const RecordedTraffic& t) {
        return t.host_frames.size() >= count;
      },
      timeout);
}

bool Recording::WaitForHostBytes(size_t count,
                                 std::chrono::milliseconds timeout) const {
  return WaitUntil(
      [count](const RecordedTraffic& t) {
        size_t total = 0;
        for (const auto& chunk : t.host_chunks) total += chunk.bytes.size();
        return total >= count;
      },
      timeout);
}

bool Recording::WaitForHostMessages(size_t count,
                                    std::chrono::milliseconds timeout) const {
  return WaitUntil(
      [count](const RecordedTraffic& t) {
        return CountOfKind(t.host_frames, HostFrame::Kind::kMessage) >= count;
      },
      timeout);
}

void Recording::AddHostChunk(Chunk chunk) {
  vlr::MutexLock guard(lock_);
  traffic_.host_chunks.push_back(std::move(chunk));
  changed_.notify_all();
}

void Recording::AddHostFrame(HostFrame frame) {
  vlr::MutexLock guard(lock_);
  traffic_.host_frames.push_back(std::move(frame));
  changed_.notify_all();
}

void Recording::AddAdapterChunk(Chunk chunk) {
  vlr::MutexLock guard(lock_);
  traffic_.adapter_chunks.push_back(std::move(chunk));
  changed_.notify_all();
}

}  // namespace vlrsim
