// Reads the setup dialogue as a byte stream: the pieces may arrive split or coalesced in any
// way, so everything is decided byte by byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "setup_records.h"

namespace devsim {

struct SetupEvent {
  enum class Kind {
    menu,          // "M" arrived: the device answers with its menu
    command,       // a command line ended by CR; text holds it without the CR
    record_ok,     // text holds "N" for record N
    record_error,  // text says what is wrong
    accepted,      // "RS" after five good records: target holds the new settings
    rejected,      // "RS" without five good records: text says why
  };
  Kind kind;
  std::string text;
  SetupTarget target{};
};

struct SetupSession {
  bool menu_seen = false;
  bool s0_seen = false;
  bool finished = false;  // "RS" arrived; later bytes are ignored
  bool skipping_record = false;
  int record_count = 0;
  std::string first_error;
  SetupTarget target{};
  std::string pending;
};

std::vector<SetupEvent> feed_setup(SetupSession& session, std::string_view bytes);

}  // namespace devsim
