// Network start-up and the adapter check behind En_Open and En_Close.
#pragma once

namespace vornen {

int open_library();
int close_library();
// Lists the adapters and keeps the broadcast text of the single usable one.
// With an adapter name, only that adapter's addresses are looked at, so a
// machine with several adapters can still pick one.
int adapter_check(const char* only_adapter = nullptr);
int open_library_on(const char* adapter_name);

}  // namespace vornen
