#include "connection/connection_state.h"

namespace vlr {

// Function-local statics: built on first use (at the latest at the first
// exported call) and destroyed at unload, in an order that lets no record
// outlive another that refers to it.
ConnectionState& Connection() {
  static ConnectionState state;
  return state;
}

DeviceRecord& Device() {
  static DeviceRecord record;
  return record;
}

ClientTable& Clients() {
  static ClientTable table;
  return table;
}

int ThreadPriorityForCode(int32_t code) {
  switch (code) {
    case 1:
      return -2;
    case 2:
      return -1;
    case 4:
      return 1;
    case 5:
      return 2;
    case 6:
      return 15;
    default:
      return 0;
  }
}

}  // namespace vlr
