#include "invocation.h"

namespace vornctl {

namespace {
const std::set<std::string> kValued = {"--interface",  "--timeout",   "--netmask", "--host-bits",
                                       "--terminator", "--max-bytes", "--from"};
const std::set<std::string> kFlags = {"--json", "--help"};
}  // namespace

Invocation parse_invocation(const std::vector<std::string>& args) {
  Invocation in;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (a == "-h") a = "--help";
    if (a.rfind("--", 0) == 0 && a.size() > 2) {
      std::string value;
      bool inline_value = false;
      if (auto eq = a.find('='); eq != std::string::npos) {
        value = a.substr(eq + 1);
        a = a.substr(0, eq);
        inline_value = true;
      }
      if (kFlags.count(a) != 0 && !inline_value) {
        in.flags.insert(a);
      } else if (kValued.count(a) != 0) {
        if (!inline_value) {
          if (i + 1 == args.size()) {
            in.error = a + " needs a value";
            return in;
          }
          value = args[++i];
        }
        in.options[a] = value;
      } else {
        in.error = "unknown option " + a;
        return in;
      }
    } else if (in.command.empty()) {
      in.command = a;
    } else {
      in.words.push_back(a);
    }
  }
  return in;
}

std::optional<std::string> option(const Invocation& in, const std::string& name) {
  auto it = in.options.find(name);
  if (it == in.options.end()) return std::nullopt;
  return it->second;
}

}  // namespace vornctl
