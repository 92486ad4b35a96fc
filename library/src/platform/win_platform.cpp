// Windows Sockets backend. The operations table follows Winsock closely, so
// most entries are one call. Two things are added: the translation of
// SOCKET_ERROR and WSAEWOULDBLOCK into the table's own results, and the
// table's rule that pending bytes count as readable and a peer's close stays
// reported. Winsock records FD_READ and FD_CLOSE once: a read event taken up
// by the connect's enumeration (a device that greets at once) would never be
// seen by the receive that follows.
#include <cstring>
#include <cwchar>
#include <new>

#include "arp_parameters.h"
#include "platform.h"
#include "win_adapter_choice.h"
#include "win_system.h"

namespace vornen::platform {
namespace {

// The adapter list is read into room for exactly kMaxAdapters entries of 76
// bytes; a longer list does not fit and the query fails.
constexpr int kInterfaceInfoSize = 76;
constexpr int kInterfaceListSize = kMaxAdapters * kInterfaceInfoSize;
static_assert(sizeof(INTERFACE_INFO) == kInterfaceInfoSize);

// The table's event: Winsock's event object with the socket and mask it is
// bound to, so that the wait and the enumeration can ask about the socket.
struct WinEvent {
  WSAEVENT handle = WSA_INVALID_EVENT;
  SOCKET socket = INVALID_SOCKET;
  long mask = 0;
  bool stream = false;
  bool closed = false;  // the peer's close was recorded on this binding
  bool connect_seen = false;
  long stashed = 0;  // events the wait read to look at a connect's outcome
};

SOCKET as_socket(Socket s) { return static_cast<SOCKET>(s); }
Socket from_socket(SOCKET s) { return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s); }
WinEvent* as_event(Event e) { return reinterpret_cast<WinEvent*>(e); }

int startup(std::uint16_t requested, std::uint16_t* granted) {
  WSADATA data{};
  if (::WSAStartup(requested, &data) != 0) return -1;
  *granted = data.wVersion;
  return 0;
}

void cleanup() { ::WSACleanup(); }

Socket open_query_socket() {
  return from_socket(::WSASocketA(AF_INET, SOCK_DGRAM, 0, nullptr, 0, 0));
}

// Read at each open, so a program may change VORNEN_INTERFACE between opens;
// unset, the list is the system's whole list.
int list_adapters(Socket query, Adapter* out, int* count) {
  AdapterChoice choice;
  if (read_adapter_choice(&choice) != 0) return -1;
  INTERFACE_INFO list[kMaxAdapters];
  DWORD bytes = 0;
  if (::WSAIoctl(as_socket(query), SIO_GET_INTERFACE_LIST, nullptr, 0, list, kInterfaceListSize,
                 &bytes, nullptr, nullptr) == SOCKET_ERROR) {
    return -1;
  }
  int listed = static_cast<int>(bytes / kInterfaceInfoSize);
  if (listed > kMaxAdapters) listed = kMaxAdapters;
  int n = 0;
  for (int i = 0; i < listed; ++i) {
    const std::uint32_t address = list[i].iiAddress.AddressIn.sin_addr.s_addr;
    if (!chosen(choice, address)) continue;
    out[n].flags = static_cast<std::uint32_t>(list[i].iiFlags);
    out[n].address = address;
    out[n].netmask = list[i].iiNetmask.AddressIn.sin_addr.s_addr;
    ++n;
  }
  *count = n;
  return 0;
}

std::uint32_t parse_dotted(const char* text) { return ::inet_addr(text); }

bool resolve(const char* name, std::uint32_t* address) {
  const hostent* host = ::gethostbyname(name);
  if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != 4 ||
      host->h_addr_list[0] == nullptr) {
    return false;
  }
  std::memcpy(address, host->h_addr_list[0], 4);
  return true;
}

void format_dotted(std::uint32_t address, char* out) {
  in_addr a{};
  a.s_addr = address;
  // inet_ntoa's text lives in a buffer of the system's; copy it at once.
  const char* text = ::inet_ntoa(a);
  if (text == nullptr) text = "";
  std::strncpy(out, text, 15);
  out[15] = '\0';
}

Socket open_socket(SocketKind kind) {
  if (kind == SocketKind::Stream) return from_socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) return kNoSocket;
  // Discovery sends to the directed broadcast address, which Windows refuses
  // without this permission.
  BOOL on = TRUE;
  ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
  return static_cast<Socket>(s);
}

void shutdown_socket(Socket s) { ::shutdown(as_socket(s), SD_BOTH); }
void close_socket(Socket s) { ::closesocket(as_socket(s)); }

Event create_event() {
  auto* ev = new (std::nothrow) WinEvent;
  if (ev == nullptr) return kNoEvent;
  ev->handle = ::WSACreateEvent();
  if (ev->handle == WSA_INVALID_EVENT) {
    delete ev;
    return kNoEvent;
  }
  return reinterpret_cast<Event>(ev);
}

