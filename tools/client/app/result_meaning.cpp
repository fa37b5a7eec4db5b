#include "result_meaning.h"

#include "rp1210.h"

namespace vlrclient {

std::string ResultMeaning(short code) {
  switch (code) {
    case ERR_INVALID_COMMAND:
      return "the address cannot be claimed (254 and 255 are reserved) or the "
             "command is malformed";
    case ERR_ADDRESS_CLAIM_FAILED:
      return "another node with a better (lower) NAME holds the address; try "
             "another address";
    case ERR_COULD_NOT_TX_ADDRESS_CLAIMED:
      return "the Address Claimed message could not be sent";
    case ERR_ADDRESS_LOST:
      return "the address was lost to a node with a better NAME; sends from "
             "it are refused";
    case ERR_ADDRESS_NEVER_CLAIMED:
      return "this client never claimed that address";
    case ERR_MESSAGE_NOT_SENT:
      return "the transfer ended without success: the receiver aborted it or "
             "stopped answering";
    default:
      return {};
  }
}

}  // namespace vlrclient
