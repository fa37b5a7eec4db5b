// The reporting functions through the DLL: texts, version, status without a
// connection. They need no adapter.
#include <string>
#include <utility>
#include <vector>

#include "product_version.h"
#include "wine_driver_test.h"

namespace winetest {
namespace {

using Info = WineDriverTest;

const std::vector<std::pair<int, const char*>> kErrorTexts = {
    {0, "ERR_SUCCESS"},
    {128, "ERR_DLL_NOT_INITIALIZED"},
    {129, "ERR_INVALID_CLIENT_ID"},
    {130, "ERR_CLIENT_ALREADY_CONNECTED"},
    {131, "ERR_CLIENT_AREA_FULL"},
    {132, "ERR_FREE_MEMORY"},
    {133, "ERR_NOT_ENOUGH_MEMORY"},
    {134, "ERR_INVALID_DEVICE"},
    {135, "ERR_DEVICE_IN_USE"},
    {136, "ERR_INVALID_PROTOCOL"},
    {137, "ERR_TX_QUEUE_FULL"},
    {138, "ERR_TX_QUEUE_CORRUPT"},
    {139, "ERR_RX_QUEUE_FULL"},
    {140, "ERR_RX_QUEUE_CORRUPT"},
    {141, "ERR_MESSAGE_TOO_LONG"},
    {142, "ERR_HARDWARE_NOT_RESPONDING"},
    {143, "ERR_COMMAND_NOT_SUPPORTED"},
    {144, "ERR_INVALID_COMMAND"},
    {145, "ERR_TXMESSAGE_STATUS"},
    {146, "ERR_ADDRESS_CLAIM_FAILED"},
    {147, "ERR_CANNOT_SET_PRIORITY"},
    {148, "ERR_CLIENT_DISCONNECTED"},
    {149, "ERR_CONNECT_NOT_ALLOWED"},
    {150, "ERR_CHANGE_MODE_FAILED"},
    {151, "ERR_BUS_OFF"},
    {152, "ERR_COULD_NOT_TX_ADDRESS_CLAIMED"},
    {153, "ERR_ADDRESS_LOST"},
    {154, "ERR_CODE_NOT_FOUND"},
    {155, "ERR_BLOCK_NOT_ALLOWED"},
    {156, "ERR_MULTIPLE_CLIENTS_CONNECTED"},
    {157, "ERR_ADDRESS_NEVER_CLAIMED"},
    {158, "ERR_WINDOW_HANDLE_REQUIRED"},
    {159, "ERR_MESSAGE_NOT_SENT"},
    {160, "ERR_MAX_NOTIFY_EXCEEDED"},
    {161, "ERR_MAX_FILTERS_EXCEEDED"},
    {162, "ERR_HARDWARE_STATUS_CHANGE"},
};

TEST_F(Info, EveryErrorCodeHasItsText) {
  for (const auto& [code, text] : kErrorTexts) {
    EXPECT_EQ(Step("errmsg " + std::to_string(code)), "0 " + std::string(text))
        << "code " << code;
  }
}

TEST_F(Info, CodesOutsideTheTableAreNotFound) {
  // -129 is what RP1210_ReadMessage returns for an invalid client.
  for (int code : {1, 127, 163, 1000, -129, -1}) {
    EXPECT_EQ(Step("errmsg " + std::to_string(code)), "154 ERR_CODE_NOT_FOUND")
        << "code " << code;
  }
}

TEST_F(Info, VersionNeedsNoConnection) {
  EXPECT_EQ(Step("version"), ReadVersionResult());
  EXPECT_EQ(Step("version"), ReadVersionResult());
}

TEST_F(Info, StatusOfAnUnknownClientLeavesTheBufferAlone) {
  for (const char* client : {"0", "1", "-1"}) {
    EXPECT_EQ(Step(std::string("status ") + client + " 16"),
              "129 " + std::string(32, 'E'))
        << "client " << client;
  }
}

}  // namespace
}  // namespace winetest
