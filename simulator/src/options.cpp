#include "options.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <string_view>

namespace devsim {
namespace {

constexpr int kLargestDatagram = 65000;

std::optional<long long> parse_number(std::string_view text, long long min, long long max) {
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min ||
      value > max) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::vector<int>> parse_number_list(std::string_view text, int min, int max) {
  std::vector<int> numbers;
  while (true) {
    const std::size_t comma = text.find(',');
    const auto number = parse_number(text.substr(0, comma), min, max);
    if (!number) return std::nullopt;
    numbers.push_back(static_cast<int>(*number));
    if (comma == std::string_view::npos) return numbers;
    text.remove_prefix(comma + 1);
  }
}

std::optional<std::string> read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Where the command port's script came from; only one source is allowed.
struct ScriptSource {
  std::string option;
  std::vector<CommandStep> steps;
};

std::string set_script(ScriptSource& source, const std::string& option,
                       std::vector<CommandStep> steps) {
  const bool adds_step = option == "--command-step" && source.option == option;
  if (!source.option.empty() && !adds_step) {
    return option + " cannot be combined with " + source.option;
  }
  source.option = option;
  source.steps.insert(source.steps.end(), steps.begin(), steps.end());
  return {};
}

// Applies one option with its value; returns an error text or empty.
std::string apply(Options& options, ScriptSource& script, const std::string& name,
                  const std::string& value) {
  const std::string bad = "bad value for " + name + ": \"" + value + "\"";
  if (name == "--interface") {
    if (value.empty()) return bad;
    options.interface = value;
  } else if (name == "--mac") {
    options.mac = parse_mac(value);
    if (!options.mac) return bad;
  } else if (name == "--address") {
    options.address = parse_ipv4_prefix(value, -1);
    if (!options.address) return bad;
  } else if (name == "--default-prefix") {
    const auto prefix = parse_number(value, 0, 32);
    if (!prefix) return bad;
    options.default_prefix = static_cast<int>(*prefix);
  } else if (name == "--log") {
    options.log_path = value;
  } else if (name == "--setup-log") {
    options.setup_log_path = value;
  } else if (name == "--ready-file") {
    options.ready_file = value;
  } else if (name == "--discovery-before") {
    const auto lengths = parse_number_list(value, 0, kLargestDatagram);
    if (!lengths) return bad;
    options.discovery.before_lengths = *lengths;
  } else if (name == "--discovery-mac") {
    options.discovery.reply_mac = parse_mac(value);
    if (!options.discovery.reply_mac) return bad;
  } else if (name == "--discovery-delay") {
    const auto delay = parse_number(value, 0, 600000);
    if (!delay) return bad;
    options.discovery.delay_ms = static_cast<int>(*delay);
  } else if (name == "--discovery-flood") {
    const auto pair = parse_number_list(value, 0, 1000000);
    if (!pair || pair->size() != 2) return bad;
    options.discovery.flood_count = (*pair)[0];
    options.discovery.flood_interval_ms = (*pair)[1];
  } else if (name == "--setup-reset-after") {
    const auto count = parse_number(value, 0, 1LL << 40);
    if (!count) return bad;
    options.setup.reset_after = *count;
  } else if (name == "--command-reply") {
    if (!expand_text(value, "")) return bad;
    return set_script(script, name, reply_script(value));
  } else if (name == "--command-large") {
    const auto bytes = parse_number(value, 0, 1LL << 40);
    if (!bytes) return bad;
    return set_script(script, name, large_script(*bytes));
  } else if (name == "--command-trickle") {
    const auto interval = parse_number(value, 0, 600000);
    if (!interval) return bad;
    return set_script(script, name, trickle_script(*interval));
  } else if (name == "--command-step") {
    ScriptParse step = parse_step(value);
    if (!step.error.empty()) return step.error;
    return set_script(script, name, step.steps);
  } else if (name == "--command-script") {
    const auto text = read_file(value);
    if (!text) return "cannot read " + value;
    ScriptParse parsed = parse_script(*text);
    if (!parsed.error.empty()) return value + ": " + parsed.error;
    return set_script(script, name, parsed.steps);
  } else {
    return "unknown option " + name;
  }
  return {};
}

// Options that take no value.
std::string apply_flag(Options& options, ScriptSource& script, const std::string& name) {
  if (name == "--help" || name == "-h") {
    options.help = true;
  } else if (name == "--version" || name == "-V") {
    options.version = true;
  } else if (name == "--retake") {
    options.retake = true;
  } else if (name == "--any-namespace") {
    options.any_namespace = true;
  } else if (name == "--discovery-silent") {
    options.discovery.silent = true;
  } else if (name == "--setup-silent") {
    options.setup.silent = true;
  } else if (name == "--setup-no-menu") {
    options.setup.no_menu = true;
  } else if (name == "--command-close-at-once") {
    return set_script(script, name, close_at_once_script());
  } else if (name == "--command-sink" || name == "--command-silent") {
    return set_script(script, name, sink_script());
  } else if (name == "--command-reset-mid-reply") {
    return set_script(script, name, reset_mid_reply_script());
  } else {
    return "unknown option " + name;
  }
  return {};
}

bool takes_value(const std::string& name) {
  static constexpr std::string_view kNames[] = {"--interface",
                                                "--mac",
                                                "--address",
                                                "--default-prefix",
                                                "--log",
                                                "--setup-log",
                                                "--ready-file",
                                                "--discovery-before",
                                                "--discovery-mac",
                                                "--discovery-delay",
                                                "--discovery-flood",
                                                "--setup-reset-after",
                                                "--command-reply",
                                                "--command-large",
                                                "--command-trickle",
                                                "--command-step",
                                                "--command-script"};
  for (const std::string_view known : kNames) {
    if (name == known) return true;
  }
  return false;
}

bool is_flag(const std::string& name) {
  return name == "--help" || name == "-h" || name == "--version" || name == "-V" ||
         name == "--retake" || name == "--any-namespace" || name == "--discovery-silent" ||
         name == "--setup-silent" || name == "--setup-no-menu" ||
         name == "--command-close-at-once" || name == "--command-sink" ||
         name == "--command-silent" || name == "--command-reset-mid-reply";
}

}  // namespace

OptionsParse parse_options(const std::vector<std::string>& args) {
  OptionsParse result;
  ScriptSource script;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string error;
    if (is_flag(name)) {
      error = apply_flag(result.options, script, name);
    } else {
      std::string value;
      const std::size_t equals = name.find('=');
      if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.resize(equals);
      } else if (takes_value(name) && i + 1 < args.size()) {
        value = args[++i];
      } else {
        error = takes_value(name) ? name + " needs a value" : "unknown option " + name;
      }
      if (error.empty()) error = apply(result.options, script, name, value);
    }
    if (!error.empty()) {
      result.error = error;
      return result;
    }
  }
  Options& options = result.options;
  if (options.address && options.address->prefix < 0) {
    options.address->prefix = options.default_prefix;
  }
  if (!script.option.empty()) {
    result.error = check_script(script.steps);
    options.command_steps = std::move(script.steps);
  }
  return result;
}

