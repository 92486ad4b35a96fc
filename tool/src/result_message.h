#ifndef SETVORNIP_RESULT_MESSAGE_H
#define SETVORNIP_RESULT_MESSAGE_H

#include <QString>
#include <cstdint>

// The operator's text for a library result code: the code in decimal, then a
// full-width colon, the code's ERR_ name padded to 32 columns and a short
// Japanese description. Codes outside the table get the undefined-error text.
QString ResultMessage(int32_t code);

#endif  // SETVORNIP_RESULT_MESSAGE_H
