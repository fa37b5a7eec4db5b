// The frames that give a 2xx adapter's identifier filter what its J1939
// clients want together. Pure: the caller sends them.
#pragma once

#include <span>
#include <vector>

#include "connection/filters.h"
#include "link/frames.h"

namespace vlr::link {

struct CommandStep {
  Frame frame;
  bool awaitAck = false;
};

// What the J1939 clients of one adapter want from its filter together.
struct FilterUnion {
  bool open = false;                     // some client passes all
  std::vector<J1939FilterGroup> groups;  // every stored group, once each
};

// What the adapter's filter was last given: the groups in slot order, or
// none while it is open.
struct AdapterFilter {
  std::vector<J1939FilterGroup> groups;
};

// The adapter has one mask for its four slots, so the mask carries only the
// bits every group compares; past four groups it filters nothing, since it
// must never drop a message a group accepts.
uint32_t AdapterMask(std::span<const J1939FilterGroup> groups);

// After a client stored groups: reception off, the mask for every group of
// `wanted`, a slot frame for each slot whose group changed, reception on
// again (when `receiveOn`). However many groups a command adds, the adapter
// is programmed once, with the final state. Nothing when the adapter
// already holds what is wanted, or must stay open for a client that passes
// all. Updates `adapter`.
std::vector<CommandStep> ProgramAfterAdding(AdapterFilter& adapter,
                                            const FilterUnion& wanted,
                                            bool receiveOn);

// After a client's groups were dropped (pass all, discard all): the mask
// opened when nothing is left to filter for, otherwise the remaining groups
// programmed as after adding; reception on (when `receiveOn`) either way.
// Updates `adapter`.
std::vector<CommandStep> ProgramAfterClearing(AdapterFilter& adapter,
                                              const FilterUnion& wanted,
                                              bool receiveOn);

}  // namespace vlr::link
