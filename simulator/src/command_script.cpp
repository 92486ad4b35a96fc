#include "command_script.h"

#include <charconv>

namespace devsim {
namespace {

struct StepName {
  std::string_view name;
  StepKind kind;
  bool number;  // takes a number
  bool text;    // takes a text (after the number, if any)
};

constexpr StepName kStepNames[] = {
    {"recv-line", StepKind::recv_line, false, false}, {"recv", StepKind::recv_bytes, true, false},
    {"recv-idle", StepKind::recv_idle, true, false},  {"send", StepKind::send, false, true},
    {"trickle", StepKind::trickle, true, true},       {"sleep", StepKind::sleep, true, false},
    {"large", StepKind::large, true, false},          {"close", StepKind::close, false, false},
    {"reset", StepKind::reset, false, false},         {"hold", StepKind::hold, false, false},
    {"repeat", StepKind::repeat, false, false},
};

constexpr std::int64_t kLargestNumber = std::int64_t{1} << 40;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

ScriptParse failure(std::string error) { return {{}, std::move(error)}; }

}  // namespace

ScriptParse parse_step(std::string_view line) {
  const std::size_t space = line.find(' ');
  const std::string_view name = line.substr(0, space);
  std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
  for (const StepName& known : kStepNames) {
    if (known.name != name) continue;
    CommandStep step;
    step.kind = known.kind;
    if (known.number) {
      const std::size_t end = rest.find(' ');
      const std::string_view digits = rest.substr(0, end);
      auto [past, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), step.number);
      if (digits.empty() || error != std::errc() || past != digits.data() + digits.size() ||
          step.number < 0 || step.number > kLargestNumber) {
        return failure("step \"" + std::string(line) + "\": needs a number");
      }
      if (step.number == 0 && known.kind == StepKind::recv_bytes) {
        return failure("step \"" + std::string(line) + "\": needs at least 1 byte");
      }
      rest = end == std::string_view::npos ? "" : rest.substr(end + 1);
    }
    if (known.text) {
      if (!expand_text(rest, "")) {
        return failure("step \"" + std::string(line) + "\": bad escape in text");
      }
      step.text = std::string(rest);
    } else if (!rest.empty()) {
      return failure("step \"" + std::string(line) + "\": unexpected argument");
    }
    return {{step}, {}};
  }
  return failure("unknown step \"" + std::string(name) + "\"");
}

ScriptParse parse_script(std::string_view text) {
  ScriptParse result;
  int line_number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? "" : text.substr(end + 1);
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    ScriptParse step = parse_step(line);
    if (!step.error.empty()) {
      return failure("line " + std::to_string(line_number) + ": " + step.error);
    }
    result.steps.push_back(step.steps.front());
  }
  return result;
}

std::string check_script(const std::vector<CommandStep>& steps) {
  if (steps.empty()) return "the command script has no steps";
  bool receives = false;
  for (const CommandStep& step : steps) {
    if (is_receive(step.kind)) receives = true;
    if (step.kind == StepKind::repeat && !receives) {
      return "\"repeat\" needs a receive step before it";
    }
  }
  return {};
}

std::optional<std::string> expand_text(std::string_view text, std::string_view line) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case 'r':
        bytes += '\r';
        break;
      case 'n':
        bytes += '\n';
        break;
      case 't':
        bytes += '\t';
        break;
      case '\\':
        bytes += '\\';
        break;
      case 'L':
        bytes += line;
        break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hex_digit(text[i + 1]);
        const int low = hex_digit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return bytes;
}

std::optional<std::string> take_input(const CommandStep& step, std::string& inbox, bool idle) {
  std::string taken;
  switch (step.kind) {
    case StepKind::recv_line: {
      const std::size_t cr = inbox.find('\r');
      if (cr == std::string::npos) return std::nullopt;
      taken = inbox.substr(0, cr);
      inbox.erase(0, cr + 1);
      return taken;
    }
    case StepKind::recv_bytes: {
      const auto count = static_cast<std::size_t>(step.number);
      if (inbox.size() < count) return std::nullopt;
      taken = inbox.substr(0, count);
      inbox.erase(0, count);
      return taken;
    }
    case StepKind::recv_idle:
      if (!idle || inbox.empty()) return std::nullopt;
      taken.swap(inbox);
      return taken;
    default:
      return std::nullopt;
  }
}

bool is_receive(StepKind kind) {
  return kind == StepKind::recv_line || kind == StepKind::recv_bytes || kind == StepKind::recv_idle;
}

std::vector<CommandStep> echo_script() {
  return {
      {StepKind::recv_line, 0, {}}, {StepKind::send, 0, "OK:\\L\\r"}, {StepKind::repeat, 0, {}}};
}

std::vector<CommandStep> reply_script(std::string_view text) {
  return {{StepKind::recv_line, 0, {}},
          {StepKind::send, 0, std::string(text)},
          {StepKind::repeat, 0, {}}};
}

std::vector<CommandStep> large_script(std::int64_t bytes) {
  return {{StepKind::recv_line, 0, {}}, {StepKind::large, bytes, {}}, {StepKind::repeat, 0, {}}};
}

std::vector<CommandStep> trickle_script(std::int64_t interval_ms) {
  return {{StepKind::recv_line, 0, {}},
          {StepKind::trickle, interval_ms, "OK:\\L\\r"},
          {StepKind::repeat, 0, {}}};
}

std::vector<CommandStep> close_at_once_script() { return {{StepKind::close, 0, {}}}; }

std::vector<CommandStep> sink_script() { return {{StepKind::hold, 0, {}}}; }

std::vector<CommandStep> reset_mid_reply_script() {
  return {{StepKind::recv_line, 0, {}},
          {StepKind::send, 0, "OK:\\L"},
          {StepKind::sleep, 50, {}},
          {StepKind::reset, 0, {}}};
}

}  // namespace devsim
