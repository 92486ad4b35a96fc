#include "setup_session.h"

namespace devsim {
namespace {

constexpr std::size_t kLongestRecordText = 76;
constexpr std::size_t kLongestCommand = 16;

void record_error(SetupSession& session, std::vector<SetupEvent>& events, std::string error) {
  if (session.first_error.empty()) session.first_error = error;
  events.push_back({SetupEvent::Kind::record_error, std::move(error)});
}

void finish_record(SetupSession& session, std::vector<SetupEvent>& events) {
  const int index = session.record_count++;
  const std::string text = std::move(session.pending);
  session.pending.clear();
  if (!session.s0_seen) {
    record_error(session, events, "record " + std::to_string(index) + ": before S0");
    return;
  }
  std::string error = check_record(index, text);
  if (!error.empty()) {
    record_error(session, events, std::move(error));
    return;
  }
  if (index == 0) session.target = record0_target(text);
  events.push_back({SetupEvent::Kind::record_ok, std::to_string(index)});
}

void finish_command(SetupSession& session, std::vector<SetupEvent>& events) {
  const std::string command = std::move(session.pending);
  session.pending.clear();
  if (command.empty()) return;  // a stray CR
  events.push_back({SetupEvent::Kind::command, command});
  if (command == "S0") {
    // Each S0 starts a new set of records.
    session.s0_seen = true;
    session.record_count = 0;
    session.first_error.clear();
    session.target = {};
  } else if (command == "RS") {
    session.finished = true;
    if (!session.s0_seen) {
      events.push_back({SetupEvent::Kind::rejected, "RS before S0"});
    } else if (!session.first_error.empty()) {
      events.push_back({SetupEvent::Kind::rejected, session.first_error});
    } else if (session.record_count != kSetupRecordCount) {
      events.push_back({SetupEvent::Kind::rejected,
                        std::to_string(session.record_count) + " records, expected 5"});
    } else {
      events.push_back({SetupEvent::Kind::accepted, {}, session.target});
    }
  }
}

void feed_byte(SetupSession& session, char byte, std::vector<SetupEvent>& events) {
  if (!session.menu_seen) {
    // Whatever comes before the M is not part of the dialogue.
    if (byte == 'M') {
      session.menu_seen = true;
      events.push_back({SetupEvent::Kind::menu, {}});
    }
    return;
  }
  if (session.skipping_record) {
    if (byte == '\\') session.skipping_record = false;
    return;
  }
  const bool in_record = !session.pending.empty() && session.pending.front() == ':';
  if (in_record || (session.pending.empty() && byte == ':')) {
    session.pending += byte;
    if (byte == '\\') {
      finish_record(session, events);
    } else if (session.pending.size() >= kLongestRecordText) {
      const int index = session.record_count++;
      session.pending.clear();
      session.skipping_record = true;
      record_error(session, events,
                   "record " + std::to_string(index) + ": no backslash within 76 characters");
    }
    return;
  }
  if (byte == '\r') {
    finish_command(session, events);
  } else if (byte == '\n' && session.pending.empty()) {
    // A line feed after the CR is harmless.
  } else if (session.pending.size() >= kLongestCommand) {
    session.pending.clear();
    events.push_back({SetupEvent::Kind::command, "(over 16 bytes without CR, dropped)"});
  } else {
    session.pending += byte;
  }
}

}  // namespace

std::vector<SetupEvent> feed_setup(SetupSession& session, std::string_view bytes) {
  std::vector<SetupEvent> events;
  for (const char byte : bytes) {
    if (session.finished) break;
    feed_byte(session, byte, events);
  }
  return events;
}

}  // namespace devsim
