// J1939 transport and address claim through the DLL under Wine, on both
// adapter families: the cases of the Linux suite, played as rp1210_run steps.
#include "program_application.h"
#include "transport_cases.h"
#include "wine_driver_test.h"

namespace winetest {
namespace {

struct Played {
  transport_cases::Case c;
  int device;
};

void PrintTo(const Played& p, std::ostream* out) {
  *out << p.c.name << " on " << p.device;
}

class Transport : public WineDriverTest,
                  public ::testing::WithParamInterface<Played> {};

TEST_P(Transport, Case) {
  auto& adapter = StartAdapter(GetParam().device);
  ProgramApplication program([this](const std::string& s) { return Step(s); });
  GetParam().c.run(program, adapter, GetParam().device);
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
}  // namespace winetest
