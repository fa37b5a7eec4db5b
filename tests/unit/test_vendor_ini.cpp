// The shipped VLR1210.INI, read the way RP1210 applications read it
// (GetPrivateProfileString: sections and keys without regard to case, the
// first of a repeated key wins, ';' starts a comment line): every key such
// an application looks for is there and well formed, and every protocol
// string it may build from the file connects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "connection/protocol_string.h"

namespace vlr {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Sections and keys by lower-case name. Lines the profile functions would
// silently skip, and repeated keys, are reported as problems: in the
// shipped file they can only be mistakes.
class ProfileFile {
 public:
  explicit ProfileFile(const std::string& path) {
    std::ifstream in(path);
    loaded_ = static_cast<bool>(in);
    std::string line, section;
    for (int number = 1; std::getline(in, line); ++number) {
      Take(Trimmed(line), number, section);
    }
  }

  bool Loaded() const { return loaded_; }
  const std::vector<std::string>& Problems() const { return problems_; }

  std::optional<std::string> Get(const std::string& section,
                                 const std::string& key) const {
    const auto s = sections_.find(Lower(section));
    if (s == sections_.end()) return std::nullopt;
    const auto k = s->second.find(Lower(key));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
  }

 private:
  void Take(const std::string& line, int number, std::string& section) {
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line.empty() || line[0] == ';') return;
    if (line.front() == '[' && line.back() == ']') {
      section = Lower(line.substr(1, line.size() - 2));
      if (sections_.count(section) != 0) problems_.push_back(where + line);
      sections_[section];
      return;
    }
    const auto equals = line.find('=');
    if (section.empty() || equals == std::string::npos || equals == 0) {
      problems_.push_back(where + "not a key of a section: " + line);
      return;
    }
    const std::string key = Lower(Trimmed(line.substr(0, equals)));
    if (!sections_[section]
             .emplace(key, Trimmed(line.substr(equals + 1)))
             .second) {
      problems_.push_back(where + "repeated key " + key);
    }
  }

  bool loaded_ = false;
  std::map<std::string, std::map<std::string, std::string>> sections_;
  std::vector<std::string> problems_;
};

std::vector<std::string> ListItems(const std::string& list) {
  std::vector<std::string> items;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');) {
    items.push_back(Trimmed(item));
  }
  return items;
}

bool Matches(const std::string& value, const char* pattern) {
  return std::regex_match(value, std::regex(pattern, std::regex::icase));
}

const char kText[] = ".+";
const char kAnything[] = ".*";
const char kNumberList[] = "[0-9]+(,[0-9]+)*";

struct KeyRule {
  const char* key;
  const char* pattern;
};

const KeyRule kVendorKeys[] = {
    {"Name", kText},
    {"Address1", kText},
    {"Address2", kText},
    {"City", kText},
    {"State", kText},
    {"Country", kText},
    {"Postal", kText},
    {"Telephone", kText},
    {"Fax", kText},
    {"VendorURL", kText},
    {"MessageString", kText},
    {"ErrorString", kText},
    {"TimestampWeight", "[1-9][0-9]*"},
    {"Devices", kNumberList},
    {"Protocols", kNumberList},
    {"Version", "[0-9]+(\\.[0-9]+)*"},
    {"RP1210", "[ABC]"},
    {"AutoDetectCapable", "yes|no"},
    {"CANAutoBaud", "true|false"},
    {"J1939FormatsSupported", kNumberList},
    {"J1708FormatsSupported", kNumberList},
    {"NumberOfRTSCTSSessions", "[0-9]+"},
    {"DebugLevel", "-1|[0-4]"},
    {"DebugFile", kAnything},
    {"DebugMode", "[01]"},
    {"DebugFileSize", "[0-9]+"},
};

class VendorIni : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ini_.Loaded()) << VLR_VENDOR_INI;
    for (const std::string& problem : ini_.Problems()) ADD_FAILURE() << problem;
  }

  // The value, or a failure naming the missing key.
  std::string Require(const std::string& section, const std::string& key) {
    const auto value = ini_.Get(section, key);
    if (!value) ADD_FAILURE() << "[" << section << "] " << key << " missing";
    return value.value_or("");
  }

  ProfileFile ini_{VLR_VENDOR_INI};
};

TEST_F(VendorIni, EveryVendorKeyIsThereAndWellFormed) {
  for (const KeyRule& rule : kVendorKeys) {
    const std::string value = Require("VendorInformation", rule.key);
    EXPECT_TRUE(Matches(value, rule.pattern))
        << rule.key << "=" << value << " does not match " << rule.pattern;
  }
  EXPECT_EQ(Require("VendorInformation", "Version"), VLR_PROJECT_VERSION);
}

TEST_F(VendorIni, EveryListedDeviceIsDescribed) {
  for (const std::string& id :
       ListItems(Require("VendorInformation", "Devices"))) {
    const std::string section = "DeviceInformation" + id;
    EXPECT_EQ(Require(section, "DeviceID"), id);
    for (const char* key : {"DeviceName", "DeviceDescription"}) {
      EXPECT_FALSE(Require(section, key).empty()) << section << " " << key;
    }
    EXPECT_TRUE(Matches(Require(section, "DeviceParams"), "COM[1-4],[0-9]+"))
        << section;
  }
}

// Applications connect with ProtocolString alone, or append ":Baud=" and
// ProtocolSpeed; both must be strings the driver accepts.
TEST_F(VendorIni, EveryListedProtocolGivesConnectStringsThatAreAccepted) {
  const auto devices = ListItems(Require("VendorInformation", "Devices"));
  for (const std::string& n :
       ListItems(Require("VendorInformation", "Protocols"))) {
    const std::string section = "ProtocolInformation" + n;
    const std::string name = Require(section, "ProtocolString");
    const std::string speed = Require(section, "ProtocolSpeed");
    EXPECT_TRUE(ParseProtocolString(name.c_str())) << name;
    const std::string withRate = name + ":Baud=" + speed;
    EXPECT_TRUE(ParseProtocolString(withRate.c_str())) << withRate;
    EXPECT_FALSE(Require(section, "ProtocolDescription").empty());
    EXPECT_TRUE(ini_.Get(section, "ProtocolParams")) << section;
    for (const std::string& id : ListItems(Require(section, "Devices"))) {
      EXPECT_NE(std::find(devices.begin(), devices.end(), id), devices.end())
          << section << " names unlisted device " << id;
    }
  }
}

}  // namespace
}  // namespace vlr
