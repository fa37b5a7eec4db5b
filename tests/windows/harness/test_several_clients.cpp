// Several clients in one process through the DLL under Wine: the cases of
// the Linux suite, played as rp1210_run steps.
#include <cstdlib>
#include <string>

#include "several_clients_cases.h"
#include "wine_driver_test.h"

namespace winetest {
namespace {

// A step's result as a number; an answer that is none (the program hung or
// misunderstood) becomes a value no function returns.
int Number(const std::string& text) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && (*end == '\0' || *end == ' ')
             ? static_cast<int>(value)
             : -100000;
}

class SeveralClients
    : public WineDriverTest,
      public ::testing::WithParamInterface<several_clients::Case> {
 protected:
  class Program : public several_clients::Application {
   public:
    explicit Program(SeveralClients& test) : test_(test) {}
    int Connect(int device, const char* protocol) override {
      return Number(test_.Connect(device, protocol));
    }
    int Disconnect(int client) override {
      return Number(test_.Step("disconnect " + std::to_string(client)));
    }
    int Command(int number, int client,
                const std::vector<uint8_t>& argument) override {
      return Number(test_.Step("command " + std::to_string(number) + " " +
                               std::to_string(client) + " " +
                               (argument.empty() ? "-" : Hex(argument))));
    }
    int Send(int client, const std::vector<uint8_t>& message) override {
      return Number(
          test_.Step("send " + std::to_string(client) + " " + Hex(message)));
    }
    int Poll(int client, std::vector<uint8_t>& record,
             std::chrono::milliseconds within) override {
      const ReadResult r =
          ParseRead(test_.Step("poll " + std::to_string(client) + " 600 " +
                               std::to_string(within.count())));
      record.clear();
      if (r.bytes.size() > 4) record.assign(r.bytes.begin() + 4, r.bytes.end());
      return r.result;
    }

   private:
    SeveralClients& test_;
  };
};

TEST_P(SeveralClients, Case) {
  auto& adapter = StartAdapter(201);
  Program program(*this);
  GetParam().run(program, adapter);
}

INSTANTIATE_TEST_SUITE_P(Shared, SeveralClients,
                         ::testing::ValuesIn(several_clients::Cases()),
                         [](const auto& info) {
                           return several_clients::CaseName(info.param);
                         });

}  // namespace
}  // namespace winetest
