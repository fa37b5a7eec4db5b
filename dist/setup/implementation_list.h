// The value of [RP1210Support] APIImplementations in RP121032.INI: the
// names of every installed RP1210 driver, separated by commas. Installing
// and removing one driver must leave every other vendor's entry as it was.
#pragma once

#include <string>

namespace vlrsetup {

// `list` with `name` added at the end, unless an entry already names it
// (compared without regard to case or surrounding blanks).
std::string WithImplementation(const std::string& list,
                               const std::string& name);

// Whether an entry of `list` names `name` (same comparison).
bool Lists(const std::string& list, const std::string& name);

// `list` without any entry naming `name`; the other entries keep their
// order.
std::string WithoutImplementation(const std::string& list,
                                  const std::string& name);

}  // namespace vlrsetup
