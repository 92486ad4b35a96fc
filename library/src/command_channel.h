// Command text to the device's command port and its reply back, one whole
// connection per call.
#pragma once

#include <cstdint>

namespace vornen {

inline constexpr int kCommandPort = 14001;

int send_str(const char* host, const char* data, std::int32_t length);
int send_recv_str(const char* host, const char* data, std::int32_t length, char* buffer,
                  std::int32_t* size, std::int32_t terminator);

}  // namespace vornen
