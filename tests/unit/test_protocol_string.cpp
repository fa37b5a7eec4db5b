// The protocol strings RP1210_ClientConnect accepts: the plain RP1210A
// names and the ":Baud=" form of the later revisions, for the rates the
// adapters run and nothing else.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "connection/protocol_string.h"

namespace vlr {
namespace {

struct Case {
  const char* text;
  std::optional<Protocol> expected;
};

std::string Shown(const char* text) {
  return text == nullptr ? "(null)" : "\"" + std::string(text) + "\"";
}

TEST(ProtocolString, AcceptsPlainNamesAndTheRatesTheAdaptersRun) {
  const Case cases[] = {
      {"J1939", Protocol::kJ1939},
      {"J1708", Protocol::kJ1708},
      {"J1939:Baud=Auto", Protocol::kJ1939},
      {"J1939:Baud=250", Protocol::kJ1939},
      {"J1939:Baud=250000", Protocol::kJ1939},
      {"J1708:Baud=Auto", Protocol::kJ1708},
      {"J1708:Baud=9600", Protocol::kJ1708},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseProtocolString(c.text), c.expected) << Shown(c.text);
  }
}

TEST(ProtocolString, RefusesOtherRatesParametersProtocolsAndSpellings) {
  const char* const refused[] = {
      // rates the adapters cannot run, or a rate of the other network
      "J1939:Baud=500",
      "J1939:Baud=125",
      "J1939:Baud=1000",
      "J1939:Baud=500000",
      "J1939:Baud=9600",
      "J1708:Baud=19200",
      "J1708:Baud=250",
      "J1708:Baud=9600000",
      // other parameters, or more than one
      "J1939:Channel=2",
      "J1939:Baud=Auto,Channel=1",
      "J1939:Baud=250,",
      "J1708:Baud=9600;",
      "J1939:Baud=Auto:Baud=Auto",
      // malformed parameter forms
      "J1939:",
      "J1939:Baud",
      "J1939:Baud=",
      "J1939:baud=250",
      "J1939:Baud=auto",
      "J1939:BAUD=AUTO",
      "J1939 :Baud=250",
      "J1939: Baud=250",
      "J1939:Baud= 250",
      "J1939:Baud=250 ",
      "J1939:Baud=0250",
      "J1939=Baud=250",
      // other protocols, with or without a rate
      "CAN",
      "CAN:Baud=250",
      "ISO15765",
      "ISO15765:Baud=Auto",
      "J1850",
      "ALDL",
      "J2284",
      "PLC",
      // what RP1210A already refused
      "j1939",
      "j1708",
      "J1939 ",
      "J1708 ",
      " J1939",
      "",
      "J193",
      "J19390",
      "J1939\n",
      nullptr,
  };
  for (const char* text : refused) {
    EXPECT_EQ(ParseProtocolString(text), std::nullopt) << Shown(text);
  }
}

}  // namespace
}  // namespace vlr
