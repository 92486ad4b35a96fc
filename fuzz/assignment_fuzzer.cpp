// En_Set_IPAddress over any argument texts and host-bit counts, any local
// broadcast address and connection state, any bytes from the device at every
// read and any failure at every step of the port touch and the setup
// dialogue: the result must be what the rules give, the arp start must carry
// the caller's texts, the bytes sent must be exactly those of the dialogue up
// to the failing step (the records built here from their tables, not by the
// library's builder), the calls must be those the rules give, and the call
// must end with the connection released and each handle closed once.
//
// Input, front to back (past its end everything reads as zero):
//   library    1 byte: bits 0-1: 0 opened and ready, 1 opened but closed (as
//              after two usable adapters), 2 not opened, 3 opened with a TCP
//              connection still in use (bit 2: with its socket and event
//              open); bit 3: the resolver knows the wanted address text
//   broadcast  4 bytes, XORed onto 192.168.16.255
//   texts      1 byte: bits 0-1 the MAC text: 0 six bytes with "-", 1 with
//              ":", 2 a text, 3 none; bits 2-3 the wanted address text: 0 four
//              bytes XORed onto 192.168.16.100 as dotted text, 1 a text, 2
//              none
//   host bits  1 byte below 0xF0: that byte modulo 40; else 4 bytes, raw
//   MAC        6 bytes, or a text up to a zero byte, as the texts byte says
//   address    4 bytes, or a text up to a zero byte, as the texts byte says
//   then, in the order the dialogue needs them: the port touch's connect,
//   the setup port's connect (decode_connect), the first read
//   (decode_arrival), the send of "M" (decode_send), the second read, and
//   the sends of "S0", CR, the five records, "RS" and CR.
#include <arpa/inet.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "fake_checks.h"
#include "fuzz_input.h"
#include "tcp_model.h"
#include "text_rules.h"

using vornen::fuzz::Reader;
using vornen::fuzz::require;

namespace {

constexpr int kReadCapacity = 100;

struct Args {
  std::optional<std::string> mac;
  std::optional<std::string> address;
  std::int32_t host_bits = 8;
  bool known = false;  // the resolver knows the address text
};

std::string record_text(int index, const unsigned char octets[4], std::uint8_t host_bits) {
  static constexpr unsigned char kHeaders[5][4] = {{0x20, 0x00, 0x00, 0x10},
                                                   {0x20, 0x00, 0x20, 0x10},
                                                   {0x20, 0x00, 0x40, 0x10},
                                                   {0x18, 0x00, 0x60, 0x10},
                                                   {0x00, 0x00, 0x00, 0x01}};
  std::vector<unsigned char> record(kHeaders[index], kHeaders[index] + 4);
  std::vector<unsigned char> settings(kHeaders[index][0], 0x00);
  if (index == 0) {
    std::memcpy(settings.data(), octets, 4);
    settings[6] = host_bits;
    settings[16] = 0x4C;
    settings[17] = 0x01;
    settings[20] = 0xB1;  // 14001, low byte first
    settings[21] = 0x36;
    settings[28] = 0xC0;
  }
  record.insert(record.end(), settings.begin(), settings.end());
  record.push_back(0xFF);
  std::string text = ":";
  for (unsigned char b : record) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
  }
  return text + "\\";
}

// The setup dialogue on port 9999, scripted from the input as it goes.
int dialogue(Reader& in, vornen::fuzz::TcpModel& tcp, const std::string& target,
             const unsigned char octets[4], std::uint8_t host_bits) {
  std::size_t budget = 0;  // reads take 100 bytes: no long pieces
  std::size_t got = 0;
  int r = tcp.connect(vornen::fuzz::decode_connect(in), target + ":9999");
  if (r != 0) return r;
  if ((r = tcp.receive(vornen::fuzz::decode_arrival(in, &budget), kReadCapacity, &got)) != 0)
    return r;
  if ((r = tcp.send("M", vornen::fuzz::decode_send(in))) != 0) return r;
  if ((r = tcp.receive(vornen::fuzz::decode_arrival(in, &budget), kReadCapacity, &got)) != 0)
    return r;
  tcp.calls().push_back("sleep 1");
  std::vector<std::string> texts = {"S0", "\r"};
  for (int i = 0; i < 5; ++i) texts.push_back(record_text(i, octets, host_bits));
  texts.insert(texts.end(), {"RS", "\r"});
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if ((r = tcp.send(texts[i], vornen::fuzz::decode_send(in))) != 0) return r;
    if (i >= 2 && i < 7) tcp.calls().push_back("sleep 10");  // after each record
  }
  return tcp.release();
}

