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

// Copies at most `span` bytes, up to and including the first `stop`; returns
// the count copied. Each block is searched and then copied while it is still
// in the cache, so a large piece is read from memory once, not twice.
std::int32_t copy_through(char* to, const unsigned char* from, std::int32_t span,
                          unsigned char stop, bool* hit) {
  constexpr std::int32_t kBlock = 16 * 1024;
  std::int32_t done = 0;
  while (done < span) {
    const std::int32_t block = span - done < kBlock ? span - done : kBlock;
    const auto* at = static_cast<const unsigned char*>(
        std::memchr(from + done, stop, static_cast<std::size_t>(block)));
    const std::int32_t take =
        at != nullptr ? static_cast<std::int32_t>(at - (from + done)) + 1 : block;
    std::memcpy(to + done, from + done, static_cast<std::size_t>(take));
    done += take;
    if (at != nullptr) {
      *hit = true;
      break;
    }
  }
  return done;
}

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
    bool hit = false;
    stored += copy_through(buffer + stored, piece, span, stop, &hit);
    if (hit || got > room) break;
    // Exactly full with no terminator: the next byte, if any, ends the call.
  }
  *size = stored;
  return finish(0);
}

}  // namespace vornen
