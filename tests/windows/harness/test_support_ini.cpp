// RP121032.INI edited as a file by vlr1210-register: only the list value
// changes; everything else, including the encoding and the line ends, is
// the file as the other vendors left it.
#include <gtest/gtest.h>

#include <string>

#include "support_ini.h"

namespace {

using vlrsetup::EditedSupportIni;
using vlrsetup::ListChange;
using vlrsetup::ListsNothing;

std::string Add(const std::string& bytes) {
  return EditedSupportIni(bytes, "VLR1210", ListChange::kAdd);
}
std::string Remove(const std::string& bytes) {
  return EditedSupportIni(bytes, "VLR1210", ListChange::kRemove);
}

// UTF-16 of ASCII text, with its byte order mark.
std::string Utf16(const std::string& ascii, bool littleEndian) {
  std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (char c : ascii)
    bytes += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
  return bytes;
}

struct Edit {
  const char* name;
  std::string before;
  std::string after;  // with VLR1210 added
  // The list was there before: removing the driver again gives back the
  // very same bytes. A list the edit had to create stays, empty.
  bool listed = true;
};

// Each file as another vendor's installer may have left it.
const Edit kEdits[] = {
    {"absent file", "", "[RP1210Support]\r\nAPIImplementations=VLR1210\r\n",
     false},
    {"CR LF, other vendors, comment and section",
     "; "
     "drivers\r\n[RP1210Support]\r\nAPIImplementations=OTHERVND,ACME32\r\n\r\n["
     "Other]\r\nKeep=1\r\n",
     "; "
     "drivers\r\n[RP1210Support]\r\nAPIImplementations=OTHERVND,ACME32,"
     "VLR1210\r\n\r\n[Other]\r\n"
     "Keep=1\r\n"},
    {"LF line ends", "[RP1210Support]\nAPIImplementations=ACME32\n",
     "[RP1210Support]\nAPIImplementations=ACME32,VLR1210\n"},
    {"no line end at the end", "[RP1210Support]\r\nAPIImplementations=ACME32",
     "[RP1210Support]\r\nAPIImplementations=ACME32,VLR1210"},
    {"section without the key", "[Other]\nA=1\n[RP1210Support]\n[Later]\nB=2\n",
     "[Other]\nA=1\n[RP1210Support]\nAPIImplementations=VLR1210\n[Later]\nB="
     "2\n",
     false},
    {"section header last, no line end", "[Other]\r\nA=1\r\n[RP1210Support]",
     "[Other]\r\nA=1\r\n[RP1210Support]\r\nAPIImplementations=VLR1210\r\n",
     false},
    {"no section, no final line end", "[Other]\nA=1",
     "[Other]\nA=1\n[RP1210Support]\nAPIImplementations=VLR1210\n", false},
    {"other spelling of section and key",
     "[rp1210support]\r\napiimplementations = ACME32\r\n",
     "[rp1210support]\r\napiimplementations = ACME32,VLR1210\r\n"},
    {"key of another section first",
     "[Other]\nAPIImplementations=X\n[RP1210Support]\nAPIImplementations=Y\n",
     "[Other]\nAPIImplementations=X\n[RP1210Support]\nAPIImplementations=Y,"
     "VLR1210\n"},
    {"UTF-8 with byte order mark and non-ASCII text",
     "\xEF\xBB\xBF; "
     "Fahrzeugger\xC3\xA4te\r\n[RP1210Support]\r\nAPIImplementations="
     "ACME32\r\n",
     "\xEF\xBB\xBF; "
     "Fahrzeugger\xC3\xA4te\r\n[RP1210Support]\r\nAPIImplementations=ACME32,"
     "VLR1210\r\n"},
    {"ANSI bytes", "; Ger\xE4te\n[RP1210Support]\nAPIImplementations=ACME32\n",
     "; Ger\xE4te\n[RP1210Support]\nAPIImplementations=ACME32,VLR1210\n"},
    {"UTF-16 little endian",
     Utf16("[RP1210Support]\r\nAPIImplementations=ACME32\r\n", true),
     Utf16("[RP1210Support]\r\nAPIImplementations=ACME32,VLR1210\r\n", true)},
    {"UTF-16 big endian",
     Utf16("[RP1210Support]\nAPIImplementations=ACME32\n", false),
     Utf16("[RP1210Support]\nAPIImplementations=ACME32,VLR1210\n", false)},
    {"UTF-16 with only its byte order mark", Utf16("", true),
     Utf16("[RP1210Support]\r\nAPIImplementations=VLR1210\r\n", true), false},
};

TEST(SupportIni, AddingChangesOnlyTheListValue) {
  for (const Edit& e : kEdits) {
    EXPECT_EQ(Add(e.before), e.after) << e.name;
    EXPECT_EQ(Add(e.after), e.after)
        << e.name << ": listed once however often it runs";
  }
}

TEST(SupportIni, RemovingGivesBackTheFileAsItWas) {
  for (const Edit& e : kEdits) {
    if (!e.listed) continue;
    EXPECT_EQ(Remove(e.after), e.before) << e.name;
    EXPECT_EQ(Remove(e.before), e.before)
        << e.name << ": not listed, not touched";
  }
}

TEST(SupportIni, UnitsThatAreNoValidUtf16SurviveAnEdit) {
  // A lone high surrogate (D800) in a comment, and an odd final byte.
  std::string before =
      Utf16(";", true) + std::string("\x00\xD8", 2) +
      Utf16("\r\n[RP1210Support]\r\nAPIImplementations=A\r\n", true).substr(2) +
      "!";
  const std::string after = Add(before);
  ASSERT_NE(after, before);
  EXPECT_EQ(after.substr(0, 6), before.substr(0, 6));
  EXPECT_EQ(after.back(), '!');
  EXPECT_EQ(Remove(after), before);
}

TEST(SupportIni, OnlyAFileListingNothingElseCountsAsEmpty) {
  const struct {
    std::string bytes;
    bool empty;
  } cases[] = {
      {"", true},
      {Remove("[RP1210Support]\r\nAPIImplementations=VLR1210\r\n"), true},
      {"[RP1210Support]\r\nAPIImplementations= , \r\n\r\n; comment\r\n", true},
      {Utf16("[RP1210Support]\r\nAPIImplementations=\r\n", true), true},
      {"[RP1210Support]\r\nAPIImplementations=ACME32\r\n", false},
      {"[RP1210Support]\r\nAPIImplementations=\r\n[Other]\r\n", false},
      {"[RP1210Support]\r\nAPIImplementations=\r\nNote=1\r\n", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ListsNothing(c.bytes), c.empty) << c.bytes;
}

}  // namespace
