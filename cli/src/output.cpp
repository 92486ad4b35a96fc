#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "exit_codes.h"
#include "help.h"
#include "result_names.h"
#include "text_forms.h"

namespace vornctl {

nlohmann::ordered_json error_json(int status, const std::string& message,
                                  std::optional<int> result_code) {
  nlohmann::ordered_json e = {
      {"exit_status", status}, {"exit_name", exit_info(status).name}, {"message", message}};
  if (result_code) {
    const char* name = vornen::result_name(*result_code);
    e["code"] = *result_code;
    e["name"] = name != nullptr ? name : "";
    e["description"] = vornen::result_description(*result_code);
  }
  return e;
}

std::string result_text(int result_code) {
  const char* name = vornen::result_name(result_code);
  return std::to_string(result_code) + " " + (name != nullptr ? name : "?") + ": " +
         vornen::result_description(result_code);
}

namespace {

int g_write_error = 0;  // errno of the first failed write to standard output

// Standard output as the JSON writer's output, in blocks.
class StandardOutput final : public nlohmann::detail::output_adapter_protocol<char> {
 public:
  void write_character(char c) override {
    buffer_ += c;
    if (buffer_.size() >= kBlock) flush();
  }
  void write_characters(const char* s, std::size_t length) override {
    buffer_.append(s, length);
    if (buffer_.size() >= kBlock) flush();
  }
  void flush() {
    write_standard_output(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kBlock = 64 * 1024;
  std::string buffer_;
};

}  // namespace

void write_standard_output(std::string_view data) {
  if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() || std::fflush(stdout) != 0) {
    if (g_write_error == 0) g_write_error = errno != 0 ? errno : EIO;
  }
}

int close_standard_output(int status) {
  const bool failed_before = std::ferror(stdout) != 0 || g_write_error != 0;
  errno = 0;
  const bool close_failed = std::fclose(stdout) != 0;
  // A standard output that was closed and never written to is no failure.
  if (!failed_before && !close_failed) return status;
  if (close_failed && !failed_before && errno == EBADF) return status;
  const int reason = g_write_error != 0 ? g_write_error : errno;
  std::fprintf(stderr, "vornctl: write error%s%s\n", reason != 0 ? ": " : "",
               reason != 0 ? std::strerror(reason) : "");
  return status != kExitOk ? status : kExitOutput;
}

Output::Output(bool json, const std::string& command) : json_(json), doc_({{"command", command}}) {}

void Output::line(const std::string& text) {
  if (json_) return;
  write_standard_output(text + '\n');
}

void Output::bytes(std::string_view data) {
  if (json_) return;
  write_standard_output(data);
}

// Messages quote what the user or a file gave; nothing of it reaches the
// terminal raw.
void Output::note(const std::string& text) {
  std::fprintf(stderr, "vornctl: %s\n", printable(text).c_str());
}

int Output::library_error(const std::string& what, int result_code, const std::string& detail) {
  const int status = exit_status_of(result_code);
  const std::string message =
      what + " failed: " + result_text(result_code) + (detail.empty() ? "" : "; " + detail);
  note(message);
  doc_["error"] = error_json(status, message, result_code);
  return status;
}

int Output::error(int status, const std::string& message) {
  note(message);
  doc_["error"] = error_json(status, message);
  return status;
}

int Output::usage_error(const std::string& message, const std::string& command) {
  note(message);
  std::fputs(usage_hint(command).c_str(), stderr);
  doc_["error"] = error_json(kExitUsage, message);
  return kExitUsage;
}

int Output::finish(int status) {
  if (json_ && !finished_) {
    doc_["exit_status"] = status;
    // Written out as it is made, not made into one text first: a large reply
    // is in the document twice already (as text and as hex). A device's
    // reply need not be UTF-8; what is not becomes U+FFFD here (the exact
    // bytes are in the hex fields). dump() does the same into a string; the
    // serializer behind it takes any output.
    const auto to_stdout = std::make_shared<StandardOutput>();
    nlohmann::detail::serializer<nlohmann::ordered_json> serializer(
        to_stdout, ' ', nlohmann::ordered_json::error_handler_t::replace);
    serializer.dump(doc_, true, false, 2);
    to_stdout->write_character('\n');
    to_stdout->flush();
  }
  finished_ = true;
  return status;
}

}  // namespace vornctl
