#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace vlr {

// A J1939 filter group as the application gives it to command 4: flags,
// PGN (least significant byte first), priority, source, destination.
constexpr size_t kFilterGroupSize = 7;
constexpr size_t kMaxFilterEntries = 256;

namespace filter_flags {
constexpr uint8_t kPgn = 0x01;
constexpr uint8_t kPriority = 0x02;
constexpr uint8_t kSource = 0x04;
constexpr uint8_t kDestination = 0x08;
constexpr uint8_t kAny = kPgn | kPriority | kSource | kDestination;
}  // namespace filter_flags

// Bytes 0-6 hold the group; 7-13 are always zero.
using J1939FilterEntry = std::array<uint8_t, 14>;
using J1939FilterGroup = std::array<uint8_t, kFilterGroupSize>;

// The receive filter of one client. Tests run on the reader thread while
// commands change the filter on an application thread, without a lock: an
// entry is written before `filterCount` grows to include it (release) and
// read only after the count is seen (acquire), and entries are zeroed
// before the count shrinks, so a test never sees a half-written entry.
//
// A client's protocol is fixed, so a J1708 client's filter is only ever
// "pass all" or "discard all"; stored groups are J1939 only.
struct FilterState {
  std::array<J1939FilterEntry, kMaxFilterEntries> j1939Filters{};
  // -1 (or any negative) discard all, 0 pass all, n > 0 entries in force.
  std::atomic<int16_t> filterCount{-1};

  bool MatchJ1708(uint8_t mid) const;
  // `message` is the delivered J1939 layout: PGN (3, LSB first), priority,
  // source, destination, data. At least 6 bytes.
  bool MatchJ1939(const uint8_t* message) const;
  void ClearJ1939Filters();
  // Back to the state of a new connection: discard all.
  void Reset();
  // The stored groups, in the order they were stored.
  std::vector<J1939FilterGroup> StoredGroups() const;
};

enum class AddFilterResult { kOk, kBadSize, kTooMany };

// Stores every group of `buffer` after the entries already stored, skipping
// groups equal to a stored entry. The indices of the newly stored entries are
// appended to `added` (the caller programs the adapter for them).
AddFilterResult AddJ1939Filter(FilterState& state,
                               std::span<const uint8_t> buffer,
                               std::vector<int>& added);

}  // namespace vlr
