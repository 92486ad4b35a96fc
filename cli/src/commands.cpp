#include "commands.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "VornEN.h"
#include "batch_file.h"
#include "connection.h"
#include "privilege.h"
#include "result_names.h"
#include "scan.h"
#include "startup.h"
#include "text_forms.h"
#include "waiting_notice.h"

namespace vornctl {

namespace {

constexpr int kDefaultMaxBytes = 65536;

struct Help {
  const char* usage;
  const char* text;
};

const std::map<std::string, Help> kHelp = {
    {"version", {"vornctl version", "Prints the library's version text."}},
    {"find",
     {"vornctl find MAC",
      "Finds the address of the device with that MAC (00-20-4A-8D-72-33 or\n"
      "00:20:4A:8D:72:33, upper-case hex) by a discovery query."}},
    {"set",
     {"vornctl set MAC ADDRESS [--netmask 255.255.255.0|255.255.0.0|255.0.0.0 | --host-bits N]\n"
      "       vornctl set --from FILE",
      "Gives the device with that MAC the address (default netmask 255.255.255.0).\n"
      "It needs the right to change the neighbour table (root or CAP_NET_ADMIN).\n"
      "With --from, provisions every row MAC,ADDRESS[,NETMASK] of FILE; blank lines\n"
      "and lines starting with # are skipped. A failed or malformed row is reported\n"
      "with its line number and the others go on; the exit status is 1 if any failed."}},
    {"send",
     {"vornctl send HOST TEXT",
      "Sends TEXT to the device's command port (TCP 14001). Escapes \\r \\n \\t \\\\ \\0\n"
      "and \\xHH are understood."}},
    {"ask",
     {"vornctl ask HOST TEXT [--terminator CHAR] [--max-bytes N]",
      "Sends TEXT (escapes as for send; may be empty) and prints the reply up to the\n"
      "terminator (default \\r) or N bytes (default 65536)."}},
    {"scan",
     {"vornctl scan [--json]",
      "Lists every device that answers one discovery query within the wait, by MAC."}},
};

const char* kCommon =
    "Options of every command:\n"
    "  --interface NAME  use that adapter even when the machine has several\n"
    "  --timeout MS      the wait for each answer (default 5000)\n"
    "  --help            this help\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "vornctl: %s (see vornctl --help)\n", message.c_str());
  return kExitUsage;
}

void report(const char* what, int code) {
  const char* name = vornen::result_name(code);
  std::fprintf(stderr, "vornctl: %s failed: %d %s: %s\n", what, code, name ? name : "?",
               vornen::result_description(code));
}

int open_library(const Invocation& in) {
  // The library's own way to pick one adapter of several, as for any caller.
  if (auto interface_name = option(in, "--interface"))
    ::setenv("VORNEN_INTERFACE", interface_name->c_str(), 1);
  int r = En_Open();
  if (r != 0) report("open", r);
  return r;
}

int cmd_version(const Invocation&) {
  char text[100];
  std::int32_t length = sizeof text;
  int r = En_Get_Dll_Version(text, &length);
  if (r != 0) {
    report("version", r);
    return kExitFailure;
  }
  std::printf("%.*s\n", static_cast<int>(length), text);
  return 0;
}

int cmd_find(const Invocation& in) {
  if (in.words.size() != 1) return usage_error("find takes one MAC");
  if (open_library(in) != 0) return kExitFailure;
  char address[100];
  std::int32_t capacity = sizeof address;
  int r;
  {
    WaitingNotice notice("find");
    r = En_Get_IPAddress(in.words[0].c_str(), address, &capacity);
  }
  if (r != 0) {
    report("find", r);
    return kExitFailure;
  }
  std::printf("%.*s\n", static_cast<int>(capacity), address);
  return 0;
}

void warn_without_right() {
  if (!may_change_neighbours())
    std::fprintf(stderr,
                 "vornctl: warning: no right to change the neighbour table (run as root or with "
                 "CAP_NET_ADMIN); the device cannot learn its address and the assignment will time "
                 "out\n");
}

int assign(const std::string& mac, const std::string& address, int host_bits) {
  WaitingNotice notice("set");
  return En_Set_IPAddress(mac.c_str(), address.c_str(), host_bits);
}

int cmd_set_from(const Invocation& in, const std::string& path) {
  std::ifstream file(path);
  if (!file) {
    std::fprintf(stderr, "vornctl: cannot read %s\n", path.c_str());
    return kExitFailure;
  }
  std::stringstream content;
  content << file.rdbuf();
  const std::vector<BatchRow> rows = parse_batch(content.str());
  if (open_library(in) != 0) return kExitFailure;
  warn_without_right();
  int failed = 0;
  for (const BatchRow& row : rows) {
    if (!row.error.empty()) {
      std::printf("line %d: malformed: %s\n", row.line, row.error.c_str());
      ++failed;
      continue;
    }
    int r = assign(row.mac, row.address, row.host_bits);
    if (r == 0) {
      std::printf("line %d: %s -> %s: ok\n", row.line, row.mac.c_str(), row.address.c_str());
    } else {
      const char* name = vornen::result_name(r);
      std::printf("line %d: %s -> %s: failed %d %s: %s\n", row.line, row.mac.c_str(),
                  row.address.c_str(), r, name ? name : "?", vornen::result_description(r));
      ++failed;
    }
    std::fflush(stdout);
  }
  std::printf("%zu rows: %zu provisioned, %d failed\n", rows.size(),
              rows.size() - static_cast<std::size_t>(failed), failed);
  return failed == 0 ? 0 : kExitFailure;
}

int cmd_set(const Invocation& in) {
  if (auto from = option(in, "--from")) {
    if (!in.words.empty()) return usage_error("set --from takes no MAC or address");
    return cmd_set_from(in, *from);
  }
  if (in.words.size() != 2) return usage_error("set takes a MAC and an address");
  int host_bits = 8;
  auto netmask = option(in, "--netmask");
  auto bits = option(in, "--host-bits");
  if (netmask && bits) return usage_error("give --netmask or --host-bits, not both");
  if (netmask) {
    auto b = host_bits_of_netmask(*netmask);
    if (!b) return usage_error("--netmask must be 255.255.255.0, 255.255.0.0 or 255.0.0.0");
    host_bits = *b;
  } else if (bits) {
    auto b = parse_number(*bits, 0, 32);
    if (!b) return usage_error("--host-bits must be 0 to 32");
    host_bits = static_cast<int>(*b);
  }
  if (open_library(in) != 0) return kExitFailure;
  warn_without_right();
  int r = assign(in.words[0], in.words[1], host_bits);
  if (r != 0) {
    report("set", r);
    return kExitFailure;
  }
  std::printf("%s -> %s: ok\n", in.words[0].c_str(), in.words[1].c_str());
  return 0;
}

int cmd_send(const Invocation& in) {
  if (in.words.size() != 2) return usage_error("send takes a host and a text");
  auto data = decode_escapes(in.words[1]);
  if (!data) return usage_error("broken escape in the text");
  if (open_library(in) != 0) return kExitFailure;
  int r;
  {
    WaitingNotice notice("send");
    r = En_SendStr(in.words[0].c_str(), data->data(), static_cast<std::int32_t>(data->size()));
  }
  if (r != 0) {
    report("send", r);
    return kExitFailure;
  }
  return 0;
}

int cmd_ask(const Invocation& in) {
  if (in.words.size() != 2) return usage_error("ask takes a host and a text");
  auto data = decode_escapes(in.words[1]);
  if (!data) return usage_error("broken escape in the text");
  auto terminator = decode_escapes(option(in, "--terminator").value_or("\\r"));
  if (!terminator || terminator->size() != 1)
    return usage_error("--terminator must be one character");
  long max_bytes = kDefaultMaxBytes;
  if (auto m = option(in, "--max-bytes")) {
    auto n = parse_number(*m, 1, 1L << 30);
    if (!n) return usage_error("--max-bytes must be 1 or more");
    max_bytes = *n;
  }
  if (open_library(in) != 0) return kExitFailure;
  std::vector<char> reply(static_cast<std::size_t>(max_bytes));
  auto size = static_cast<std::int32_t>(max_bytes);
  int r;
  {
    WaitingNotice notice("ask");
    r = En_SendRecvStr(in.words[0].c_str(), data->data(), static_cast<std::int32_t>(data->size()),
                       reply.data(), &size, static_cast<unsigned char>((*terminator)[0]));
  }
  if (r != 0) {
    report("ask", r);
    return kExitFailure;
  }
  std::fwrite(reply.data(), 1, static_cast<std::size_t>(size), stdout);
  std::fputc('\n', stdout);
  return 0;
}

int cmd_scan(const Invocation& in) {
  if (!in.words.empty()) return usage_error("scan takes no words");
  if (open_library(in) != 0) return kExitFailure;
  std::vector<vornen::FoundDevice> found;
  int r;
  {
    WaitingNotice notice("scan");
    r = vornen::scan_devices(&found);
  }
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto& d : found) rows.emplace_back(mac_text(d.mac), d.address);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (in.flags.count("--json") != 0) {
    std::printf("[");
    for (std::size_t i = 0; i < rows.size(); ++i)
      std::printf("%s\n  {\"mac\": \"%s\", \"address\": \"%s\"}", i ? "," : "",
                  rows[i].first.c_str(), rows[i].second.c_str());
    std::printf("%s]\n", rows.empty() ? "" : "\n");
  } else {
    std::printf("%-17s  %s\n", "MAC", "ADDRESS");
    for (const auto& [mac, address] : rows)
      std::printf("%-17s  %s\n", mac.c_str(), address.c_str());
  }
  if (r != 0) {
    report("scan", r);
    return kExitFailure;
  }
  return 0;
}

