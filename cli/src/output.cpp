#include "output.h"

#include <cstdio>

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

Output::Output(bool json, const std::string& command) : json_(json), doc_({{"command", command}}) {}

void Output::line(const std::string& text) {
  if (json_) return;
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Output::bytes(const std::string& data) {
  if (json_) return;
  std::fwrite(data.data(), 1, data.size(), stdout);
  std::fflush(stdout);
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
    // A device's reply need not be UTF-8; what is not becomes U+FFFD here
    // (the exact bytes are in the hex fields).
    const std::string text =
        doc_.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  finished_ = true;
  return status;
}

}  // namespace vornctl
