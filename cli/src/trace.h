// The protocol trace of -v/--trace: a table of operating-system operations
// put in front of the one the library core uses. Each entry writes one
// time-stamped line and forwards to the table that was in use, so the trace
// shows exactly what the core does (connects, bytes out and in as text and
// hex, events, closes, datagrams, the neighbour entry, every pause) while the
// core and its exports stay as they are.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vornctl {

class Trace {
 public:
  // Puts the tracing table in place; lines go to `fd`, time-stamped in
  // milliseconds from now.
  explicit Trace(int fd);
  // Puts the table that was in use back.
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // A label in front of every line from now on (a worker's row: "line 3").
  static void set_label(const std::string& label);
};

// The text of bytes as a trace line shows them: count, upper-case hex and
// the quoted text with \r \n \\ \" \xHH escapes, both cut after 256 bytes.
std::string traced_bytes(const void* data, int length);

}  // namespace vornctl
