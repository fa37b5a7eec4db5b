#include <gtest/gtest.h>

#include <string>

#include "port_file_edit.h"

namespace vlrclient {
namespace {

TEST(PortFileEdit, ReplacesAppendsOrRemovesOnlyThatPort) {
  const std::string text =
      "# mine\n[ports]\ncom1= /dev/ttyUSB0\nCOM2 = /dev/ttyUSB1\n";
  struct Case {
    int com;
    std::optional<std::string> path;
    std::string expected;
  };
  const Case cases[] = {
      {1, "/dev/ttyACM0",
       "# mine\n[ports]\nCOM1 = /dev/ttyACM0\nCOM2 = /dev/ttyUSB1\n"},
      {3, "/dev/ttyACM0", text + "COM3 = /dev/ttyACM0\n"},
      {2, std::nullopt, "# mine\n[ports]\ncom1= /dev/ttyUSB0\n"},
      {4, std::nullopt, text},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EditPortFile(text, c.com, c.path), c.expected) << c.com;
  EXPECT_EQ(EditPortFile(NewPortFileText(), 1, "/dev/x"),
            NewPortFileText() + "COM1 = /dev/x\n");
}

}  // namespace
}  // namespace vlrclient
