// libFuzzer target: what applications hand the driver. Messages of any size
// go to the frame builders of every device and protocol, and command-4
// buffers to the filter store and the adapter programming that follows it.
// Each message or buffer sits in a heap block of exactly its size, so that
// reading past it is caught.
//
// Input: settings byte, then records of a two-byte size (most significant
// first) and that many bytes. Settings bits: 0 J1939 (else J1708), 1 J1708
// raw mode, 2-4 the device (101-104, 201-204), 5 filter buffers (else
// messages).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "connection/filters.h"
#include "link/filter_program.h"
#include "link/frames.h"

namespace {

using namespace vlr;

void Require(bool holds) {
  if (!holds) std::abort();
}

constexpr int32_t kDevices[] = {101, 102, 103, 104, 201, 202, 203, 204};

bool SumsUp(const link::Frame& frame) {
  uint8_t sum = 0;
  for (size_t i = 0; i + 1 < frame.length; ++i) {
    sum = static_cast<uint8_t>(sum + frame.bytes[i]);
  }
  return frame.length > 0 && sum == frame.bytes[frame.length - 1];
}

void BuildMessage(uint8_t settings, std::span<const uint8_t> message) {
  std::vector<link::Frame> frames;
  const int32_t device = kDevices[(settings >> 2) & 0x07];
  const auto result = link::BuildMessageFrames(
      device, settings & 0x01, settings & 0x02, message, frames);
  if (result != link::BuildResult::kOk) return;
  Require(!frames.empty() && frames.size() <= 256);
  for (const link::Frame& frame : frames) {
    Require(frame.length > 0 && frame.length <= link::kMaxFrameSize);
  }
}

void StoreFilter(FilterState& state, link::AdapterFilter& adapter,
                 std::span<const uint8_t> buffer) {
  const int16_t before = state.filterCount.load();
  std::vector<int> added;
  if (AddJ1939Filter(state, buffer, added) != AddFilterResult::kOk) {
    Require(state.filterCount.load() == before);
    return;
  }
  const int16_t stored = state.filterCount.load();
  Require(stored >= 0 && stored <= static_cast<int16_t>(kMaxFilterEntries));
  for (size_t i = 0; i < added.size(); ++i) {
    Require(added[i] == std::max<int>(before, 0) + static_cast<int>(i));
  }
  const auto steps =
      link::ProgramAfterAdding(adapter, {false, state.StoredGroups()}, true);
  Require(steps.empty() == added.empty());
  Require(steps.size() <= 3 + 4);  // bounded whatever the group count
  for (const link::CommandStep& step : steps) {
    Require(step.frame.length == 6 || step.frame.length == 10);
    Require(SumsUp(step.frame));
  }
  // The stored groups then filter a message built from the buffer's start.
  uint8_t message[14] = {};
  std::memcpy(message, buffer.data(), std::min<size_t>(buffer.size(), 14));
  state.MatchJ1939(message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  FilterState filters;
  link::AdapterFilter adapter;
  size_t at = 1;
  while (at + 2 <= size) {
    const size_t length =
        std::min<size_t>(size_t{data[at]} << 8 | data[at + 1], size - at - 2);
    at += 2;
    auto copy = std::make_unique<uint8_t[]>(length);
    if (length > 0) std::memcpy(copy.get(), data + at, length);
    const std::span<const uint8_t> record(copy.get(), length);
    if (settings & 0x20) {
      StoreFilter(filters, adapter, record);
    } else {
      BuildMessage(settings, record);
    }
    at += length;
  }
  return 0;
}