std::string usage_text() {
  return R"(Usage: vorn-devsim [OPTION...]
Plays a device's Ethernet module on one network interface: discovery on UDP 30718,
address taking from the first IPv4 packet sent to its MAC, the setup dialogue on
TCP 9999 and the command port on TCP 14001. Runs until SIGTERM or SIGINT.

  --version, -V             print the simulator's version and exit
  --interface NAME          interface to serve (default: the only non-loopback one)
  --mac MAC                 set the interface's MAC first (XX-XX-... or XX:XX:...)
  --address A.B.C.D[/N]     start with this address, replacing any other
  --default-prefix N        prefix of a taken address (default 24)
  --retake                  also take a new address when it has one, replacing it
  --log FILE                append one line per event (default: standard output)
  --setup-log FILE          append every byte received on the setup port
  --ready-file FILE         written once every listener is up; removed at exit
  --any-namespace           run in the network namespace of process 1 (refused by
                            default: it would change a real interface)

Discovery:
  --discovery-before LEN[,LEN...]  first send datagrams of these lengths (0..65000)
  --discovery-mac MAC       reply with this MAC instead of the interface's
  --discovery-silent        never reply
  --discovery-delay MS      wait before replying
  --discovery-flood N,MS    first send N replies with random foreign MACs, MS apart

Setup port:
  --setup-silent            accept and read, but never send a byte
  --setup-no-menu           greet, but do not answer the M
  --setup-reset-after N     reset the connection once N bytes have arrived

Command port (at most one of these; default: answer each line with "OK:" LINE CR):
  --command-reply TEXT      answer each CR-ended line with TEXT
  --command-large N         answer each line with N pattern bytes and a CR
  --command-trickle MS      answer each line with "OK:" LINE CR, one byte every MS
  --command-close-at-once   close each connection as soon as it is accepted
  --command-sink            never answer; count and hash what arrives (alias
                            --command-silent)
  --command-reset-mid-reply answer the first line in part, then reset
  --command-step STEP       add a script step (repeatable)
  --command-script FILE     read the script steps from FILE, one per line

Script steps: recv-line | recv N | recv-idle MS | send TEXT | trickle MS TEXT |
sleep MS | large N | close | reset | hold | repeat. TEXT takes \r \n \t \\ \xHH
and \L (the input the last receive step took, without its CR).
)";
}

}  // namespace devsim
