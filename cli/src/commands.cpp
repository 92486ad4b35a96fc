#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "VornEN.h"
#include "adapters.h"
#include "connection.h"
#include "console.h"
#include "exit_codes.h"
#include "help.h"
#include "reply_area.h"
#include "scan.h"
#include "system_words.h"
#include "text_forms.h"
#include "trace.h"
#include "vocabulary.h"
#include "waiting_notice.h"

namespace vornctl {

namespace {

// The seconds waited, shown on a terminal unless the trace is on; the trace
// says more and the two would garble each other.
class Waiting {
 public:
  Waiting(const Options& options, const char* what) {
    if (!options.trace) notice_.emplace(what);
  }

 private:
  std::optional<WaitingNotice> notice_;
};

}  // namespace

int find_command(const CommandLine& line, Output& out) {
  const auto mac = normalise_mac(line.words[0]);
  if (!mac) return out.usage_error("not a MAC address: '" + line.words[0] + "'", line.command);
  out.doc()["mac"] = *mac;
  if (int status = open_library(line.options, out); status != 0) return status;
  char address[100];
  std::int32_t capacity = sizeof address;
  int r;
  {
    Waiting waiting(line.options, "find");
    r = En_Get_IPAddress(mac->c_str(), address, &capacity);
  }
  if (r != 0) return out.library_error("find", r);
  const std::string text(address, static_cast<std::size_t>(capacity));
  out.doc()["address"] = text;
  out.line(text);
  return kExitOk;
}

int send_command(const CommandLine& line, Output& out) {
  const std::string& host = line.words[0];
  const auto data = decode_escapes(line.words[1]);
  if (!data) return out.usage_error("broken escape in the text", line.command);
  out.doc()["host"] = host;
  if (int status = open_library(line.options, out); status != 0) return status;
  int r;
  {
    Waiting waiting(line.options, "send");
    r = En_SendStr(host.c_str(), data->data(), static_cast<std::int32_t>(data->size()));
  }
  if (r != 0) return out.library_error("send", r);
  out.doc()["sent_bytes"] = data->size();
  out.doc()["sent_hex"] = hex_text(*data);
  return kExitOk;
}

// A device's bytes on a terminal: escaped as the trace shows them, since a
// control sequence in a reply would otherwise act on the terminal (set its
// title, clear the screen, ...). A line break escaped as \n also breaks the
// line, so that a reply of several lines stays readable. In pieces, to keep
// the memory of a large reply small.
void print_for_terminal(std::string_view reply, Output& out) {
  constexpr std::size_t kPiece = 64 * 1024;
  std::string text;
  while (!reply.empty()) {
    const std::size_t feed = reply.substr(0, kPiece).find('\n');
    const std::size_t n =
        feed == std::string_view::npos ? std::min(reply.size(), kPiece) : feed + 1;
    text += escaped_bytes(reply.substr(0, n), false);
    if (feed != std::string_view::npos) text += '\n';
    reply.remove_prefix(n);
    if (text.size() >= kPiece) {
      out.bytes(text);
      text.clear();
    }
  }
  out.bytes(text + '\n');
}

int ask_command(const CommandLine& line, Output& out) {
  const Options& o = line.options;
  const std::string& host = line.words[0];
  const auto data = decode_escapes(line.words[1]);
  if (!data) return out.usage_error("broken escape in the text", line.command);
  const auto terminator = decode_escapes(o.terminator.value_or("\\r"));
  if (!terminator || terminator->size() != 1)
    return out.usage_error("--terminator must be one character", line.command);
  long max_bytes = kDefaultMaxBytes;
  if (o.max_bytes) {
    const auto n = parse_number(*o.max_bytes, 1, 1L << 30);
    if (!n) return out.usage_error("--max-bytes must be 1 to 1073741824", line.command);
    max_bytes = *n;
  }
  out.doc()["host"] = host;
  if (int status = open_library(o, out); status != 0) return status;

  // One byte more than kept: a reply that fills it is longer than
  // --max-bytes, which the library alone would not tell.
  ReplyArea area(static_cast<std::size_t>(max_bytes) + 1);
  if (area.data() == nullptr) return out.error(kExitFailure, "no room for the reply");
  auto size = static_cast<std::int32_t>(max_bytes + 1);
  const auto stop = static_cast<unsigned char>((*terminator)[0]);
  int r;
  {
    Waiting waiting(o, "ask");
    r = En_SendRecvStr(host.c_str(), data->data(), static_cast<std::int32_t>(data->size()),
                       area.data(), &size, stop);
  }
  if (r != 0) return out.library_error("ask", r);

  // The reply stays where the library put it; only the form asked for is
  // made of it, so a text reply of N bytes costs N bytes, not several
  // copies (the JSON form alone holds it as text and as hex).
  const bool truncated = size > max_bytes;
  const std::string_view reply(area.data(), static_cast<std::size_t>(truncated ? max_bytes : size));
  const bool terminated =
      !truncated && !reply.empty() && static_cast<unsigned char>(reply.back()) == stop;
  const std::string_view shown = o.raw || !terminated ? reply : reply.substr(0, reply.size() - 1);
  if (out.json()) {
    out.doc()["reply"] = std::string(shown);
    out.doc()["reply_hex"] = hex_text(std::string(reply));
    out.doc()["length"] = reply.size();
    out.doc()["terminated"] = terminated;
    out.doc()["truncated"] = truncated;
    out.doc()["max_bytes"] = max_bytes;
  } else if (o.raw || !is_terminal(kStandardOutput)) {
    out.bytes(shown);
    if (!o.raw) out.bytes("\n");
  } else {
    print_for_terminal(shown, out);
  }
  if (truncated)
    out.note("the reply was cut at " + std::to_string(max_bytes) +
             " bytes (--max-bytes); the rest was dropped");
  else if (!terminated)
    out.note("the device closed the connection before the terminator");
  return kExitOk;
}

int scan_command(const CommandLine& line, Output& out) {
  if (int status = open_library(line.options, out); status != 0) return status;
  std::vector<vornen::FoundDevice> found;
  int r;
  {
    Waiting waiting(line.options, "scan");
    r = vornen::scan_devices(&found);
  }
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto& d : found) rows.emplace_back(mac_text(d.mac), d.address);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  auto& devices = out.doc()["devices"] = nlohmann::ordered_json::array();
  out.line("MAC                ADDRESS");
  for (const auto& [mac, address] : rows) {
    devices.push_back({{"mac", mac}, {"address", address}});
    out.line(mac + "  " + address);
  }
  if (r != 0) return out.library_error("scan", r);
  return kExitOk;
}

