#include "support_ini.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "implementation_list.h"

namespace vlrsetup {
namespace {

const char kSection[] = "RP1210Support";
const char kKey[] = "APIImplementations";

enum class Encoding { kBytes, kUtf16Le, kUtf16Be };

// The file as 8-bit text. UTF-16 becomes UTF-8 in which unpaired
// surrogates are encoded like any other code point (WTF-8), so that
// writing it back gives the same units; ANSI and UTF-8 stay bytes.
struct Text {
  Encoding encoding = Encoding::kBytes;
  std::string text;
  std::string oddByte;  // a UTF-16 file with an odd length keeps its last byte
};

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

Text Decode(const std::string& bytes) {
  Text t;
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  const bool le = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
  const bool be = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
  if (!le && !be) {
    t.text = bytes;
    return t;
  }
  t.encoding = le ? Encoding::kUtf16Le : Encoding::kUtf16Be;
  const size_t units = bytes.size() / 2;
  const auto unit = [&](size_t i) -> uint32_t {
    return le ? byte(2 * i) | byte(2 * i + 1) << 8
              : byte(2 * i) << 8 | byte(2 * i + 1);
  };
  for (size_t i = 0; i < units; ++i) {  // unit 0 is the byte order mark
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    }
    AppendUtf8(t.text, c);
  }
  if (bytes.size() % 2 != 0) t.oddByte = bytes.substr(bytes.size() - 1);
  return t;
}

// Reads back what AppendUtf8 wrote.
std::vector<uint32_t> CodePoints(const std::string& text) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const size_t length = lead < 0x80   ? 1
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                                        : 4;
    uint32_t c = length == 1   ? lead
                 : length == 2 ? lead & 0x1F
                 : length == 3 ? lead & 0x0F
                               : lead & 0x07;
    for (size_t k = 1; k < length && i + k < text.size(); ++k) {
      c = c << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3F);
    }
    points.push_back(c);
    i += length;
  }
  return points;
}

std::string Encode(const Text& t) {
  if (t.encoding == Encoding::kBytes) return t.text;
  std::string bytes;
  const auto put = [&](uint32_t u) {
    const char high = static_cast<char>(u >> 8),
               low = static_cast<char>(u & 0xFF);
    bytes += t.encoding == Encoding::kUtf16Le ? std::string{low, high}
                                              : std::string{high, low};
  };
  for (uint32_t c : CodePoints(t.text)) {
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return bytes + t.oddByte;
}

struct Line {
  size_t begin;  // first character
  size_t end;    // the line end, or the end of the text
  size_t next;   // the next line's first character
};

// A byte order mark (of UTF-8, or of UTF-16 once decoded) is no part of
// the first line.
std::vector<Line> Lines(const std::string& text) {
  std::vector<Line> lines;
  const size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  for (size_t begin = start; begin < text.size();) {
    size_t newline = text.find('\n', begin);
    const size_t next =
        newline == std::string::npos ? text.size() : newline + 1;
    size_t end = newline == std::string::npos ? text.size() : newline;
    if (end > begin && text[end - 1] == '\r') --end;
    lines.push_back({begin, end, next});
    begin = next;
  }
  return lines;
}

std::string LineEnd(const std::string& text) {
  if (text.find("\r\n") != std::string::npos) return "\r\n";
  return text.find('\n') != std::string::npos ? "\n" : "\r\n";
}

std::string Trimmed(const std::string& text) {
  const auto isBlank = [](unsigned char c) { return std::isspace(c) != 0; };
  auto begin = std::find_if_not(text.begin(), text.end(), isBlank);
  auto end = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
  return begin < end ? std::string(begin, end) : std::string();
}

bool SameWord(const std::string& a, const std::string& b) {
  return Lists(a, b) && a.find(',') == std::string::npos;
}

// The section a "[name]" line opens, if it is one.
std::optional<std::string> SectionName(const std::string& content) {
  const std::string line = Trimmed(content);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trimmed(line.substr(1, close - 1));
}

bool IsListKey(const std::string& content) {
  const size_t equals = content.find('=');
  return equals != std::string::npos &&
         SameWord(Trimmed(content.substr(0, equals)), kKey);
}

std::string Edited(std::string text, const std::string& name,
                   ListChange change) {
  const auto lines = Lines(text);
  std::optional<size_t> section;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string content =
        text.substr(lines[i].begin, lines[i].end - lines[i].begin);
    if (const auto opened = SectionName(content)) {
      inSection = SameWord(*opened, kSection);
      if (inSection && !section) section = i;
      continue;
    }
    if (!inSection || !IsListKey(content)) continue;
    // Blanks after "=" stay: only the entries are rewritten.
    const size_t equals = lines[i].begin + content.find('=');
    const size_t valueBegin =
        std::min(text.find_first_not_of(" \t", equals + 1), lines[i].end);
    const std::string value =
        text.substr(valueBegin, lines[i].end - valueBegin);
    const bool listed = Lists(value, name);
    if (listed == (change == ListChange::kAdd)) return text;
    const std::string changed = change == ListChange::kAdd
                                    ? WithImplementation(value, name)
                                    : WithoutImplementation(value, name);
    return text.replace(valueBegin, value.size(), changed);
  }
  if (change == ListChange::kRemove) return text;
  const std::string eol = LineEnd(text);
  const std::string entry = std::string(kKey) + "=" + name + eol;
  if (section) {
    const Line& header = lines[*section];
    const bool lastWithoutEnd = header.next == header.end;
    return text.insert(header.next, (lastWithoutEnd ? eol : "") + entry);
  }
  const bool onlyMark = lines.empty() && !text.empty();  // a byte order mark
  if (!text.empty() && !onlyMark && text.back() != '\n') text += eol;
  return text + "[" + kSection + "]" + eol + entry;
}

}  // namespace

std::string EditedSupportIni(const std::string& bytes, const std::string& name,
                             ListChange change) {
  Text t = Decode(bytes);
  std::string edited = Edited(t.text, name, change);
  if (edited == t.text) return bytes;
  t.text = std::move(edited);
  return Encode(t);
}

bool ListsNothing(const std::string& bytes) {
  const std::string text = Decode(bytes).text;
  for (const Line& line : Lines(text)) {
    const std::string content =
        Trimmed(text.substr(line.begin, line.end - line.begin));
    if (content.empty() || content.front() == ';') continue;
    if (const auto opened = SectionName(content)) {
      if (!SameWord(*opened, kSection)) return false;
      continue;
    }
    if (!IsListKey(content)) return false;
    const std::string value = content.substr(content.find('=') + 1);
    if (value.find_first_not_of(", \t") != std::string::npos) return false;
  }
  return true;
}

}  // namespace vlrsetup
