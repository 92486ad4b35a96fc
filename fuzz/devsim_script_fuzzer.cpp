// The simulator's command-port scripts, which it reads from its command line
// and from files. A script that parses writes back, step by step, to a text
// that parses to the same steps; its error, if any, names a line of it; its
// texts decode with any last input; the whole-script check refuses exactly
// an empty script and a "repeat" before any receive step; text escapes decode
// as a reference decoder says; and each receive step takes from the bytes
// that have arrived just what it waits for, leaving the rest in order.
//
// Input: a mode byte, then by its bits 0-1:
//   0 a script text
//   1 a text with escapes, then after a zero byte the last input for \L
//   2 and 3 a receive step (a kind byte, a number byte, an idle byte), then
//     the bytes that have arrived
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "command_script.h"
#include "fuzz_input.h"

using devsim::CommandStep;
using devsim::StepKind;
using vornen::fuzz::Reader;
using vornen::fuzz::require;

namespace {

struct Form {
  const char* name;
  StepKind kind;
  bool number;
  bool text;
};

constexpr Form kForms[] = {
    {"recv-line", StepKind::recv_line, false, false}, {"recv", StepKind::recv_bytes, true, false},
    {"recv-idle", StepKind::recv_idle, true, false},  {"send", StepKind::send, false, true},
    {"trickle", StepKind::trickle, true, true},       {"sleep", StepKind::sleep, true, false},
    {"large", StepKind::large, true, false},          {"close", StepKind::close, false, false},
    {"reset", StepKind::reset, false, false},         {"hold", StepKind::hold, false, false},
    {"repeat", StepKind::repeat, false, false},
};

const Form& form_of(StepKind kind) {
  for (const Form& f : kForms) {
    if (f.kind == kind) return f;
  }
  require(false, "every step is of a known kind");
  return kForms[0];
}

// A step written back as a script line; CR LF, so that a text that ends in a
// CR keeps it.
std::string line_of(const CommandStep& step) {
  const Form& f = form_of(step.kind);
  std::string line = f.name;
  if (f.number) line += " " + std::to_string(step.number);
  if (f.text) line += " " + step.text;
  return line + "\r\n";
}

bool same(const std::vector<CommandStep>& a, const std::vector<CommandStep>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].number != b[i].number || a[i].text != b[i].text)
      return false;
  }
  return true;
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> reference(const std::string& t, const std::string& last) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '\\') {
      out += t[i];
      continue;
    }
    if (i + 1 == t.size()) return std::nullopt;
    const char e = t[++i];
    if (e == 'r') {
      out += '\r';
    } else if (e == 'n') {
      out += '\n';
    } else if (e == 't') {
      out += '\t';
    } else if (e == '\\') {
      out += '\\';
    } else if (e == 'L') {
      out += last;
    } else if (e == 'x' && i + 2 < t.size() && hex(t[i + 1]) >= 0 && hex(t[i + 2]) >= 0) {
      out += static_cast<char>(hex(t[i + 1]) * 16 + hex(t[i + 2]));
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

void script(const std::string& text) {
  const devsim::ScriptParse parsed = devsim::parse_script(text);
  const std::string check = devsim::check_script(parsed.steps);
  if (!parsed.error.empty()) {
    require(parsed.steps.empty(), "a script with an error gives no steps");
    const std::size_t lines =
        1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    require(parsed.error.rfind("line ", 0) == 0, "an error names its line");
    require(std::stoul(parsed.error.substr(5)) <= lines, "the line named is in the script");
    return;
  }
  std::string written;
  bool received = false;
  bool repeat_first = false;
  for (const CommandStep& step : parsed.steps) {
    require(step.number >= 0 && step.number <= (std::int64_t{1} << 40), "numbers are in range");
    if (form_of(step.kind).text) {
      require(devsim::expand_text(step.text, "any last input").has_value(),
              "a step's text decodes with any last input");
    }
    received = received || devsim::is_receive(step.kind);
    repeat_first = repeat_first || (step.kind == StepKind::repeat && !received);
    written += line_of(step);
  }
  const devsim::ScriptParse again = devsim::parse_script(written);
  require(again.error.empty() && same(again.steps, parsed.steps),
          "a script written back parses to the same steps");
  require(check.empty() == (!parsed.steps.empty() && !repeat_first),
          "the script check refuses exactly an empty script and a repeat before any receive");
}

void receive(Reader& in) {
  CommandStep step;
  const std::uint8_t kind = in.byte();
  step.kind = kind % 3 == 0   ? StepKind::recv_line
              : kind % 3 == 1 ? StepKind::recv_bytes
                              : StepKind::recv_idle;
  step.number = 1 + in.byte();
  const bool idle = (in.byte() & 1) != 0;
  const std::string arrived = in.rest();
  std::string inbox = arrived;
  const auto taken = devsim::take_input(step, inbox, idle);
  switch (step.kind) {
    case StepKind::recv_line: {
      const std::size_t cr = arrived.find('\r');
      require(taken.has_value() == (cr != std::string::npos), "a line is taken once its CR came");
      if (taken) require(*taken + '\r' + inbox == arrived, "the line and its CR are taken");
      break;
    }
    case StepKind::recv_bytes: {
      const auto n = static_cast<std::size_t>(step.number);
      require(taken.has_value() == (arrived.size() >= n), "bytes are taken once all came");
      if (taken) require(taken->size() == n && *taken + inbox == arrived, "just those bytes");
      break;
    }
    default:
      require(taken.has_value() == (idle && !arrived.empty()), "idle takes what came, once quiet");
      if (taken) require(*taken == arrived && inbox.empty(), "all that came is taken");
      break;
  }
  if (!taken) require(inbox == arrived, "a step that still waits takes nothing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  switch (in.byte() & 3) {
    case 0:
      script(in.rest());
      break;
    case 1: {
      const std::string text = in.text();
      const std::string last = in.rest();
      const auto got = devsim::expand_text(text, last);
      const auto want = reference(text, last);
      require(got.has_value() == want.has_value(), "a text is refused exactly for a bad escape");
      if (got) require(*got == *want, "the text decodes as the rules say");
      break;
    }
    default:
      receive(in);
      break;
  }
  return 0;
}
