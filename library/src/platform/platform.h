// The operating-system layer. Every call the library makes to the system goes
// through one table of operations, so that the same logic runs on POSIX, on
// Windows Sockets, and on a scripted fake that tests use to produce failures a
// real network cannot produce on demand.
//
// The model is that of Windows Sockets: a socket, an event object bound to the
// socket for a mask of network events, a bounded wait on the event, and a
// read-and-reset of the events recorded on the socket.
#pragma once

#include <cstdint>

namespace vornen::platform {

using Socket = std::intptr_t;
using Event = std::intptr_t;
inline constexpr Socket kNoSocket = -1;
inline constexpr Event kNoEvent = 0;

// Network event bits, as Windows numbers them.
inline constexpr long kEventRead = 1;
inline constexpr long kEventConnect = 16;
inline constexpr long kEventClose = 32;

// Adapter flag bits, as Windows numbers them.
inline constexpr std::uint32_t kAdapterLoopback = 4;
inline constexpr std::uint32_t kAdapterPointToPoint = 8;

inline constexpr int kMaxAdapters = 20;
inline constexpr std::uint32_t kAddressNone = 0xFFFFFFFFu;

// Results of the transfer calls besides a byte count.
inline constexpr int kFailed = -1;
inline constexpr int kWouldBlock = -2;

enum class WaitResult { Signalled, Timeout, Failed };

enum class SocketKind { Stream, Datagram };

// One IPv4 adapter. Address and netmask are in network byte order, as they
// lie in memory on the wire (first octet in the first byte).
struct Adapter {
  std::uint32_t flags;
  std::uint32_t address;
  std::uint32_t netmask;
  char name[16];  // the system's name of the adapter where it has one, else empty
};

struct Operations {
  // Starts the socket layer asking for `requested` (0x0202); returns 0 and the
  // granted version word, or non-zero when the start failed.
  int (*startup)(std::uint16_t requested, std::uint16_t* granted);
  // Stops the socket layer once; starts and stops are counted by the system.
  void (*cleanup)();

  // The socket on which the adapter list is queried; kNoSocket on failure.
  Socket (*open_query_socket)();
  // Lists the IPv4 adapters into `out` (room for kMaxAdapters) in a stable
  // order. Returns 0 and the count, or non-zero on failure, also when the list
  // would not fit.
  int (*list_adapters)(Socket query, Adapter* out, int* count);

  // Dotted text to an address in network order; kAddressNone when the text is
  // no dotted address (the shortened forms of inet_addr are accepted).
  std::uint32_t (*parse_dotted)(const char* text);
  // Resolves a host name; true and the first IPv4 address in network order.
  bool (*resolve)(const char* name, std::uint32_t* address);
  // Writes the dotted text of an address (network order) with its terminator
  // into `out`, which has room for 16 bytes.
  void (*format_dotted)(std::uint32_t address, char* out);

  // A new IPv4 socket; datagram sockets may send to a broadcast address.
  Socket (*open_socket)(SocketKind kind);
  // Shuts a stream socket down in both directions; the result is ignored.
  void (*shutdown)(Socket socket);
  void (*close_socket)(Socket socket);

  // A new, unsignalled event object; kNoEvent on failure.
  Event (*create_event)();
  // Binds the event to the socket for `mask` and makes the socket
  // non-blocking; 0 or non-zero on failure. Events already pending on the
  // socket (a datagram that arrived before) are reported too.
  int (*event_select)(Socket socket, Event event, long mask);
  // Waits until the event is signalled or `timeout_ms` has passed.
  WaitResult (*wait_event)(Event event, int timeout_ms);
  // Reads and resets the events recorded on the socket; 0 and the flag word,
  // or non-zero on failure. Bytes pending count as readable; an orderly close
  // with nothing pending is reported as a close without read.
  int (*enum_events)(Socket socket, Event event, long* flags);
  void (*close_event)(Event event);

  // Starts a connect: 0 when done at once, kWouldBlock while under way,
  // kFailed for any other error.
  int (*connect)(Socket socket, std::uint32_t address, std::uint16_t port);
  // One send: the count taken, kWouldBlock, or kFailed. Never raises a signal
  // when the peer has gone.
  int (*send)(Socket socket, const void* data, int length);
  // Waits until a stream socket can take more bytes: 0, or non-zero on a
  // time-out or failure.
  int (*wait_writable)(Socket socket, int timeout_ms);
  // One receive of at most `capacity` bytes: the count (0 for an orderly
  // close) or kFailed.
  int (*recv)(Socket socket, void* buffer, int capacity);

  // Sends one datagram: the count sent, kWouldBlock, or kFailed.
  int (*send_to)(Socket socket, const void* data, int length, std::uint32_t address,
                 std::uint16_t port);
  // Binds to the port on any local address; 0 or non-zero.
  int (*bind_any)(Socket socket, std::uint16_t port);
  // Reads one datagram of at most `capacity` bytes with its source address:
  // the count, or kFailed, also when the datagram was longer than capacity.
  int (*recv_from)(Socket socket, void* buffer, int capacity, std::uint32_t* source);

  // Starts the system's "arp" command with the parameter text, hidden and
  // without waiting; its outcome is not reported.
  void (*run_arp)(const char* parameters);
  void (*sleep_ms)(int milliseconds);
};

// The operations in use. The real backend of the build by default.
const Operations& ops();
// Puts another table in place (tests); nullptr restores the real backend.
void use(const Operations* operations);
// The real backend of this build (POSIX or Windows Sockets).
const Operations& native();

}  // namespace vornen::platform
