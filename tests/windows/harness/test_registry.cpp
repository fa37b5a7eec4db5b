// The one piece of stored state the driver touches: the value "OEMApp" of
// HKLM\SOFTWARE\Volra\KT 300, read at every disconnect, the key created
// volatile when missing. Checked from outside with Wine's reg tool.
#include <string>

#include "wine_driver_test.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;

const char kKey[] = "HKLM\\SOFTWARE\\Volra\\KT 300";

class Registry : public WineDriverTest {
 protected:
  void SetUp() override {
    WineDriverTest::SetUp();
    Reg({"delete", "HKLM\\SOFTWARE\\Volra", "/f"});
  }
  void TearDown() override {
    WineDriverTest::TearDown();
    Reg({"delete", "HKLM\\SOFTWARE\\Volra", "/f"});
  }
  // In the registry view of the DLL under test: "wine reg" is the 32-bit
  // tool, which sees the 32-bit view of a 64-bit prefix.
  RunResult Reg(std::vector<std::string> args) {
    args.insert(args.begin(), "reg");
    if (SharedPrefix().Is64Bit()) args.push_back("/reg:64");
    return SharedPrefix().Run(args, 60s);
  }
  void ConnectAndDisconnect() {
    ASSERT_EQ(Connect(101, "J1708"), "0");
    ASSERT_EQ(Step("disconnect 0"), "0");
  }
};

TEST_F(Registry, DisconnectLeavesTheKeyVolatile) {
  StartAdapter(101);
  ASSERT_NE(Reg({"query", kKey}).exitCode, 0) << "no key before";
  ConnectAndDisconnect();
  const auto present = Reg({"query", kKey});
  EXPECT_EQ(present.exitCode, 0) << present.output;
  EXPECT_EQ(present.output.find("OEMApp"), std::string::npos) << present.output;
  // A new session is what a restart is to Windows: volatile keys are gone.
  ASSERT_EQ(program_.Finish(), 0);
  SharedPrefix().EndSession();
  EXPECT_NE(Reg({"query", kKey}).exitCode, 0) << "the key outlived the session";
}

TEST_F(Registry, StoredValueIsReadAndLeftAlone) {
  StartAdapter(101);
  // 300 characters: more than the 200-byte buffer the driver reads into.
  for (const std::string& value :
       {std::string("Fleet Service"), std::string(300, 'x')}) {
    ASSERT_EQ(Reg({"add", kKey, "/v", "OEMApp", "/d", value, "/f"}).exitCode,
              0);
    ConnectAndDisconnect();
    const auto after = Reg({"query", kKey, "/v", "OEMApp"});
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_NE(after.output.find(value), std::string::npos) << after.output;
  }
}

}  // namespace
}  // namespace winetest
