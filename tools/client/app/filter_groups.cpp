#include "filter_groups.h"

#include "vlrcommon/j1939_identifier.h"

namespace vlrclient {
namespace {

constexpr uint8_t kComparePgn = 0x01;
constexpr uint8_t kComparePriority = 0x02;
constexpr uint8_t kCompareSource = 0x04;
constexpr uint8_t kCompareDestination = 0x08;

// A list that is not given matches anything: one pass with the field unset.
template <typename T>
std::vector<std::optional<T>> OrAny(const std::vector<T>& values) {
  std::vector<std::optional<T>> out(values.begin(), values.end());
  if (out.empty()) out.push_back(std::nullopt);
  return out;
}

void AppendGroup(std::vector<uint8_t>& out, std::optional<uint32_t> pgn,
                 std::optional<uint8_t> priority, std::optional<uint8_t> source,
                 std::optional<uint8_t> destination) {
  uint8_t flags = 0;
  if (pgn) flags |= kComparePgn;
  if (priority) flags |= kComparePriority;
  if (source) flags |= kCompareSource;
  if (destination) flags |= kCompareDestination;
  const auto p = vlrcommon::j1939::PgnBytes(pgn.value_or(0));
  out.insert(out.end(), {flags, p[0], p[1], p[2], priority.value_or(0),
                         source.value_or(0), destination.value_or(0)});
}

}  // namespace

std::vector<uint8_t> BuildFilterGroups(const J1939Filter& filter) {
  std::vector<uint8_t> groups;
  if (filter.empty()) return groups;
  for (const auto& pgn : OrAny(filter.pgns)) {
    for (const auto& source : OrAny(filter.sources)) {
      for (const auto& destination : OrAny(filter.destinations)) {
        AppendGroup(groups, pgn, filter.priority, source, destination);
      }
    }
  }
  return groups;
}

bool Matches(const J1939Filter& filter, uint32_t pgn, uint8_t priority,
             uint8_t source, uint8_t destination) {
  auto among = [](const auto& values, auto value) {
    if (values.empty()) return true;
    for (const auto& v : values) {
      if (v == value) return true;
    }
    return false;
  };
  return among(filter.pgns, pgn) && among(filter.sources, source) &&
         among(filter.destinations, destination) &&
         (!filter.priority || *filter.priority == priority);
}

}  // namespace vlrclient
