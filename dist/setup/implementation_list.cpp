#include "implementation_list.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace vlrsetup {
namespace {

std::string Trimmed(const std::string& text) {
  const auto isBlank = [](unsigned char c) { return std::isspace(c) != 0; };
  auto begin = std::find_if_not(text.begin(), text.end(), isBlank);
  auto end = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
  return begin < end ? std::string(begin, end) : std::string();
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](unsigned char x, unsigned char y) {
                      return std::toupper(x) == std::toupper(y);
                    });
}

// Entries without their blanks; empty entries (",,") are dropped.
std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string entry = Trimmed(list.substr(start, comma - start));
    if (!entry.empty()) entries.push_back(entry);
    start = comma + 1;
  }
  return entries;
}

std::string Joined(const std::vector<std::string>& entries) {
  std::string list;
  for (const auto& e : entries) list += (list.empty() ? "" : ",") + e;
  return list;
}

}  // namespace

bool Lists(const std::string& list, const std::string& name) {
  const auto entries = Entries(list);
  const std::string wanted = Trimmed(name);
  return std::any_of(entries.begin(), entries.end(),
                     [&](const std::string& e) { return SameName(e, wanted); });
}

std::string WithImplementation(const std::string& list,
                               const std::string& name) {
  const std::string wanted = Trimmed(name);
  if (wanted.empty() || Lists(list, wanted)) return list;
  auto entries = Entries(list);
  entries.push_back(wanted);
  return Joined(entries);
}

std::string WithoutImplementation(const std::string& list,
                                  const std::string& name) {
  auto entries = Entries(list);
  const std::string unwanted = Trimmed(name);
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const std::string& e) {
                                 return SameName(e, unwanted);
                               }),
                entries.end());
  return Joined(entries);
}

}  // namespace vlrsetup
