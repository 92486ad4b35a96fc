#include "platform.h"

namespace vornen::platform {
namespace {
const Operations* g_in_use = nullptr;
}

const Operations& ops() { return g_in_use != nullptr ? *g_in_use : native(); }

void use(const Operations* operations) { g_in_use = operations; }

}  // namespace vornen::platform
