#include <cstring>

#include "driver_fixture.h"
#include "vlr1210_version.h"

namespace vlrtest {
namespace {

TEST(ErrorMessages, EveryCodeHasItsNameAndOthersAreNotFound) {
  const std::pair<short, const char*> known[] = {
      {0, "ERR_SUCCESS"},
      {128, "ERR_DLL_NOT_INITIALIZED"},
      {129, "ERR_INVALID_CLIENT_ID"},
      {135, "ERR_DEVICE_IN_USE"},
      {141, "ERR_MESSAGE_TOO_LONG"},
      {152, "ERR_COULD_NOT_TX_ADDRESS_CLAIMED"},
      {154, "ERR_CODE_NOT_FOUND"},
      {161, "ERR_MAX_FILTERS_EXCEEDED"},
      {162, "ERR_HARDWARE_STATUS_CHANGE"},
  };
  for (const auto& [code, text] : known) {
    char buffer[80];
    std::memset(buffer, 0x7E, sizeof buffer);
    EXPECT_EQ(RP1210_GetErrorMsg(code, buffer), 0) << code;
    EXPECT_STREQ(buffer, text);
    EXPECT_EQ(buffer[std::strlen(text) + 1], 0x7E) << "wrote past the text";
  }
  int found = 0;
  for (int code = -200; code <= 1000; ++code) {
    char buffer[80];
    const short result = RP1210_GetErrorMsg(static_cast<short>(code), buffer);
    const bool inTable = code == 0 || (code >= 128 && code <= 162);
    ASSERT_EQ(result, inTable ? 0 : ERR_CODE_NOT_FOUND) << code;
    if (!inTable) {
      ASSERT_STREQ(buffer, "ERR_CODE_NOT_FOUND") << code;
    }
    found += inTable;
  }
  EXPECT_EQ(found, 36);
}

TEST(Version, SameFourTextsWithoutAConnection) {
  char v[4][4];
  std::memset(v, 0x7E, sizeof v);
  RP1210_ReadVersion(v[0], v[1], v[2], v[3]);
  // The DLL's version is the product's, from project() VERSION.
  EXPECT_STREQ(v[0], VLR1210_VERSION_MAJOR_STRING);
  EXPECT_STREQ(v[1], VLR1210_VERSION_MINOR_STRING);
  EXPECT_STREQ(v[2], "2");
  EXPECT_STREQ(v[3], "0");
  EXPECT_EQ(v[0][2], 0x7E);
}

class HardwareStatus : public DriverTest {};

TEST_F(HardwareStatus, InvalidClientLeavesTheBufferAlone) {
  char buffer[16];
  std::memset(buffer, 0x55, sizeof buffer);
  for (short id : {0, 1, -1, 2}) {
    EXPECT_EQ(RP1210_GetHardwareStatus(id, buffer, 16, 0),
              ERR_INVALID_CLIENT_ID);
  }
  for (char c : buffer) EXPECT_EQ(c, 0x55);
}

TEST_F(HardwareStatus, ConnectedClientGetsTheBlockAndZeroedRest) {
  StartAdapter(203);
  ConnectOrFail(203, "J1939");
  // Sizes below, at and above the block: never a byte past the size.
  for (short size : {0, 3, 6, 16}) {
    unsigned char buffer[20];
    std::memset(buffer, 0x55, sizeof buffer);
    ASSERT_EQ(
        RP1210_GetHardwareStatus(0, reinterpret_cast<char*>(buffer), size, 0),
        0);
    // A pseudo-terminal has no CTS line.
    const unsigned char block[6] = {0, 1, 0, 0, 1, 1};
    for (int i = 0; i < 20; ++i) {
      const int expected = i < std::min<int>(size, 6) ? block[i]
                           : i < size                 ? 0
                                                      : 0x55;
      EXPECT_EQ(buffer[i], expected) << "size " << size << " byte " << i;
    }
  }
}

}  // namespace
}  // namespace vlrtest
