#include "connection/filters.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace vlr {
namespace {

// Entry bytes are written by a command on an application thread while the
// reader thread tests them, so every access is atomic; the ordering comes
// from `filterCount` (release after an entry is written, acquire before
// entries are read). Relaxed byte accesses cost what plain ones do.
uint8_t LoadByte(const uint8_t& byte) {
  // Never a const object: the entries live in a mutable FilterState.
  return std::atomic_ref<uint8_t>(const_cast<uint8_t&>(byte))
      .load(std::memory_order_relaxed);
}

void StoreByte(uint8_t& byte, uint8_t value) {
  std::atomic_ref<uint8_t>(byte).store(value, std::memory_order_relaxed);
}

void StoreEntry(J1939FilterEntry& entry, const uint8_t* group) {
  for (size_t i = 0; i < entry.size(); ++i) {
    StoreByte(entry[i], i < kFilterGroupSize ? group[i] : uint8_t{0});
  }
}

bool EntryEquals(const J1939FilterEntry& entry, const uint8_t* group) {
  for (size_t i = 0; i < kFilterGroupSize; ++i) {
    if (LoadByte(entry[i]) != group[i]) return false;
  }
  return true;
}

}  // namespace

bool FilterState::MatchJ1708(uint8_t) const {
  return filterCount.load(std::memory_order_acquire) == 0;
}

static bool GroupAccepts(const J1939FilterEntry& g, const uint8_t* m) {
  const uint8_t flags = LoadByte(g[0]);
  if ((flags & filter_flags::kPgn) &&
      (LoadByte(g[1]) != m[0] || LoadByte(g[2]) != m[1] ||
       LoadByte(g[3]) != m[2])) {
    return false;
  }
  if ((flags & filter_flags::kPriority) && LoadByte(g[4]) != m[3]) {
    return false;
  }
  if ((flags & filter_flags::kSource) && LoadByte(g[5]) != m[4]) return false;
  if ((flags & filter_flags::kDestination) && LoadByte(g[6]) != m[5]) {
    return false;
  }
  return true;
}

bool FilterState::MatchJ1939(const uint8_t* message) const {
  const int16_t count = filterCount.load(std::memory_order_acquire);
  if (count == 0) return true;
  if (count < 0) return false;
  const int used = std::min<int>(count, kMaxFilterEntries);
  for (int k = 0; k < used; ++k) {
    if (GroupAccepts(j1939Filters[k], message)) return true;
  }
  return false;
}

void FilterState::ClearJ1939Filters() {
  const int16_t count = filterCount.load(std::memory_order_relaxed);
  static constexpr uint8_t kZeroGroup[kFilterGroupSize] = {};
  for (int k = 0; k < std::min<int>(count, kMaxFilterEntries); ++k) {
    StoreEntry(j1939Filters[k], kZeroGroup);
  }
}

void FilterState::Reset() {
  ClearJ1939Filters();
  filterCount.store(-1, std::memory_order_release);
}

std::vector<J1939FilterGroup> FilterState::StoredGroups() const {
  const int16_t count = filterCount.load(std::memory_order_acquire);
  std::vector<J1939FilterGroup> groups;
  for (int k = 0; k < std::min<int>(count, kMaxFilterEntries); ++k) {
    J1939FilterGroup group;
    for (size_t i = 0; i < group.size(); ++i) {
      group[i] = LoadByte(j1939Filters[k][i]);
    }
    groups.push_back(group);
  }
  return groups;
}

static bool IsStored(const FilterState& state, int stored,
                     const uint8_t* group) {
  for (int k = 0; k < stored; ++k) {
    if (EntryEquals(state.j1939Filters[k], group)) return true;
  }
  return false;
}

// Which groups of the buffer would be stored, without storing any: a buffer
// that does not fit is refused whole.
static std::vector<const uint8_t*> GroupsToStore(const FilterState& state,
                                                 std::span<const uint8_t> buf,
                                                 int stored) {
  std::vector<const uint8_t*> picked;
  for (size_t at = 0; at + kFilterGroupSize <= buf.size();
       at += kFilterGroupSize) {
    const uint8_t* group = buf.data() + at;
    const bool nothingStored = stored == 0 && picked.empty();
    // While nothing is stored, a group that compares nothing keeps the
    // client at pass-all; storing it would change nothing.
    if (nothingStored && (group[0] & filter_flags::kAny) == 0) continue;
    if (IsStored(state, stored, group)) continue;
    bool dup = false;
    for (const uint8_t* p : picked) {
      dup = dup || std::memcmp(p, group, kFilterGroupSize) == 0;
    }
    if (!dup) picked.push_back(group);
  }
  return picked;
}

AddFilterResult AddJ1939Filter(FilterState& state,
                               std::span<const uint8_t> buffer,
                               std::vector<int>& added) {
  if (buffer.size() % kFilterGroupSize != 0) return AddFilterResult::kBadSize;
  int stored = state.filterCount.load(std::memory_order_relaxed);
  const auto picked = GroupsToStore(state, buffer, std::max(stored, 0));
  if (std::max(stored, 0) + picked.size() > kMaxFilterEntries) {
    return AddFilterResult::kTooMany;
  }
  if (stored < 0) {
    stored = 0;
    state.filterCount.store(0, std::memory_order_release);
  }
  for (const uint8_t* group : picked) {
    StoreEntry(state.j1939Filters[stored], group);
    added.push_back(stored);
    ++stored;
    state.filterCount.store(static_cast<int16_t>(stored),
                            std::memory_order_release);
  }
  return AddFilterResult::kOk;
}

}  // namespace vlr
