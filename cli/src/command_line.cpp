#include "command_line.h"

#include <getopt.h>

#include "vocabulary.h"

namespace vornctl {

namespace {

// getopt_long's two tables for a set of options.
struct GetoptTables {
  std::string short_options;
  std::vector<option> long_options;
};

GetoptTables tables_for(const std::vector<int>& ids, bool stop_at_first_word) {
  GetoptTables t;
  // ':' first: a missing value is told apart from an unknown option.
  t.short_options = stop_at_first_word ? "+:" : ":";
  for (int id : ids) {
    const OptionSpec* o = find_option(id);
    const int has_arg = o->argument != nullptr ? required_argument : no_argument;
    if (o->short_name != 0) {
      t.short_options += o->short_name;
      if (o->argument != nullptr) t.short_options += ':';
    }
    t.long_options.push_back({o->long_name, has_arg, nullptr, o->id});
  }
  t.long_options.push_back({nullptr, 0, nullptr, 0});
  return t;
}

void store(Options* o, int id, const char* value) {
  switch (id) {
    case kOptHelp:
      o->help = true;
      break;
    case kOptVersion:
      o->version = true;
      break;
    case kOptJson:
      o->json = true;
      break;
    case kOptTrace:
      o->trace = true;
      break;
    case kOptForce:
      o->force = true;
      break;
    case kOptRaw:
      o->raw = true;
      break;
    case kOptInterface:
      o->interface = value;
      break;
    case kOptTimeout:
      o->timeout = value;
      break;
    case kOptNetmask:
      o->netmask = value;
      break;
    case kOptHostBits:
      o->host_bits = value;
      break;
    case kOptFrom:
      o->from = value;
      break;
    case kOptJobs:
      o->jobs = value;
      break;
    case kOptTerminator:
      o->terminator = value;
      break;
    case kOptMaxBytes:
      o->max_bytes = value;
      break;
    default:
      break;
  }
}

// The option getopt_long could not take, as the user wrote it: the long
// word when this call consumed one, else the short letter of a bundle.
std::string offending(char* const* argv, int before, int after, int short_name) {
  if (after - 1 >= before && argv[after - 1][0] == '-' && argv[after - 1][1] == '-') {
    const std::string word = argv[after - 1];
    return word.substr(0, word.find('='));
  }
  return std::string("-") + static_cast<char>(short_name);
}

// Runs getopt_long over argv[0..argc) (argv[0] is a placeholder) and stores
// what it finds; words are collected unless `stop_at_first_word`, in which
// case the index of the first word is returned. The first problem goes to
// `error`, described for `where`.
int scan(std::vector<char*>& argv, const std::vector<int>& ids, bool stop_at_first_word,
         const std::string& where, CommandLine* out, std::vector<int>* seen) {
  const GetoptTables t = tables_for(ids, stop_at_first_word);
  const int argc = static_cast<int>(argv.size()) - 1;
  optind = 0;  // glibc: start over, with a fresh scan state
  opterr = 0;  // the messages are ours
  for (;;) {
    const int before = optind == 0 ? 1 : optind;
    const int c =
        getopt_long(argc, argv.data(), t.short_options.c_str(), t.long_options.data(), nullptr);
    if (c == -1) break;
    if (c == '?' || c == ':') {
      if (out->error.empty()) {
        const std::string name = offending(argv.data(), before, optind, optopt);
        // getopt_long names a known flag in optopt when a value was attached.
        const bool known = optopt != 0 && name.size() > 2;
        out->error = c == ':' ? "option '" + name + "' needs a value"
                     : known  ? "option '" + name + "' takes no value"
                              : "unknown option '" + name + "'" + where;
      }
      continue;
    }
    store(&out->options, c, optarg);
    if (seen != nullptr) seen->push_back(c);
  }
  if (stop_at_first_word) return optind;
  for (int i = optind; i < argc; ++i) out->words.emplace_back(argv[i]);
  return argc;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
  CommandLine out;
  std::vector<std::string> storage = {"vornctl"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  // Options before the command: only those every command shares.
  std::vector<int> before;
  const int first_word = scan(argv, global_options(), true, " before the command", &out, &before);
  if (first_word >= static_cast<int>(storage.size())) return out;
  out.command = argv[first_word];
  const CommandSpec* command = find_command(out.command);
  if (command == nullptr) {
    if (out.error.empty()) out.error = "unknown command '" + out.command + "'";
    return out;
  }

  // The rest with the command's own table; getopt_long moves the words after
  // the options, so both may come in any order.
  std::vector<char*> rest = {argv[0]};
  rest.insert(rest.end(), argv.begin() + first_word + 1, argv.end());
  if (std::string(argv[first_word - 1]) == "--") {
    // "--" before the command ended every option.
    for (std::size_t i = 1; i + 1 < rest.size(); ++i) out.words.emplace_back(rest[i]);
  } else {
    scan(rest, command->options, false, " for " + out.command, &out, nullptr);
  }

  for (int id : before) {
    if (!takes_option(*command, id) && id != kOptVersion && out.error.empty())
      out.error = out.command + " takes no option " + option_name(id);
  }
  const int words = static_cast<int>(out.words.size());
  if (out.error.empty() && words < command->min_words) out.error = "missing operand";
  if (out.error.empty() && words > command->max_words)
    out.error = "extra operand '" + out.words[static_cast<std::size_t>(command->max_words)] + "'";
  return out;
}

}  // namespace vornctl
