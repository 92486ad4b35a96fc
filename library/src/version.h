#pragma once

#include <cstdint>

namespace vornen {

int get_version(char* buffer, std::int32_t* length);

}  // namespace vornen