int version_command(const CommandLine&, Output& out) {
  char text[100];
  std::int32_t length = sizeof text;
  const int r = En_Get_Dll_Version(text, &length);
  if (r != 0) return out.library_error("version", r);
  const std::string version(text, static_cast<std::size_t>(length));
  out.doc()["version"] = version;
  out.line(version);
  return kExitOk;
}

int help_command(const CommandLine& line, Output& out) {
  if (line.words.empty()) {
    write_standard_output(program_help());
    return kExitOk;
  }
  const std::string help = command_help(line.words[0]);
  if (help.empty()) return out.usage_error("unknown command '" + line.words[0] + "'", "");
  write_standard_output(help);
  return kExitOk;
}

namespace {

int dispatch(const CommandLine& line, Output& out) {
  const Options& o = line.options;
  if (o.help && line.error.rfind("unknown command", 0) != 0) {
    write_standard_output(line.command.empty() ? program_help() : command_help(line.command));
    return kExitOk;
  }
  if (o.version) {
    const std::string text = version_text();
    if (out.json()) {
      char library[100];
      std::int32_t length = sizeof library;
      if (En_Get_Dll_Version(library, &length) != 0) length = 0;
      out.doc()["program"] = "vornctl";
      out.doc()["version"] = program_version();
      out.doc()["library"] = std::string(library, static_cast<std::size_t>(length));
    }
    out.bytes(text);
    return kExitOk;
  }
  if (!line.error.empty()) return out.usage_error(line.error, line.command);
  if (line.command.empty()) return out.usage_error("no command given", "");
  if (o.interface && o.interface->empty())
    return out.usage_error("--interface needs the name of an adapter", line.command);
  if (o.timeout) {
    const auto ms = parse_number(*o.timeout, 1, 600000);
    if (!ms) return out.usage_error("--timeout must be 1 to 600000 ms", line.command);
    vornen::set_wait_timeout_ms(static_cast<int>(*ms));
  }
  std::optional<Trace> trace;
  if (o.trace) trace.emplace(kStandardError);
  // The parser has found the command in the table.
  return find_command(line.command)->handler(line, out);
}

}  // namespace

int open_library(const Options& options, Output& out) {
  // The library's own way to pick one adapter of several, as for any caller.
  if (options.interface) set_environment("VORNEN_INTERFACE", *options.interface);
  const int r = En_Open();
  // The library says only that no adapter is usable.
  if (r != 0 && options.interface && !adapter_exists(*options.interface))
    return out.library_error(
        "open", r,
        "the PC has no adapter named '" + *options.interface + "' (" VORNCTL_LIST_ADAPTERS ")");
  if (r != 0) return out.library_error("open", r);
  // The library lists a down adapter as usable; what it sends then fails
  // as if the device had refused. Nothing is sent through it.
  const auto adapter = adapter_in_use(options.interface.value_or(""));
  if (adapter && !adapter->up)
    return out.error(kExitAdapter, "the network adapter " + adapter->name +
                                       " is down ('ip link set " + adapter->name +
                                       " up' switches it on)");
  if (adapter && !adapter->running)
    return out.error(kExitAdapter,
                     "the network adapter " + adapter->name + " has no link to a network");
  return 0;
}

int run(const std::vector<std::string>& args) {
  prepare_standard_streams();
  const CommandLine line = parse_command_line(args);
  Output out(line.options.json, line.command);
  return close_standard_output(out.finish(dispatch(line, out)));
}

}  // namespace vornctl
