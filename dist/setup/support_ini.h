// RP121032.INI as a file: the driver's name goes into (or out of)
// [RP1210Support] APIImplementations and nothing else changes. Other
// vendors' entries and sections, comments, the encoding (ANSI or UTF-8,
// with or without a byte order mark, or UTF-16) and the line ends (CR LF or
// LF) stay as they were, which the Windows profile functions do not
// promise.
#pragma once

#include <string>

namespace vlrsetup {

enum class ListChange { kAdd, kRemove };

// The file's bytes after the change; `bytes` empty means a new file, which
// gets CR LF line ends. Unchanged bytes come back when there is nothing to
// do (already listed, or not listed).
std::string EditedSupportIni(const std::string& bytes, const std::string& name,
                             ListChange change);

// True when the file holds nothing but an [RP1210Support] section whose
// APIImplementations lists no driver, with blank and comment lines: what
// is left of a file that an installation created.
bool ListsNothing(const std::string& bytes);

}  // namespace vlrsetup
