// What applications written for the later RP1210 revisions use on top of
// RP1210A, through the exported functions: protocol strings with a rate,
// the detailed version, the last error message and commands 37, 39, 45.
#include <array>
#include <string>

#include "driver_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;

const Bytes kJ1939ReceiveOff = {0x01, 0x02, 0x02, 0x00, 0x00, 0x05};
const Bytes kJ1708ReceiveOff = {0x01, 0x02, 0x01, 0x10, 0x00, 0x14};

bool IsJ1939(const std::string& protocol) {
  return protocol.starts_with("J1939");
}

using LaterRevisions = DriverTest;

// The connection behaves exactly as for the plain name: traffic of that
// protocol arrives, the other protocol's commands are refused, the speed
// is that protocol's, and the disconnect switches that channel off.
TEST_F(LaterRevisions, ProtocolStringsWithARateConnectAsThePlainName) {
  for (const char* protocol :
       {"J1939:Baud=Auto", "J1939:Baud=250", "J1939:Baud=250000",
        "J1708:Baud=Auto", "J1708:Baud=9600"}) {
    SCOPED_TRACE(protocol);
    const bool j1939 = IsJ1939(protocol);
    auto& adapter = StartAdapter(201);
    ASSERT_EQ(Connect(201, protocol), 0);
    ASSERT_EQ(Command(j1939 ? 3 : 7), 0);
    if (j1939) {
      adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    } else {
      adapter.PutOnBus(Bus::kJ1708, 128, Bytes{84, 7});
    }
    const auto records = ReadRecords(1);
    ASSERT_EQ(records.size(), 1u);
    const Bytes expected =
        j1939 ? Bytes{0xF1, 0xFE, 0x00, 6, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}
              : Bytes{128, 84, 7};
    EXPECT_EQ(records[0], expected);
    EXPECT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939,
                      Bytes{1, 0xF1, 0xFE, 0, 0, 0, 0}),
              j1939 ? 0 : ERR_COMMAND_NOT_SUPPORTED);
    std::array<char, 17> speed{};
    EXPECT_EQ(RP1210_SendCommand(RP1210_Get_Protocol_Connection_Speed, 0,
                                 speed.data(), 17),
              0);
    EXPECT_STREQ(speed.data(), j1939 ? "250000" : "9600");
    adapter.Recorded().Clear();
    ASSERT_EQ(Disconnect(), 0);
    adapter.Recorded().WaitForHostBytes(kJ1939ReceiveOff.size());
    EXPECT_EQ(adapter.Recorded().HostBytes(),
              j1939 ? kJ1939ReceiveOff : kJ1708ReceiveOff);
  }
}

TEST_F(LaterRevisions, RefusedStringsGive136WhereThePlainCheckDid) {
  auto& adapter = StartAdapter(201);
  struct Case {
    int device;
    const char* protocol;
    short expected;
  };
  const Case idle[] = {
      {100, "J1939:Baud=500", ERR_INVALID_DEVICE},
      {205, "CAN", ERR_INVALID_DEVICE},
      {201, "J1939:Baud=500", ERR_INVALID_PROTOCOL},
      {201, "J1939:Baud=125", ERR_INVALID_PROTOCOL},
      {201, "J1708:Baud=19200", ERR_INVALID_PROTOCOL},
      {201, "CAN", ERR_INVALID_PROTOCOL},
      {201, "ISO15765", ERR_INVALID_PROTOCOL},
      {201, "J1939:Channel=2", ERR_INVALID_PROTOCOL},
      {201, "J1939:Baud=Auto,Channel=1", ERR_INVALID_PROTOCOL},
      {201, "j1939", ERR_INVALID_PROTOCOL},
      {201, "J1939 ", ERR_INVALID_PROTOCOL},
      {201, "", ERR_INVALID_PROTOCOL},
      {201, nullptr, ERR_INVALID_PROTOCOL},
  };
  for (const Case& c : idle) {
    EXPECT_EQ(Connect(c.device, c.protocol), c.expected)
        << c.device << " " << (c.protocol ? c.protocol : "(null)");
  }
  EXPECT_TRUE(adapter.Recorded().HostBytes().empty())
      << "a refused connect must not touch the port";

  // With a J1708 client in raw mode: the protocol check still comes before
  // the raw-mode and port checks, a J1708 string with a rate is J1708 for
  // the raw-mode check, and a J1939 string with a rate joins the session.
  ConnectOrFail(201, "J1708:Baud=9600");
  ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "0"), 0);
  const Case busy[] = {
      {201, "J1939:Baud=500", ERR_INVALID_PROTOCOL},
      {201, "J1708:Baud=19200", ERR_INVALID_PROTOCOL},
      {101, "J1708:Baud=19200", ERR_INVALID_PROTOCOL},
      {201, "J1708:Baud=Auto", ERR_CONNECT_NOT_ALLOWED},
      {101, "J1708:Baud=9600", ERR_DEVICE_IN_USE},
      {201, "J1939:Baud=Auto", 1},
  };
  for (const Case& c : busy) {
    EXPECT_EQ(Connect(c.device, c.protocol), c.expected)
        << c.device << " " << c.protocol;
  }
  EXPECT_EQ(Disconnect(1), 0);
  ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "1"), 0);  // leave converted
}

