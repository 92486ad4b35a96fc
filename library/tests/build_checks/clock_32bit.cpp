// Compiled (not run) for a 32-bit target, where long has 32 bits: every
// assertion is evaluated by the compiler, and an overflow in the arithmetic
// makes it fail to compile.
#include "platform/posix_clock.h"

using vornen::platform::time_left;
using vornen::platform::to_milliseconds;

static_assert(sizeof(long) == 4, "meant for a target with a 32-bit long");
// 34 days after boot, and the largest second count of a 32-bit time_t.
static_assert(to_milliseconds(3'000'000, 999'999'999) == 3'000'000'999);
static_assert(to_milliseconds(2'147'483'647, 0) == 2'147'483'647'000);
static_assert(time_left(to_milliseconds(3'000'005, 0), to_milliseconds(3'000'000, 0)) == 5000);
static_assert(time_left(to_milliseconds(3'000'000, 0), to_milliseconds(3'000'005, 0)) == 0);
