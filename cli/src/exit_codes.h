// The program's exit statuses: one table, printed by the help and listed in
// the manual page, so that a script can tell one failure from another.
#pragma once

#include <vector>

namespace vornctl {

enum Exit : int {
  kExitOk = 0,
  kExitFailure = 1,   // any other failure of the library
  kExitUsage = 2,     // the command line or the input file is unusable
  kExitNotFound = 3,  // no device answered for the MAC; no entry to forget
  kExitTimedOut = 4,  // the device did not answer in time
  kExitRefused = 5,   // the device refused, reset or closed the connection
  kExitAdapter = 6,   // no usable network adapter, or more than one
  kExitNoRight = 7,   // the right to change the neighbour table is missing
  kExitUnsafe = 8,    // set refused to replace a neighbour entry in use
  kExitSomeRows = 9,  // set --from: one or more rows failed
  kExitOutput = 10,   // the output could not be written
  // set --from was stopped before every row ran: by SIGINT, SIGTERM, SIGHUP
  // or the end of its output. The status a shell gives a command ended by
  // Ctrl-C, which scripts already take for "interrupted".
  kExitInterrupted = 130,
};

struct ExitInfo {
  int status;
  const char* name;         // short name, as the JSON output gives it
  const char* description;  // one line, as the help and the manual page give it
};

// Every status, in ascending order.
const std::vector<ExitInfo>& exit_table();
const ExitInfo& exit_info(int status);

// The exit status for a failed library call with this result code.
int exit_status_of(int result_code);

}  // namespace vornctl