TEST_F(LaterRevisions, DetailedVersionNeedsAClientAndSaysNothingFalse) {
  std::array<char, 17> api{}, dll{}, firmware{};
  api.fill('E');
  EXPECT_EQ(
      RP1210_ReadDetailedVersion(0, api.data(), dll.data(), firmware.data()),
      ERR_INVALID_CLIENT_ID);
  EXPECT_EQ(api[0], 'E') << "nothing written without a client";

  StartAdapter(202);
  ConnectOrFail(202, "J1939:Baud=Auto");
  for (short client : {1, -1, 2}) {
    EXPECT_EQ(RP1210_ReadDetailedVersion(client, api.data(), dll.data(),
                                         firmware.data()),
              ERR_INVALID_CLIENT_ID)
        << client;
  }
  ASSERT_EQ(
      RP1210_ReadDetailedVersion(0, api.data(), dll.data(), firmware.data()),
      0);
  char major[2], minor[2], apiMajor[2], apiMinor[2];
  RP1210_ReadVersion(major, minor, apiMajor, apiMinor);
  EXPECT_EQ(std::string(dll.data()), std::string(major) + "." + minor);
  EXPECT_EQ(std::string(api.data()), std::string(apiMajor) + "." + apiMinor);
  EXPECT_STREQ(firmware.data(), "unknown");

  char* buffers[] = {api.data(), dll.data(), firmware.data()};
  for (int missing = 0; missing < 3; ++missing) {
    char* args[3] = {buffers[0], buffers[1], buffers[2]};
    args[missing] = nullptr;
    EXPECT_EQ(RP1210_ReadDetailedVersion(0, args[0], args[1], args[2]),
              ERR_INVALID_COMMAND)
        << "null buffer " << missing;
  }
}

// Every code in the range the revisions use: the same text and result as
// RP1210_GetErrorMsg, no sub-error, whatever the client id.
TEST(LastErrorMessage, SameTextsAsGetErrorMsgWithoutSubErrorOrClient) {
  std::vector<int> codes = {-32768, -129, -1, 32767};
  for (int code = 0; code <= 1000; ++code) codes.push_back(code);
  for (int code : codes) {
    for (short client : {0, 1, -1, 136}) {
      char expected[80] = "";
      const short expectedResult =
          RP1210_GetErrorMsg(static_cast<short>(code), expected);
      char description[80];
      std::memset(description, 'E', sizeof description);
      int sub = 12345;
      ASSERT_EQ(RP1210_GetLastErrorMsg(static_cast<short>(code), &sub,
                                       description, client),
                expectedResult)
          << code;
      ASSERT_STREQ(description, expected) << code;
      ASSERT_EQ(sub, -1) << code;
    }
  }
}

TEST(LastErrorMessage, NullPointersAreRefusedWithACode) {
  char description[80] = "";
  int sub = 0;
  EXPECT_EQ(RP1210_GetLastErrorMsg(136, nullptr, description, 0),
            ERR_INVALID_COMMAND);
  EXPECT_EQ(RP1210_GetLastErrorMsg(136, &sub, nullptr, 0), ERR_INVALID_COMMAND);
  EXPECT_EQ(RP1210_GetLastErrorMsg(9999, nullptr, nullptr, -1),
            ERR_INVALID_COMMAND);
}

TEST_F(LaterRevisions, ConnectionSpeedIsWrittenOnlyWhenItFits) {
  for (const char* protocol : {"J1939", "J1708"}) {
    SCOPED_TRACE(protocol);
    StartAdapter(101);
    ASSERT_EQ(Connect(101, protocol), 0);
    const std::string speed = IsJ1939(protocol) ? "250000" : "9600";
    const short exact = static_cast<short>(speed.size() + 1);
    std::array<char, 20> buffer;
    buffer.fill('E');
    EXPECT_EQ(RP1210_SendCommand(45, 0, buffer.data(), exact - 1),
              ERR_INVALID_COMMAND);
    EXPECT_EQ(buffer[0], 'E') << "a cut speed would be a wrong speed";
    EXPECT_EQ(RP1210_SendCommand(45, 0, nullptr, 20), ERR_INVALID_COMMAND);
    EXPECT_EQ(RP1210_SendCommand(45, 0, buffer.data(), exact), 0);
    EXPECT_EQ(std::string(buffer.data()), speed);
    EXPECT_EQ(buffer[exact], 'E') << "nothing past the text";
    ASSERT_EQ(Disconnect(), 0);
  }
}

