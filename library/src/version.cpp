#include "version.h"

#include <cstdio>

#include "VornEN.h"

namespace vornen {

int get_version(char* buffer, std::int32_t* length) {
  if (length == nullptr) return ERR_ILLEGAL_INPUT_PARAMETER;
  char text[24];
  std::snprintf(text, sizeof text, "%s", VORNEN_VERSION_TEXT);
  const std::int32_t capacity = *length;
  if (capacity == 0 || buffer == nullptr) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (capacity < 0) return 0;
  for (std::int32_t i = 0; i < capacity; ++i) {
    buffer[i] = text[i];
    if (text[i] == '\0') {
      *length = i;
      break;
    }
  }
  return 0;
}

}  // namespace vornen