int event_select(Socket s, Event e, long mask) {
  WinEvent* ev = as_event(e);
  if (::WSAEventSelect(as_socket(s), ev->handle, mask) == SOCKET_ERROR) return -1;
  int type = 0;
  int length = sizeof type;
  ::getsockopt(as_socket(s), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length);
  ev->socket = as_socket(s);
  ev->mask = mask;
  ev->stream = type == SOCK_STREAM;
  ev->closed = false;
  ev->connect_seen = false;
  ev->stashed = 0;
  return 0;
}

u_long pending_bytes(SOCKET s) {
  u_long count = 0;
  return ::ioctlsocket(s, FIONREAD, &count) == 0 ? count : 0;
}

// True when the socket has something the caller bound the event for that
// Winsock will not record again.
bool still_signalled(const WinEvent& ev) {
  if (ev.socket == INVALID_SOCKET) return false;
  if ((ev.mask & FD_CLOSE) && ev.closed) return true;
  return (ev.mask & FD_READ) && pending_bytes(ev.socket) > 0;
}

// A connect that ended because nobody answered at the address: Wine on the
// Linux kernel gives up after about 3 s with "host unreachable", where
// Windows goes on trying past the wait. Only a peer's answer, a refusal
// included, completes a connect; silence lasts until the wait is over, so
// both give the same time-out.
bool connect_unanswered(const WSANETWORKEVENTS& recorded) {
  if ((recorded.lNetworkEvents & FD_CONNECT) == 0) return false;
  const int error = recorded.iErrorCode[FD_CONNECT_BIT];
  return error == WSAEHOSTUNREACH || error == WSAENETUNREACH || error == WSAEHOSTDOWN ||
         error == WSAETIMEDOUT;
}

WaitResult wait_event(Event e, int timeout_ms) {
  WinEvent* ev = as_event(e);
  if (ev == nullptr) return WaitResult::Failed;
  if (still_signalled(*ev)) return WaitResult::Signalled;
  const DWORD wait = static_cast<DWORD>(timeout_ms < 0 ? 0 : timeout_ms);
  const ULONGLONG deadline = ::GetTickCount64() + wait;
  const DWORD r = ::WSAWaitForMultipleEvents(1, &ev->handle, FALSE, wait, FALSE);
  if (r == WSA_WAIT_TIMEOUT) return WaitResult::Timeout;
  if (r == WSA_WAIT_FAILED) return WaitResult::Failed;
  if ((ev->mask & FD_CONNECT) != 0 && !ev->connect_seen) {
    // The outcome of the connect is only known by reading the events; what
    // is read is kept for the enumeration that follows.
    WSANETWORKEVENTS recorded{};
    if (::WSAEnumNetworkEvents(ev->socket, ev->handle, &recorded) == SOCKET_ERROR)
      return WaitResult::Signalled;
    if (connect_unanswered(recorded)) {
      const ULONGLONG now = ::GetTickCount64();
      if (now < deadline) ::Sleep(static_cast<DWORD>(deadline - now));
      return WaitResult::Timeout;
    }
    ev->stashed |= recorded.lNetworkEvents;
  }
  return WaitResult::Signalled;
}

int enum_events(Socket s, Event e, long* flags) {
  WinEvent* ev = as_event(e);
  WSANETWORKEVENTS recorded{};
  if (ev == nullptr ||
      ::WSAEnumNetworkEvents(as_socket(s), ev->handle, &recorded) == SOCKET_ERROR) {
    return -1;
  }
  long found = recorded.lNetworkEvents | ev->stashed;
  ev->stashed = 0;
  if (found & FD_CONNECT) ev->connect_seen = true;
  if (found & FD_CLOSE) ev->closed = true;
  if (ev->closed) found |= FD_CLOSE;
  const bool pending = pending_bytes(as_socket(s)) > 0;
  if (pending) {
    found |= FD_READ;
  } else if (ev->stream) {
    // An orderly close or a reset with nothing left to read is a close
    // without read, whatever else was recorded with it.
    found &= ~static_cast<long>(FD_READ);
  }
  *flags = found & ev->mask;
  return 0;
}

void close_event(Event e) {
  WinEvent* ev = as_event(e);
  if (ev == nullptr) return;
  ::WSACloseEvent(ev->handle);
  delete ev;
}

sockaddr_in make_address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = ::htons(port);
  a.sin_addr.s_addr = address;
  return a;
}

// The socket is non-blocking once bound to its event, so "would block" is an
// ordinary answer that the callers tell from failure.
int failure_kind() { return ::WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kFailed; }

