#ifndef SETVORNIP_CORE_RESULT_MESSAGE_H
#define SETVORNIP_CORE_RESULT_MESSAGE_H

#include <cstdint>
#include <string>

namespace setvornip {

// The operator's text for a library result code: the code in decimal, then a
// full-width colon, the code's ERR_ name padded to 32 columns and a short
// Japanese description. Codes outside the table get the undefined-error text.
std::u16string ResultMessage(int32_t code);

}  // namespace setvornip

#endif  // SETVORNIP_CORE_RESULT_MESSAGE_H
