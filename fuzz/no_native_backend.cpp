// The fuzz build links no real backend: a target that has not put its own
// table in place stops here instead of opening a real socket.
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace vornen::platform {

const Operations& native() {
  std::fputs("fuzz build: the real backend was asked for; install the fuzz table first\n", stderr);
  std::abort();
}

}  // namespace vornen::platform
