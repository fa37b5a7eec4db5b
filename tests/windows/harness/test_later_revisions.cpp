// What RP1210B/C applications add, through the DLL under Wine: protocol
// strings with a rate, the two later functions called through __stdcall
// pointers (the fixture checks the stack after every call), and the
// commands such applications send after connecting.
#include <string>

#include "wine_driver_test.h"

namespace winetest {
namespace {

using LaterRevisions = WineDriverTest;

TEST_F(LaterRevisions, ProtocolStringsWithARateConnectAndOthersAreRefused) {
  StartAdapter(201);
  StartAdapter(102);
  for (const char* protocol :
       {"J1939:Baud=Auto", "J1939:Baud=250", "J1939:Baud=250000",
        "J1708:Baud=Auto", "J1708:Baud=9600"}) {
    for (int device : {201, 102}) {
      EXPECT_EQ(Connect(device, protocol), "0") << device << " " << protocol;
      EXPECT_EQ(Step("disconnect 0"), "0");
    }
  }
  for (const char* protocol :
       {"J1939:Baud=500", "J1939:Baud=125", "J1708:Baud=19200", "CAN",
        "ISO15765", "J1939:Channel=2", "J1939:Baud=Auto,Channel=1", "j1939"}) {
    EXPECT_EQ(Connect(201, protocol), "136") << protocol;
  }
}

TEST_F(LaterRevisions, DetailedVersionAndLastErrorMessage) {
  EXPECT_EQ(Step("detailed 0"), "129 UNTERMINATED UNTERMINATED UNTERMINATED")
      << "no client: nothing written";
  EXPECT_EQ(Step("lasterr 136 -1"), "0 -1 ERR_INVALID_PROTOCOL")
      << "no client needed";
  StartAdapter(202);
  ASSERT_EQ(Connect(202, "J1939:Baud=Auto"), "0");
  EXPECT_EQ(Step("detailed 0"), "0 2.0 1.1 unknown");
  EXPECT_EQ(Step("detailed 1"), "129 UNTERMINATED UNTERMINATED UNTERMINATED");
  EXPECT_EQ(Step("lasterr 0 0"), "0 -1 ERR_SUCCESS");
  EXPECT_EQ(Step("lasterr 457 0"), "154 -1 ERR_CODE_NOT_FOUND");
  EXPECT_EQ(Step("lasterr -129 0"), "154 -1 ERR_CODE_NOT_FOUND");
}

TEST_F(LaterRevisions, CommandsSentAfterConnecting) {
  auto& adapter = StartAdapter(203);
  ASSERT_EQ(Connect(203, "J1939:Baud=250000"), "0");
  ASSERT_EQ(Step("command 3 0 -"), "0");
  adapter.Recorded().Clear();
  EXPECT_EQ(Step("command 45 0 " + std::string(34, 'E')), "0");
  EXPECT_EQ(Step("command 45 0 EEEEEE"), "144") << "too small for 250000";
  EXPECT_EQ(Step("command 37 0 0005"), "0");
  EXPECT_EQ(Step("command 37 0 0006"), "143");
  EXPECT_EQ(Step("command 37 0 -  2"), "144");
  EXPECT_EQ(Step("command 39 0 -"), "0");
  EXPECT_TRUE(adapter.Recorded().HostBytes().empty())
      << Hex(adapter.Recorded().HostBytes());
}

}  // namespace
}  // namespace winetest
