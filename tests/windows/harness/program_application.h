// The application's calls of the shared cases, played as rp1210_run steps.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "several_clients_cases.h"

namespace winetest {

class ProgramApplication : public several_clients::Application {
 public:
  using Bytes = several_clients::Bytes;
  // `step` plays one step and gives its result (the text after " => ").
  using StepFunction = std::function<std::string(const std::string&)>;
  explicit ProgramApplication(StepFunction step) : step_(std::move(step)) {}

  int Connect(int device, const char* protocol) override;
  int ConnectPacketizing(int device, const char* protocol) override;
  int Disconnect(int client) override;
  int Command(int number, int client, const Bytes& argument) override;
  int Send(int client, const Bytes& message) override;
  int SendBlocking(int client, const Bytes& message) override;
  int Poll(int client, Bytes& record,
           std::chrono::milliseconds within) override;

 private:
  int NumberOf(const std::string& step) { return ResultNumber(step_(step)); }
  // A step's result as a number; an answer that is none (the program hung
  // or misunderstood) becomes kNotPlayed, which no function returns.
  static int ResultNumber(const std::string& text);

  StepFunction step_;
};

}  // namespace winetest
