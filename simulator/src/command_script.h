// The steps the command port runs on every connection, from the command line or a file.
//
// One step per line: NAME [ARGUMENT]. Texts take the escapes \r \n \t \\ \xHH and \L,
// which stands for the last input a receive step took (the command line without its CR).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

enum class StepKind {
  recv_line,   // wait for a CR; takes the bytes before it and the CR
  recv_bytes,  // wait until `number` bytes have arrived; takes them
  recv_idle,   // wait for a byte, then for `number` ms without one; takes all bytes so far
  send,        // one send of `text`
  trickle,     // `text` one byte at a time, `number` ms apart
  sleep,       // `number` ms, still reading
  large,       // `number` bytes of a letter pattern, then CR, as fast as the peer reads
  close,       // send FIN, then read until the peer closes
  reset,       // close with RST (SO_LINGER 0)
  hold,        // read and count until the peer closes; never answer
  repeat,      // start again at the first step
};

struct CommandStep {
  StepKind kind = StepKind::hold;
  std::int64_t number = 0;
  std::string text;  // still escaped; expanded when sent
};

struct ScriptParse {
  std::vector<CommandStep> steps;
  std::string error;  // empty when every line parsed
};

// Parses one step, e.g. "send OK\r" or "trickle 20 ABC\r".
ScriptParse parse_step(std::string_view line);

// Parses a script file's text: one step per line, blank lines and "#" lines skipped.
ScriptParse parse_script(std::string_view text);

// Checks a whole script: a "repeat" needs a receive step before it, or it would spin.
std::string check_script(const std::vector<CommandStep>& steps);

// Decodes the escapes of a text, putting `line` where \L stands; nullopt on a bad escape.
std::optional<std::string> expand_text(std::string_view text, std::string_view line);

// Takes what a receive step waits for out of `inbox`, or returns nullopt while it still waits.
// `idle` tells a recv_idle step that its quiet time has passed.
std::optional<std::string> take_input(const CommandStep& step, std::string& inbox, bool idle);

bool is_receive(StepKind kind);

// The script of each shortcut option.
std::vector<CommandStep> echo_script();  // the default: "OK:" + the line + CR
std::vector<CommandStep> reply_script(std::string_view text);
std::vector<CommandStep> large_script(std::int64_t bytes);
std::vector<CommandStep> trickle_script(std::int64_t interval_ms);
std::vector<CommandStep> close_at_once_script();
std::vector<CommandStep> sink_script();
std::vector<CommandStep> reset_mid_reply_script();

}  // namespace devsim
