// The help, the manual page and the completion script say what the tables
// of options, commands and exit statuses hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "exit_codes.h"
#include "help.h"
#include "vocabulary.h"

namespace vornctl {
namespace {

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The lines of a roff section, from ".SH NAME" up to the next ".SH".
std::string section(const std::string& page, const std::string& name) {
  const std::size_t start = page.find(".SH " + name + "\n");
  if (start == std::string::npos) return "";
  const std::size_t end = page.find("\n.SH ", start + 1);
  return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(Help, NamesEveryCommandOptionAndExitStatus) {
  const std::string all = program_help();
  for (const CommandSpec& c : command_table())
    EXPECT_NE(all.find(std::string("  ") + c.name + " "), std::string::npos) << c.name;
  for (const ExitInfo& e : exit_table())
    EXPECT_NE(all.find("  " + std::to_string(e.status) + "  " + e.description), std::string::npos)
        << e.status;
  for (const CommandSpec& c : command_table()) {
    const std::string help = command_help(c.name);
    for (int id : c.options)
      EXPECT_NE(help.find("--" + std::string(find_option(id)->long_name)), std::string::npos)
          << c.name << " " << find_option(id)->long_name;
  }
  EXPECT_NE(command_help("set").find("of HOST bits, 0 to 32"), std::string::npos);
  EXPECT_EQ(usage_hint("find"),
            "usage: vornctl find [OPTIONS] MAC\nTry 'vornctl find --help' for more information.\n");
}

TEST(ManualPage, ListsTheSameExitStatusesCommandsAndOptions) {
  const std::string page = file_text(VORNCTL_MAN_PAGE);
  ASSERT_FALSE(page.empty());
  const std::string exits = section(page, "EXIT STATUS");
  std::regex item(R"(\.TP\n\.B (\d+)\n)");
  std::vector<int> listed;
  for (std::sregex_iterator it(exits.begin(), exits.end(), item), end; it != end; ++it)
    listed.push_back(std::stoi((*it)[1]));
  std::vector<int> table;
  for (const ExitInfo& e : exit_table()) table.push_back(e.status);
  EXPECT_EQ(listed, table);
  for (const CommandSpec& c : command_table())
    EXPECT_NE(page.find(std::string(".B ") + c.name), std::string::npos) << c.name;
  for (const OptionSpec& o : option_table()) {
    std::string roff = "\\-\\-";  // roff writes each hyphen as \-
    for (const char* c = o.long_name; *c != '\0'; ++c)
      roff += *c == '-' ? "\\-" : std::string(1, *c);
    EXPECT_NE(page.find(roff), std::string::npos) << roff;
  }
}

// What the completion offers for a command line ending in `words`.
std::string complete(const std::string& words) {
  const std::string script = VORNCTL_SOURCE_DIR "/completion/vornctl.bash";
  const std::string command = "bash --norc --noprofile -c 'source \"" + script +
                              "\"; COMP_WORDS=(vornctl " + words +
                              "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                              "COMP_LINE=\"${COMP_WORDS[*]}\"; _vornctl; "
                              "printf \"%s\\n\" \"${COMPREPLY[@]}\"' 2>&1";
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char block[1024];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, p)) > 0;) out.append(block, n);
  ::pclose(p);
  return out;
}

TEST(Completion, OffersTheCommandsAndEachCommandsOwnOptions) {
  std::string commands;
  for (const CommandSpec& c : command_table()) commands += std::string(c.name) + "\n";
  std::string offered = complete("\"\"");
  for (const CommandSpec& c : command_table())
    EXPECT_NE(offered.find(std::string(c.name) + "\n"), std::string::npos) << offered;
  for (const CommandSpec& c : command_table()) {
    if (std::string(c.name) == "help") continue;
    const std::string options = complete(std::string(c.name) + " --");
    for (const OptionSpec& o : option_table()) {
      const bool takes = takes_option(c, o.id);
      EXPECT_EQ(options.find(std::string("--") + o.long_name + "\n") != std::string::npos, takes)
          << c.name << " --" << o.long_name << "\n"
          << options;
    }
  }
  EXPECT_EQ(complete("set --fo"), "--force\n");
}

}  // namespace
}  // namespace vornctl
