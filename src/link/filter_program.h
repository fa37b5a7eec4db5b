// The frames that give the adapter's identifier filter the state of a
// client's stored J1939 groups. Pure: the caller sends them.
#pragma once

#include <vector>

#include "connection/filters.h"
#include "link/frames.h"

namespace vlr::link {

struct CommandStep {
  Frame frame;
  bool awaitAck = false;
};

// The adapter has one mask for its four slots, so the mask carries only the
// bits every stored group compares; past four groups it filters nothing,
// since it must never drop a message a stored group accepts.
uint32_t AdapterMask(const FilterState& filters, int storedCount);

// One command's programming after groups were stored: reception off, the
// mask for all `storedCount` stored groups, a slot frame for each newly
// stored entry (`added`) that has a slot, reception on again. However many
// groups a command adds, the adapter is programmed once, with the final
// state. Empty when nothing was added.
std::vector<CommandStep> AdapterFilterProgram(const FilterState& filters,
                                              int storedCount,
                                              const std::vector<int>& added);

}  // namespace vlr::link
