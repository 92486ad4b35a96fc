// What every service of the simulated device shares.
#pragma once

#include <mutex>
#include <string>

#include "address_text.h"
#include "event_log.h"
#include "unique_fd.h"

namespace devsim {

struct Device {
  std::string interface;
  unsigned index = 0;
  Mac mac{};
  int default_prefix = 24;
  EventLog log;
  // Readable once the simulator is asked to stop; every wait also watches it.
  UniqueFd stop;
  // Taking an address and replacing it must not interleave.
  std::mutex address_mutex;
};

}  // namespace devsim
