#pragma once

namespace vornen::platform {

// Makes the permanent neighbour entry that "arp -s" makes on Windows.
void posix_run_arp(const char* parameters) noexcept;

}  // namespace vornen::platform