using Handler = int (*)(const Invocation&);
const std::map<std::string, Handler> kCommands = {
    {"version", cmd_version}, {"find", cmd_find}, {"set", cmd_set},
    {"send", cmd_send},       {"ask", cmd_ask},   {"scan", cmd_scan},
};

}  // namespace

bool print_help(const std::string& command) {
  if (command.empty()) {
    std::printf("vornctl: provisions and talks to devices by their MAC address\n\nCommands:\n");
    for (const auto& [name, help] : kHelp) std::printf("  %s\n", help.usage);
    std::printf("\n%s", kCommon);
    return true;
  }
  auto it = kHelp.find(command);
  if (it == kHelp.end()) return false;
  std::printf("usage: %s\n\n%s\n\n%s", it->second.usage, it->second.text, kCommon);
  return true;
}

int run_command(const Invocation& in) {
  if (!in.error.empty()) return usage_error(in.error);
  if (in.flags.count("--help") != 0 || in.command.empty() || in.command == "help") {
    const std::string topic = in.command == "help" && !in.words.empty() ? in.words[0]
                              : in.command == "help"                    ? ""
                                                                        : in.command;
    return print_help(topic) ? (in.command.empty() && in.flags.empty() ? kExitUsage : 0)
                             : usage_error("unknown command " + topic);
  }
  auto it = kCommands.find(in.command);
  if (it == kCommands.end()) return usage_error("unknown command " + in.command);
  if (auto t = option(in, "--timeout")) {
    auto ms = parse_number(*t, 1, 600000);
    if (!ms) return usage_error("--timeout must be 1 to 600000 ms");
    vornen::set_wait_timeout_ms(static_cast<int>(*ms));
  }
  return it->second(in);
}

}  // namespace vornctl
