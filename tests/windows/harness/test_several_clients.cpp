// Several clients in one process through the DLL under Wine: the cases of
// the Linux suite, played as rp1210_run steps.
#include "program_application.h"
#include "several_clients_cases.h"
#include "wine_driver_test.h"

namespace winetest {
namespace {

class SeveralClients
    : public WineDriverTest,
      public ::testing::WithParamInterface<several_clients::Case> {};

TEST_P(SeveralClients, Case) {
  auto& adapter = StartAdapter(201);
  ProgramApplication program([this](const std::string& s) { return Step(s); });
  GetParam().run(program, adapter);
}

INSTANTIATE_TEST_SUITE_P(Shared, SeveralClients,
                         ::testing::ValuesIn(several_clients::Cases()),
                         [](const auto& info) {
                           return several_clients::CaseName(info.param);
                         });

}  // namespace
}  // namespace winetest
