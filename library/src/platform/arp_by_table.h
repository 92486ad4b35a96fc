#pragma once

namespace vornen::platform {

// Makes the permanent neighbour entry that "arp -s" makes, straight in the
// neighbour table (neighbour_table.h) instead of through a program: the
// run_arp of Linux, and of vornctl.exe on Windows, where the library's own
// backend starts the system's arp.
void run_arp_by_table(const char* parameters) noexcept;

}  // namespace vornen::platform