// What the call must give, worked out from the rules alone; scripts the fake
// on the way.
// `*ran` tells whether the checks passed and the arp start came.
int expected(Reader& in, const Args& a, const std::string& broadcast, vornen::fuzz::TcpModel& tcp,
             vornen::fake::Fake& fake, bool* ran) {
  *ran = false;
  if (broadcast.empty()) return ERR_ILLEGALSTATE_ONCONNECTION;
  if (!a.mac || !vornen::fuzz::reference_mac(*a.mac)) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (a.host_bits < 0 || a.host_bits > 32) return ERR_ILLEGAL_INPUT_PARAMETER;
  if (!a.address || !vornen::fuzz::host_text_scans(*a.address)) return ERR_ILLEGAL_INPUT_PARAMETER;
  const auto value = vornen::fuzz::dotted_value(*a.address);
  if (!value || *value == 0xFFFFFFFFu) {
    // The resolver decides the host text check; the conversion after it
    // turns the text away all the same.
    if (a.known) fake.add_host(*a.address, "192.168.16.100");
    tcp.calls().push_back("resolve " + *a.address);
    return ERR_ILLEGAL_INPUT_PARAMETER;
  }
  const std::uint32_t bits = vornen::fuzz::dotted_value(broadcast).value_or(0xFFFFFFFFu);
  if ((*value & bits) != *value) return ERR_INPUTED_IP_MAY_UNREACHABLE;
  *ran = true;
  tcp.calls().push_back("arp -s " + *a.address + " " + *a.mac + " ");
  const std::string target = vornen::fuzz::dotted_text(*value);
  if (tcp.connect(vornen::fuzz::decode_connect(in), target + ":1") == 0) tcp.release();
  unsigned char octets[4];
  std::memcpy(octets, &*value, 4);
  const int r = dialogue(in, tcp, target, octets, static_cast<std::uint8_t>(a.host_bits));
  if (tcp.connected()) tcp.release();
  return r;
}

std::string mac_from(Reader& in, char separator) {
  const std::string b = in.bytes(6) + std::string(6, '\0');
  char text[18];
  std::snprintf(text, sizeof text, "%02X%c%02X%c%02X%c%02X%c%02X%c%02X",
                static_cast<unsigned char>(b[0]), separator, static_cast<unsigned char>(b[1]),
                separator, static_cast<unsigned char>(b[2]), separator,
                static_cast<unsigned char>(b[3]), separator, static_cast<unsigned char>(b[4]),
                separator, static_cast<unsigned char>(b[5]));
  return text;
}

std::uint32_t xored(Reader& in, const char* base) { return in.uint32() ^ ::inet_addr(base); }

std::unique_ptr<char[]> heap_text(const std::optional<std::string>& text) {
  if (!text) return nullptr;
  // Exactly the text and its terminator: a read past it is caught.
  auto heap = std::make_unique<char[]>(text->size() + 1);
  std::memcpy(heap.get(), text->c_str(), text->size() + 1);
  return heap;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  const std::uint8_t library = in.byte();
  const int kind = library & 3;
  const bool opened = kind != 2;
  const int state = kind == 0   ? vornen::kReady
                    : kind == 3 ? vornen::kTcpConnected
                                : vornen::kClosed;
  const bool handles_open = kind == 3 && (library & 4) != 0;
  Args a;
  a.known = (library & 8) != 0;
  const std::string broadcast = vornen::fuzz::dotted_text(xored(in, "192.168.16.255"));
  const std::uint8_t texts = in.byte();
  const std::uint8_t bits = in.byte();
  a.host_bits = bits < 0xF0 ? bits % 40 : in.int32();
  switch (texts & 3) {
    case 0:
      a.mac = mac_from(in, '-');
      break;
    case 1:
      a.mac = mac_from(in, ':');
      break;
    case 2:
      a.mac = in.text();
      break;
    default:
      break;
  }
  switch ((texts >> 2) & 3) {
    case 0:
      a.address = vornen::fuzz::dotted_text(xored(in, "192.168.16.100"));
      break;
    case 2:
      break;
    default:
      a.address = in.text();
      break;
  }

  vornen::reset_connection_for_tests();
  vornen::Connection& c = vornen::connection();
  vornen::fake::Fake fake;
  if (opened) std::strcpy(c.broadcast, broadcast.c_str());
  c.state = state;
  if (handles_open) {
    c.socket = fake.new_socket();
    c.event = fake.new_event();
    c.socket_open = c.event_open = true;
  }
  vornen::fuzz::TcpModel tcp(fake, state, handles_open);
  bool ran = false;
  const int want = expected(in, a, opened ? broadcast : "", tcp, fake, &ran);

  const auto mac = heap_text(a.mac);
  const auto address = heap_text(a.address);
  const int r = En_Set_IPAddress(mac.get(), address.get(), a.host_bits);

  require(r == want, "En_Set_IPAddress returns what the rules give");
  require(fake.sent() == tcp.sent(), "the dialogue sends exactly its bytes up to the failing step");
  vornen::fuzz::require_clean(fake);
  vornen::fuzz::compare_calls(fake, tcp.calls());
  require(fake.count("shutdown") == tcp.shutdowns(), "a connection made is shut down once");
  const bool released = ran && kind == 3;
  require(c.state == (released ? vornen::kReady : state),
          "the call ends in the state it began in, a connection in use released");
  require(std::strcmp(c.broadcast, opened ? broadcast.c_str() : "") == 0,
          "the local broadcast address is untouched");
  if (!released && handles_open) vornen::close_handles();
  require(!c.socket_open && !c.event_open, "the connection holds no handle afterwards");
  require(fake.open_handles() == 0, "every handle made is closed");
  return 0;
}
