// Names and short English descriptions of the result codes, for programs
// that report them (the exports themselves only return the numbers).
#pragma once

namespace vornen {

// The ERR_ name, or nullptr for a code that is not in the table.
const char* result_name(int code);
// A short description; "unknown result code" for a code not in the table.
const char* result_description(int code);

}  // namespace vornen
