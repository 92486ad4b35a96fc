// The five record texts of the setup dialogue and what the device reads from them.
#pragma once

#include <string>
#include <string_view>

#include "address_text.h"

namespace devsim {

inline constexpr int kSetupRecordCount = 5;

// What record 0 carries: the new address and the number of host bits of its netmask.
struct SetupTarget {
  Ipv4 address{};
  int host_bits = 0;
};

// Checks a record text (the colon through the backslash) against the exact form that
// record `index` must have. Returns an empty text when it is right, else what is wrong.
std::string check_record(int index, std::string_view text);

// Reads the address and host bits of a record 0 text that check_record accepted.
SetupTarget record0_target(std::string_view text);

}  // namespace devsim
