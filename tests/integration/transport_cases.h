// The J1939 transport and address claim through the exported functions,
// written once for the Linux suite and the Wine suite, against simulated
// ECUs behind a simulated adapter of either family.
#pragma once

#include "several_clients_cases.h"

namespace transport_cases {

using several_clients::Application;
using several_clients::Bytes;

struct Case {
  const char* name;
  void (*run)(Application& application, vlrsim::PtyAdapter& adapter,
              int device);
};

const std::vector<Case>& Cases();

}  // namespace transport_cases