TEST_F(LaterRevisions, J1939RateChangeAcceptsOnly250kAndSendsNothing) {
  auto& adapter = StartAdapter(203);
  ConnectOrFail(203, "J1939:Baud=Auto");
  ASSERT_EQ(Command(3), 0);
  adapter.Recorded().Clear();
  struct Case {
    Bytes buffer;
    short expected;
  };
  const Case cases[] = {
      {{RP1210_CHANGE_BAUD_NOW, RP1210_BAUD_250k}, 0},
      {{RP1210_MSG_FIRST_CHANGE_BAUD_AFTER, RP1210_BAUD_250k}, 0},
      {{0, RP1210_BAUD_250k, 0xFF}, 0},
      {{0, RP1210_BAUD_500k}, ERR_COMMAND_NOT_SUPPORTED},
      {{0, RP1210_BAUD_125k}, ERR_COMMAND_NOT_SUPPORTED},
      {{0, RP1210_BAUD_1000k}, ERR_COMMAND_NOT_SUPPORTED},
      {{1, RP1210_BAUD_9600}, ERR_COMMAND_NOT_SUPPORTED},
      {{0, 0x08}, ERR_INVALID_COMMAND},
      {{2, RP1210_BAUD_250k}, ERR_INVALID_COMMAND},
      {{0}, ERR_INVALID_COMMAND},
      {{}, ERR_INVALID_COMMAND},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Command(RP1210_Set_J1939_Baud, c.buffer), c.expected)
        << testing::PrintToString(c.buffer);
  }
  EXPECT_EQ(RP1210_SendCommand(37, 0, nullptr, 2), ERR_INVALID_COMMAND);
  EXPECT_TRUE(adapter.Recorded().HostBytes().empty())
      << "the adapter runs 250k whatever is asked";
  adapter.PutOnBus(Bus::kJ1939, 0x0CF00400, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(ReadRecords(1).size(), 1u) << "the connection still receives";
}

TEST_F(LaterRevisions, J1939RateChangeIsNotACommandOfJ1708) {
  StartAdapter(201);
  ConnectOrFail(201, "J1708:Baud=Auto");
  EXPECT_EQ(Command(RP1210_Set_J1939_Baud, Bytes{0, RP1210_BAUD_250k}),
            ERR_COMMAND_NOT_SUPPORTED);
}

TEST_F(LaterRevisions, FlushEmptiesTheReceiveQueue) {
  auto& adapter = StartAdapter(202);
  ConnectOrFail(202, "J1939:Baud=250");
  ASSERT_EQ(Command(3), 0);
  vlr1210_posix_reset_notifications();
  for (uint8_t tag = 0; tag < 5; ++tag) {
    adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{tag, 0, 0, 0, 0, 0, 0, 0});
  }
  ASSERT_TRUE(adapter.WaitUntilSent());
  ASSERT_EQ(ReadRecords(1).size(), 1u);
  ASSERT_TRUE(WaitForDeliveries(5));  // the rest reach the queue
  EXPECT_EQ(Command(RP1210_Flush_Tx_Rx_Buffers), 0);
  Bytes record;
  EXPECT_EQ(Read(record), 0) << "nothing left to read";
}

// The writer holds J1708 frames until the adapter's ready frame; what is
// still queued then is gone after the flush.
TEST_F(LaterRevisions, FlushEmptiesTheTransmitQueue) {
  vlrsim::AdapterOptions options;
  options.ready_delay = std::nullopt;
  auto& adapter = StartAdapter(201, options);
  ConnectOrFail(201, "J1708:Baud=9600");
  for (uint8_t tag = 0; tag < 3; ++tag) {
    ASSERT_EQ(Send(Bytes{3, 128, 84, tag}), 0);
  }
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(1));
  EXPECT_EQ(Command(RP1210_Flush_Tx_Rx_Buffers), 0);
  adapter.SendReady();
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(adapter.Recorded().HostMessages().size(), 1u)
      << "the two waiting frames were flushed";
  ASSERT_EQ(Send(Bytes{3, 128, 84, 9}), 0);
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(2));
  EXPECT_EQ(adapter.Recorded().HostMessages().back().data, (Bytes{84, 9}));
}

TEST_F(LaterRevisions, LaterCommandsNeedAValidClient) {
  StartAdapter(101);
  ConnectOrFail(101, "J1939");
  char buffer[20] = "";
  for (short command : {37, 39, 45}) {
    for (short client : {1, -1, 2}) {
      EXPECT_EQ(RP1210_SendCommand(command, client, buffer, 20),
                ERR_INVALID_CLIENT_ID)
          << command << " client " << client;
    }
  }
}

}  // namespace
}  // namespace vlrtest
