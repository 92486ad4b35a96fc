// What a run prints, in one place. In text form, result lines go to standard
// output as they come; with --json, one document goes to standard output at
// the end of the run, holding the result or the error. Messages and errors go
// to standard error in both forms.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace vornctl {

// The error object of the JSON document: exit status and its name, the
// message, and for a library failure its result code, ERR_ name and
// description.
nlohmann::ordered_json error_json(int status, const std::string& message,
                                  std::optional<int> result_code = std::nullopt);

// "-1008 ERR_NODEVICE_FORMAC: no device answered for that MAC address"
std::string result_text(int result_code);

// Every byte of standard output goes through here, so that the first failed
// write is remembered with its reason.
void write_standard_output(std::string_view data);

// Ends standard output as the standard tools do: flushes and closes it, and
// when a write or the close failed (a full disk, a closed descriptor, a
// vanished reader), says so on standard error and returns kExitOutput
// instead of a successful `status`: output that did not arrive is no
// success. A failure's own status stands; it tells more.
int close_standard_output(int status);

class Output {
 public:
  Output(bool json, const std::string& command);
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  bool json() const { return json_; }
  // The fields of the result.
  nlohmann::ordered_json& doc() { return doc_; }

  // A line of the text form (without its newline); nothing with --json.
  void line(const std::string& text);
  // Bytes of the text form as they are; nothing with --json.
  void bytes(std::string_view data);
  // A remark on standard error: "vornctl: TEXT".
  void note(const std::string& text);

  // A failed library call: said on standard error and put into the
  // document, with `detail` (what the library cannot know) after it;
  // returns the exit status for it.
  int library_error(const std::string& what, int result_code, const std::string& detail = {});
  // Any other failure with its exit status.
  int error(int status, const std::string& message);
  // A usage error: the message and the short usage hint of the command.
  int usage_error(const std::string& message, const std::string& command);

  // Ends the run: writes the JSON document, once, and returns `status`.
  int finish(int status);

 private:
  bool json_;
  bool finished_ = false;
  nlohmann::ordered_json doc_;
};

}  // namespace vornctl
