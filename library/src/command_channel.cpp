#include "command_channel.h"

#include <cstring>

#include "VornEN.h"
#include "connection.h"
#include "platform/platform.h"
#include "tcp.h"
#include "text_checks.h"

namespace vornen {

namespace {

constexpr int kAfterSendPauseMs = 10;

// Ends the call: the release's own result is never reported.
int finish(int result) {
  tcp_release();
  return result;
}

}  // namespace

int send_str(const char* host, const char* data, std::int32_t length) {
  if (check_host_text(host) != 0) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (data == nullptr || length < 1) return ERR_ILLEGAL_INPUT_PARAMETER;
  int r = tcp_connect(host, kCommandPort);
  if (r == 0) r = tcp_send(data, length);
  return finish(r);
}

int send_recv_str(const char* host, const char* data, std::int32_t length, char* buffer,
                  std::int32_t* size, std::int32_t terminator) {
  if (check_host_text(host) != 0) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (length < 1 && (size == nullptr || *size < 1)) return ERR_ILLEGAL_INPUT_PARAMETER;
  // Nothing may be written through a missing buffer.
  if (size != nullptr && buffer == nullptr) return ERR_ILLEGAL_INPUT_PARAMETER;
  int r = tcp_connect(host, kCommandPort);
  if (r != 0) return finish(r);
  if (length >= 1 && (r = tcp_send(data, length)) != 0) return finish(r);
  platform::ops().sleep_ms(kAfterSendPauseMs);
  if (size == nullptr) return finish(0);

  const std::int32_t capacity = *size;
  const auto stop = static_cast<unsigned char>(terminator & 0xFF);
  unsigned char* piece = reply_buffer();
  std::int32_t stored = 0;
  for (;;) {
    std::int32_t got = kReplyBufferSize;
    if ((r = tcp_receive(piece, &got)) != 0) return finish(r);
    if (got == 0) break;  // the device closed in order
    // Copy up to the terminator or the capacity, whichever comes first; the
    // rest of the piece is dropped.
    const std::int32_t room = capacity > stored ? capacity - stored : 0;
    const std::int32_t span = got < room ? got : room;
    // The test of span keeps 32-bit builds from seeing a negative size here.
    const void* hit = span > 0 ? std::memchr(piece, stop, static_cast<std::size_t>(span)) : nullptr;
    const std::int32_t take =
        hit != nullptr
            ? static_cast<std::int32_t>(static_cast<const unsigned char*>(hit) - piece) + 1
            : span;
    if (take > 0) std::memcpy(buffer + stored, piece, static_cast<std::size_t>(take));
    stored += take;
    if (hit != nullptr || got > room) break;
    // Exactly full with no terminator: the next byte, if any, ends the call.
  }
  *size = stored;
  return finish(0);
}

}  // namespace vornen
