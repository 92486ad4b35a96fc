// Network start-up and the adapter check behind En_Open and En_Close.
#pragma once

namespace vornen {

int open_library();
int close_library();
// Lists the adapters and keeps the broadcast text of the single usable one.
int adapter_check();

}  // namespace vornen
