#include "help.h"

#include <cstdint>
#include <cstdio>

#include "VornEN.h"
#include "exit_codes.h"
#include "vocabulary.h"

#ifndef VORNCTL_VERSION
#define VORNCTL_VERSION "0"
#endif

namespace vornctl {

namespace {

// Continuation lines of a help text, indented to `indent`.
std::string indented(const char* text, std::size_t indent) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    out += *p;
    if (*p == '\n') out.append(indent, ' ');
  }
  return out;
}

std::string option_lines(const std::vector<int>& ids) {
  constexpr std::size_t kColumn = 26;
  std::string out;
  for (int id : ids) {
    const OptionSpec* o = find_option(id);
    std::string left = "  ";
    left += o->short_name != 0 ? std::string("-") + o->short_name + ", " : "    ";
    left += std::string("--") + o->long_name;
    if (o->argument != nullptr) left += std::string(" ") + o->argument;
    if (left.size() + 2 > kColumn) {
      out += left + "\n" + std::string(kColumn, ' ');
    } else {
      out += left + std::string(kColumn - left.size(), ' ');
    }
    out += indented(o->help, kColumn) + "\n";
  }
  return out;
}

std::string usage_lines(const CommandSpec& c, const char* first, const char* others) {
  std::string out = first;
  for (const char* p = c.usage; *p != '\0'; ++p) {
    if (p == c.usage) out += "vornctl ";
    out += *p;
    if (*p == '\n') out += std::string(others) + "vornctl ";
  }
  return out + "\n";
}

std::string exit_lines() {
  std::string out = "Exit status:\n";
  for (const ExitInfo& e : exit_table()) {
    char line[160];
    std::snprintf(line, sizeof line, "  %d  %s\n", e.status, e.description);
    out += line;
  }
  return out;
}

}  // namespace

std::string program_help() {
  std::string out =
      "usage: vornctl [OPTIONS] COMMAND [ARGUMENTS]\n"
      "Gives devices their address by MAC, finds them, and talks to their command port.\n"
      "\nCommands:\n";
  for (const CommandSpec& c : command_table()) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-9s%s\n", c.name, c.summary);
    out += line;
  }
  out += "\nOptions (before the command, or after it where the command takes them):\n";
  out += option_lines(global_options());
  out += "\n'vornctl COMMAND --help' shows a command's own options.\n\n";
  out += exit_lines();
  return out;
}

std::string command_help(const std::string& command) {
  const CommandSpec* c = find_command(command);
  if (c == nullptr) return "";
  std::string out = usage_lines(*c, "usage: ", "       ");
  out += "\n" + std::string(c->help) + "\n\nOptions:\n" + option_lines(c->options) + "\n";
  out += exit_lines();
  return out;
}

std::string usage_hint(const std::string& command) {
  const CommandSpec* c = find_command(command);
  if (c == nullptr)
    return "usage: vornctl [OPTIONS] COMMAND [ARGUMENTS]\n"
           "Try 'vornctl --help' for more information.\n";
  return usage_lines(*c, "usage: ", "       ") + "Try 'vornctl " + command +
         " --help' for more information.\n";
}

const char* program_version() { return VORNCTL_VERSION; }

std::string version_text() {
  char library[100];
  std::int32_t length = sizeof library;
  std::string out = "vornctl " VORNCTL_VERSION "\n";
  if (En_Get_Dll_Version(library, &length) == 0)
    out += "library " + std::string(library, static_cast<std::size_t>(length)) + "\n";
  return out;
}

}  // namespace vornctl
