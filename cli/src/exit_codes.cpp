#include "exit_codes.h"

#include "VornEN.h"
#include "system_words.h"

namespace vornctl {

const std::vector<ExitInfo>& exit_table() {
  static const std::vector<ExitInfo> table = {
      {kExitOk, "ok", "success"},
      {kExitFailure, "failure", "any other failure of the library (its result code says which)"},
      {kExitUsage, "usage", "the command line or the input file is unusable"},
      {kExitNotFound, "not-found", "no device answered for the MAC address, or no entry to forget"},
      {kExitTimedOut, "timed-out", "the device did not answer in time"},
      {kExitRefused, "refused", "the device refused, reset or closed the connection"},
      {kExitAdapter, "adapter",
       "no usable network adapter, or more than one (see --interface), or it is down"},
      {kExitNoRight, "no-right",
       "no right to change the neighbour table (" VORNCTL_RIGHT_HOLDER ")"},
      {kExitUnsafe, "unsafe",
       "set refused: the address is the PC's own, its gateway's, another MAC's, or its "
       "network's or broadcast address"},
      {kExitSomeRows, "some-rows-failed", "set --from: one or more rows failed"},
      {kExitOutput, "output",
       "the output could not be written (a full disk, a closed standard output)"},
      {kExitInterrupted, "interrupted",
       "set --from was interrupted (" VORNCTL_STOP_REQUESTS ", or its output closed)"},
  };
  return table;
}

const ExitInfo& exit_info(int status) {
  for (const ExitInfo& e : exit_table())
    if (e.status == status) return e;
  return exit_table()[kExitFailure];
}

int exit_status_of(int result_code) {
  switch (result_code) {
    case 0:
      return kExitOk;
    case ERR_NODEVICE_FORMAC:
      return kExitNotFound;
    case ERR_TIMEOUT_ONCONNECTION:
    case ERR_TIMEOUT_ONREAD:
    case ERR_UDP_TIMEOUT_ONREAD:
      return kExitTimedOut;
    // A refused connect completes the connect; the refusal shows in the
    // first receive or send, or as a close instead of the awaited event.
    case ERR_CONNECT:
    case ERR_UNEXPECTEDEVENT_ONCONNECTION:
    case ERR_SENDERR:
    case ERR_RECVFAIL:
    case ERR_UNEXPECTEDEVENT_ONREAD:
      return kExitRefused;
    case ERR_NONETWORKINTERFACEONINFO:
    case ERR_TOOMANYNONETWORKINTERFACE:
      return kExitAdapter;
    default:
      return kExitFailure;
  }
}

}  // namespace vornctl
