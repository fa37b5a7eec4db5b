// J1939 transport and address claim against simulated ECUs, on both
// adapter families: the cases shared with the Wine suite.
#include "library_application.h"
#include "transport_cases.h"

namespace vlrtest {
namespace {

struct Played {
  transport_cases::Case c;
  int device;
};

class Transport : public DriverTest,
                  public ::testing::WithParamInterface<Played> {};

TEST_P(Transport, Case) {
  StartAdapter(GetParam().device);
  LibraryApplication library(*this);
  GetParam().c.run(library, *adapter_, GetParam().device);
}

std::vector<Played> AllPlayed() {
  std::vector<Played> played;
  for (int device : {201, 101}) {
    for (const auto& c : transport_cases::Cases()) {
      played.push_back({c, device});
    }
  }
  return played;
}

INSTANTIATE_TEST_SUITE_P(Shared, Transport, ::testing::ValuesIn(AllPlayed()),
                         [](const auto& info) {
                           return std::string(info.param.c.name) + "_" +
                                  std::to_string(info.param.device);
                         });

}  // namespace
}  // namespace vlrtest