int connect_socket(Socket s, std::uint32_t address, std::uint16_t port) {
  sockaddr_in a = make_address(address, port);
  if (::connect(as_socket(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return 0;
  return failure_kind();
}

int send_bytes(Socket s, const void* data, int length) {
  const int n = ::send(as_socket(s), static_cast<const char*>(data), length, 0);
  return n == SOCKET_ERROR ? failure_kind() : n;
}

int wait_writable(Socket s, int timeout_ms) {
  fd_set writable;
  FD_ZERO(&writable);
  FD_SET(as_socket(s), &writable);
  const int ms = timeout_ms < 0 ? 0 : timeout_ms;
  timeval limit{ms / 1000, (ms % 1000) * 1000};
  // The first argument is ignored by Windows.
  const int r = ::select(0, nullptr, &writable, nullptr, &limit);
  return r > 0 && FD_ISSET(as_socket(s), &writable) ? 0 : -1;
}

int recv_bytes(Socket s, void* buffer, int capacity) {
  const int n = ::recv(as_socket(s), static_cast<char*>(buffer), capacity < 0 ? 0 : capacity, 0);
  return n == SOCKET_ERROR ? kFailed : n;
}

int send_to(Socket s, const void* data, int length, std::uint32_t address, std::uint16_t port) {
  sockaddr_in a = make_address(address, port);
  const int n = ::sendto(as_socket(s), static_cast<const char*>(data), length, 0,
                         reinterpret_cast<const sockaddr*>(&a), sizeof a);
  return n == SOCKET_ERROR ? failure_kind() : n;
}

int bind_any(Socket s, std::uint16_t port) {
  sockaddr_in a = make_address(::htonl(INADDR_ANY), port);
  return ::bind(as_socket(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == SOCKET_ERROR ? -1
                                                                                               : 0;
}

int recv_from(Socket s, void* buffer, int capacity, std::uint32_t* source) {
  sockaddr_in from{};
  int length = sizeof from;
  // A datagram longer than the buffer fails with WSAEMSGSIZE, as wanted.
  const int n = ::recvfrom(as_socket(s), static_cast<char*>(buffer), capacity < 0 ? 0 : capacity, 0,
                           reinterpret_cast<sockaddr*>(&from), &length);
  *source = from.sin_addr.s_addr;
  return n == SOCKET_ERROR ? kFailed : n;
}

constexpr wchar_t kArpFile[] = L"\\arp.exe";
constexpr std::size_t kParameterRoom = 128;
constexpr std::size_t kCommandRoom =
    MAX_PATH + sizeof kArpFile / sizeof(wchar_t) + 2 + kParameterRoom;

void run_arp(const char* parameters) {
  // The system's own arp by its full path: started by name alone, the search
  // could be answered first by a program called arp in the current folder or
  // the program's. CREATE_NO_WINDOW rather than a hidden window: where Windows
  // Terminal hosts consoles, a console program started hidden can still show
  // one. Not waited for, and whether it started is of no interest: the
  // assignment goes on either way.
  char hyphen_form[kParameterRoom];
  if (!with_hyphen_mac(parameters, hyphen_form, sizeof hyphen_form)) return;
  wchar_t path[MAX_PATH + sizeof kArpFile / sizeof(wchar_t)];
  const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::wmemcpy(path + length, kArpFile, sizeof kArpFile / sizeof(wchar_t));
  // The command line names the program first, quoted, as its own argument
  // parser expects; CreateProcessW may write into it.
  wchar_t command[kCommandRoom];
  const std::size_t path_length = length + sizeof kArpFile / sizeof(wchar_t) - 1;
  command[0] = L'"';
  std::wmemcpy(command + 1, path, path_length);
  command[path_length + 1] = L'"';
  command[path_length + 2] = L' ';
  const int head = static_cast<int>(path_length + 3);
  if (::MultiByteToWideChar(CP_ACP, 0, hyphen_form, -1, command + head,
                            static_cast<int>(kCommandRoom) - head) == 0)
    return;
  STARTUPINFOW startup_info{};
  startup_info.cb = sizeof startup_info;
  PROCESS_INFORMATION started{};
  // No handles inherited: the caller's sockets stay its own.
  if (::CreateProcessW(path, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup_info, &started)) {
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
  }
}

void sleep_ms(int milliseconds) {
  ::Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
}

constexpr Operations kWindows = {
    .startup = startup,
    .cleanup = cleanup,
    .open_query_socket = open_query_socket,
    .list_adapters = list_adapters,
    .parse_dotted = parse_dotted,
    .resolve = resolve,
    .format_dotted = format_dotted,
    .open_socket = open_socket,
    .shutdown = shutdown_socket,
    .close_socket = close_socket,
    .create_event = create_event,
    .event_select = event_select,
    .wait_event = wait_event,
    .enum_events = enum_events,
    .close_event = close_event,
    .connect = connect_socket,
    .send = send_bytes,
    .wait_writable = wait_writable,
    .recv = recv_bytes,
    .send_to = send_to,
    .bind_any = bind_any,
    .recv_from = recv_from,
    .run_arp = run_arp,
    .sleep_ms = sleep_ms,
};

}  // namespace

const Operations& native() { return kWindows; }

}  // namespace vornen::platform
