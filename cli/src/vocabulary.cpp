#include "vocabulary.h"

#include <initializer_list>

#include "commands.h"
#include "system_words.h"

namespace vornctl {

const std::vector<OptionSpec>& option_table() {
  static const std::vector<OptionSpec> table = {
      {kOptHelp, 'h', "help", nullptr, "show the help and exit"},
      {kOptVersion, 'V', "version", nullptr, "show the program's and the library's version"},
      {kOptJson, 'j', "json", nullptr,
       "print one JSON document on standard output:\nthe result or the error"},
      {kOptTrace, 'v', "trace", nullptr,
       "show every step on the wire and every pause,\ntime-stamped, on standard error"},
      {kOptInterface, 'i', "interface", "NAME", VORNCTL_INTERFACE_HELP},
      {kOptTimeout, 't', "timeout", "MS", "wait at most MS ms for each answer (default 5000)"},
      {kOptNetmask, 'm', "netmask", "MASK", "the device's netmask, e.g. 255.255.0.0"},
      {kOptHostBits, 0, "host-bits", "N",
       "the netmask as the library takes it: the number\n"
       "of HOST bits, 0 to 32 (8 = 255.255.255.0,\n"
       "16 = 255.255.0.0, 24 = 255.0.0.0); not a prefix\n"
       "length"},
      {kOptForce, 0, "force", nullptr,
       "set even when the address is the PC's own, its\n"
       "gateway's, in the neighbour table with another\n"
       "MAC, or the network's or broadcast address of\n"
       "its prefix"},
      {kOptFrom, 'f', "from", "FILE", "provision every row of the CSV file FILE"},
      {kOptJobs, 'P', "jobs", "N",
       "with --from: up to N assignments at once, each\n"
       "in a process of its own (1 to 64, default 1)"},
      {kOptTerminator, 'e', "terminator", "CHAR",
       "the character that ends the reply (default \\r;\nescapes as in TEXT)"},
      {kOptMaxBytes, 'c', "max-bytes", "N",
       "keep at most N bytes of the reply (default\n"
       "16777216); a longer reply is cut, and that is\n"
       "said on standard error and in the JSON"},
      {kOptRaw, 'r', "raw", nullptr,
       "print the reply byte for byte, terminator\nincluded, nothing added"},
  };
  return table;
}

namespace {

// Every command but help takes --help and --json.
std::vector<int> plain(std::initializer_list<int> more = {}) {
  std::vector<int> ids = {kOptHelp, kOptJson};
  ids.insert(ids.end(), more);
  return ids;
}

// Commands that open the library also take the adapter, the wait and the trace.
std::vector<int> networked(std::initializer_list<int> more = {}) {
  std::vector<int> ids = plain({kOptTrace, kOptInterface, kOptTimeout});
  ids.insert(ids.end(), more);
  return ids;
}

}  // namespace

const std::vector<CommandSpec>& command_table() {
  static const std::vector<CommandSpec> table = {
      {"find", find_command, "find [OPTIONS] MAC", "find a device's address by its MAC",
       "Broadcasts one discovery query and prints the address of the device with\n"
       "that MAC. The MAC may be written in upper or lower case, its pairs\n"
       "separated by - or : (00-20-4A-8D-72-33, 00:20:4a:8d:72:33).",
       networked(), 1, 1},
      {"set", set_command,
       "set [OPTIONS] MAC ADDRESS[/PREFIX]\n"
       "set [OPTIONS] --from FILE [--jobs N]",
       "give a device its address by its MAC",
       "Gives the device with that MAC the address: writes a permanent entry\n"
       "ADDRESS -> MAC into the PC's neighbour table, touches the address, and\n"
       "sends the setup records. The netmask comes from /PREFIX, --netmask or\n"
       "--host-bits (default /24, 255.255.255.0). It needs the right to change\n"
       "the neighbour table (" VORNCTL_RIGHT_HOLDER "). It refuses an address that\n"
       "is the PC's own, its gateway's, in the neighbour table with another MAC,\n"
       "or the network's or broadcast address of its prefix, unless --force.\n"
       "Addresses are written as four decimal numbers without leading zeros.\n"
       "The permanent entry stays after the assignment; 'vornctl forget\n"
       "ADDRESS' removes it.\n"
       "\n"
       "With --from, provisions every row MAC,ADDRESS[/PREFIX][,NETMASK] of the\n"
       "CSV file: a first row naming the columns (mac,address,netmask) is read\n"
       "as a header, fields may be quoted, blank lines and lines starting with #\n"
       "are skipped. Rows are reported in file order, each with its outcome,\n"
       "then one summary; the others go on when a row fails.",
       networked({kOptNetmask, kOptHostBits, kOptForce, kOptFrom, kOptJobs}), 0, 2},
      {"forget", forget_command, "forget [OPTIONS] ADDRESS",
       "remove the neighbour entry a set left",
       "Removes the permanent neighbour entry for ADDRESS that set wrote, so\n"
       "that the PC learns the address's MAC again by ARP. It needs the right\n"
       "to change the neighbour table; entries the kernel learnt itself are\n"
       "left alone.",
       plain(), 1, 1},
      {"send", send_command, "send [OPTIONS] HOST TEXT", "send text to a device's command port",
       "Sends TEXT to the device's command port (TCP 14001) and expects nothing\n"
       "back. Escapes \\r \\n \\t \\\\ \\0 and \\xHH are understood.",
       networked(), 2, 2},
      {"ask", ask_command, "ask [OPTIONS] HOST TEXT", "send text to a device and print its reply",
       "Sends TEXT (escapes as for send; may be empty) to the device's command\n"
       "port and prints the reply up to the terminator, without it, and a\n"
       "newline; --raw prints the reply exactly as it came. On a terminal,\n"
       "control bytes are shown escaped (\\r, \\n, \\xHH) unless --raw is given.",
       networked({kOptTerminator, kOptMaxBytes, kOptRaw}), 2, 2},
      {"scan", scan_command, "scan [OPTIONS]", "list every device that answers",
       "Broadcasts one discovery query and lists, by MAC, every device that\n"
       "answers within the wait.",
       networked(), 0, 0},
      {"version", version_command, "version [OPTIONS]", "print the library's version text",
       "Prints the version text of the library built into vornctl.", plain(), 0, 0},
      {"help",
       help_command,
       "help [COMMAND]",
       "show the help of the program or of a command",
       "Shows the help of the program, or of COMMAND.",
       {kOptHelp},
       0,
       1},
  };
  return table;
}

const std::vector<int>& global_options() {
  static const std::vector<int> ids = {kOptHelp,  kOptVersion,   kOptJson,
                                       kOptTrace, kOptInterface, kOptTimeout};
  return ids;
}

const OptionSpec* find_option(int id) {
  for (const OptionSpec& o : option_table())
    if (o.id == id) return &o;
  return nullptr;
}

const CommandSpec* find_command(const std::string& name) {
  for (const CommandSpec& c : command_table())
    if (name == c.name) return &c;
  return nullptr;
}

bool takes_option(const CommandSpec& command, int id) {
  for (int o : command.options)
    if (o == id) return true;
  return false;
}

std::string option_name(int id) {
  const OptionSpec* o = find_option(id);
  if (o == nullptr) return "?";
  return std::string("--") + o->long_name;
}

}  // namespace vornctl
