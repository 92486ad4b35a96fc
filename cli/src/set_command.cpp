// set and forget: the commands that leave or remove a permanent entry in the
// PC's neighbour table.
#include <cstring>
#include <map>
#include <optional>

#include "VornEN.h"
#include "adapters.h"
#include "assignment_lock.h"
#include "batch_file.h"
#include "commands.h"
#include "connection.h"
#include "console.h"
#include "exit_codes.h"
#include "neighbours.h"
#include "platform/neighbour_right.h"
#include "row_worker.h"
#include "system_words.h"
#include "text_forms.h"
#include "trace.h"
#include "vocabulary.h"
#include "waiting_notice.h"
#include "workers.h"

namespace vornctl {

namespace {

// Without the right the set is refused before anything is sent; when the
// system cannot say, the kernel's own refusal of the entry will.
bool may_change_neighbours() {
  return vornen::platform::neighbour_right() != vornen::platform::NeighbourRight::Missing;
}

// One assignment: what to set, and what stands in its way before anything
// is sent.
struct Assignment {
  int line = 0;  // of the file; 0 on the command line
  std::string mac;
  std::string address;
  std::uint32_t value = 0;  // of `address`, as the library reads it; network order
  int host_bits = 8;
  int refusal = kExitOk;  // not ok: not run, for `reason`
  std::string reason;
};

const char* kNoRight = "no right to change the neighbour table (" VORNCTL_GET_THE_RIGHT
                       "): without the "
                       "entry the device cannot learn its address";

std::string target_text(const Assignment& a) {
  return a.mac + " -> " + a.address + "/" + std::to_string(32 - a.host_bits);
}

// Why the address cannot be a device's in its own network: it is the
// network's address or its broadcast address (a /31 or /32 has neither).
std::string reserved_reason(std::uint32_t address, int host_bits) {
  if (host_bits < 2) return "";
  const std::uint32_t host_mask =
      network_order(host_bits >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << host_bits) - 1);
  const std::uint32_t host_part = address & host_mask;
  const std::string network =
      ipv4_text(address & ~host_mask) + "/" + std::to_string(32 - host_bits);
  if (host_part == 0) return "it is the address of the network " + network + " itself";
  if (host_part == host_mask) return "it is the broadcast address of " + network;
  return "";
}

// Checks an assignment against the PC's tables: refused when it would take
// the address of the PC, of a gateway or of another MAC, or the network's or
// broadcast address of its prefix (unless forced), or when the entry it needs
// cannot be written.
void check(Assignment* a, const NetworkView& view, bool force, bool may_write) {
  std::uint8_t mac[6];
  mac_bytes(a->mac, mac);
  const std::uint32_t address = a->value;
  if (!force) {
    std::string reason = reserved_reason(address, a->host_bits);
    if (reason.empty()) reason = unsafe_reason(view, address, mac);
    if (!reason.empty()) {
      a->refusal = kExitUnsafe;
      a->reason = "refusing to set " + a->address + ": " + reason + " (--force sets it anyway)";
      return;
    }
  }
  // Without the right the library's entry is not written; an entry that is
  // already in place serves as well.
  if (!may_write && !permanent_entry(view.neighbours, address, mac)) {
    a->refusal = kExitNoRight;
    a->reason = kNoRight;
  }
}

// The permanent entry the assignment left, as the table shows it now.
std::optional<Neighbour> entry_left(const Assignment& a) {
  std::uint8_t mac[6];
  mac_bytes(a.mac, mac);
  return permanent_entry(read_neighbours(), a.value, mac);
}

// What the user is told of an entry left behind, and how to remove it.
std::string entry_note(const Neighbour& n) {
  return "permanent neighbour entry " + neighbour_text(n) + " stays; 'vornctl forget " +
         ipv4_text(n.address) + "' removes it";
}

nlohmann::ordered_json entry_json(const Neighbour& n) {
  return {{"address", ipv4_text(n.address)},
          {"lladdr", mac_text_lower(n.mac)},
          {"dev", n.interface_name},
          {"permanent", n.permanent},
          {"remove_with", "vornctl forget " + ipv4_text(n.address)}};
}

nlohmann::ordered_json assignment_json(const Assignment& a) {
  nlohmann::ordered_json j = {{"mac", a.mac},
                              {"address", a.address},
                              {"prefix", 32 - a.host_bits},
                              {"netmask", netmask_of_host_bits(a.host_bits)},
                              {"host_bits", a.host_bits}};
  if (a.line != 0) j["line"] = a.line;
  return j;
}

// A device given another prefix than the PC's adapter has no longer takes
// the adapter's directed broadcast, by which find and scan ask.
void warn_of_prefix(const Assignment& a, const Options& o, Output& out) {
  const auto adapter = adapter_in_use(o.interface.value_or(""));
  const int prefix = 32 - a.host_bits;
  if (!adapter || adapter->prefix == prefix) return;
  out.note((a.line != 0 ? "line " + std::to_string(a.line) + ": " : "") +
           "warning: the device gets the prefix /" + std::to_string(prefix) + ", the adapter " +
           adapter->name + " has /" + std::to_string(adapter->prefix) +
           ": the device will not take the adapter's broadcast, so find and scan will not see it");
}

int set_one(const CommandLine& line, Output& out) {
  const Options& o = line.options;
  Assignment a;
  const auto mac = normalise_mac(line.words[0]);
  if (!mac) return out.usage_error("not a MAC address: '" + line.words[0] + "'", line.command);
  a.mac = *mac;
  std::string why;
  const auto to_set = parse_address_to_set(line.words[1], &why);
  if (!to_set) return out.usage_error(why, line.command);
  a.address = to_set->address;
  a.value = to_set->value;
  const int given = (to_set->host_bits ? 1 : 0) + (o.netmask ? 1 : 0) + (o.host_bits ? 1 : 0);
  if (given > 1)
    return out.usage_error("give the netmask once: /PREFIX, --netmask or --host-bits",
                           line.command);
  if (to_set->host_bits) a.host_bits = *to_set->host_bits;
  if (o.netmask) {
    const auto bits = host_bits_of_netmask(*o.netmask);
    if (!bits) return out.usage_error("not a netmask: '" + *o.netmask + "'", line.command);
    a.host_bits = *bits;
  }
  if (o.host_bits) {
    const auto bits = parse_number(*o.host_bits, 0, 32);
    if (!bits) return out.usage_error("--host-bits must be 0 to 32", line.command);
    a.host_bits = static_cast<int>(*bits);
  }
  out.doc().update(assignment_json(a));

  AssignmentLock lock;
  if (!lock.held()) return out.error(kExitFailure, lock.error());
  check(&a, read_network_view(), o.force, may_change_neighbours());
  if (a.refusal != kExitOk) return out.error(a.refusal, a.reason);
  if (int status = open_library(o, out); status != 0) return status;
  warn_of_prefix(a, o, out);
  int r;
  {
    std::optional<WaitingNotice> notice;
    if (!o.trace) notice.emplace("set");
    ReleaseAfterNeighbourWrite release(lock);
    r = En_Set_IPAddress(a.mac.c_str(), a.address.c_str(), a.host_bits);
  }
  lock.release();
  const auto entry = entry_left(a);
  if (entry) out.doc()["neighbour_entry"] = entry_json(*entry);
  if (r != 0) {
    const int status = out.library_error("set", r);
    if (entry) out.note(entry_note(*entry));
    return status;
  }
  out.line(target_text(a) + ": ok");
  if (entry) out.line(entry_note(*entry));
  return kExitOk;
}

// A worker's results besides the library's.
constexpr int kRowNotLocked = kWorkerLost + 1;
constexpr int kRowRefusedLate = kWorkerLost + 2;

// A row in its worker process, checked once more under the lock: another
// program may have taken its address since the rows were checked.
int assign_row(Assignment a, bool force) {
  AssignmentLock lock;
  if (!lock.held()) return kRowNotLocked;
  check(&a, read_network_view(), force, true);
  if (a.refusal != kExitOk) return kRowRefusedLate;
  ReleaseAfterNeighbourWrite release(lock);
  return En_Set_IPAddress(a.mac.c_str(), a.address.c_str(), a.host_bits);
}

}  // namespace

int run_row(const RowWork& work) {
  if (!work.interface.empty()) set_environment("VORNEN_INTERFACE", work.interface);
  if (const auto ms = parse_number(work.timeout, 1, 600000))
    vornen::set_wait_timeout_ms(static_cast<int>(*ms));
  std::optional<Trace> trace;
  if (work.trace) trace.emplace(kStandardError);
  Trace::set_label(work.label);
  const auto value = read_device_address(work.address);
  if (!value) return kWorkerLost;
  if (const int r = En_Open(); r != 0) return r;
  Assignment a;
  a.mac = work.mac;
  a.address = work.address;
  a.value = *value;
  a.host_bits = work.host_bits;
  return assign_row(a, work.force);
}

namespace {

// The exit status and message of a row whose worker did not get as far as a
// library result; nullopt for a library result.
std::optional<std::pair<int, std::string>> worker_failure(int result) {
  if (result == kWorkerLost) return {{kExitFailure, "the worker process ended without a result"}};
  if (result == kRowNotLocked)
    return {{kExitFailure, assignment_lock_name() + " could not be taken"}};
  if (result == kRowRefusedLate)
    return {{kExitUnsafe,
             "refused: since the rows were checked, the address has become the PC's own, a "
             "gateway's or another MAC's (--force sets it anyway)"}};
  return std::nullopt;
}

int set_from(const CommandLine& line, Output& out) {
  const Options& o = line.options;
  long jobs = 1;
  if (o.jobs) {
    const auto n = parse_number(*o.jobs, 1, kMaxJobs);
    if (!n) return out.usage_error("--jobs must be 1 to " + std::to_string(kMaxJobs), line.command);
    jobs = *n;
  }
  const Batch batch = read_batch_file(*o.from);
  if (!batch.error.empty()) return out.error(kExitUsage, batch.error);

  // Every row is checked before any is run: against the PC's tables, and
  // against the rows before it, so that two rows never claim one address or
  // one device.
  const NetworkView view = read_network_view();
  const bool may_write = may_change_neighbours();
  std::vector<Assignment> rows;
  // Keyed by what the device gets, not by how the row spells it.
  std::map<std::uint32_t, int> address_line;
  std::map<std::string, int> mac_line;
  for (const BatchRow& row : batch.rows) {
    Assignment a;
    a.line = row.line;
    a.mac = row.mac;
    a.address = row.address;
    a.host_bits = row.host_bits;
    std::uint8_t mac[6] = {};
    if (row.error.empty()) {
      a.value = *read_device_address(row.address);
      mac_bytes(row.mac, mac);
    }
    const std::string device = mac_text(mac);
    if (!row.error.empty()) {
      a.refusal = kExitUsage;
      a.reason = "malformed: " + row.error;
    } else if (address_line.count(a.value) != 0) {
      a.refusal = kExitUsage;
      a.reason = a.address + " is given on line " + std::to_string(address_line[a.value]);
    } else if (mac_line.count(device) != 0) {
      a.refusal = kExitUsage;
      a.reason = a.mac + " is given on line " + std::to_string(mac_line[device]);
    } else {
      address_line[a.value] = a.line;
      mac_line[device] = a.line;
      check(&a, view, o.force, may_write);
    }
    rows.push_back(a);
  }
  for (const Assignment& a : rows)
    if (a.refusal == kExitNoRight) return out.error(kExitNoRight, kNoRight);

  if (int status = open_library(o, out); status != 0) return status;
  for (const Assignment& a : rows)
    if (a.refusal == kExitOk) warn_of_prefix(a, o, out);

  auto& rows_json = out.doc()["rows"] = nlohmann::ordered_json::array();
  int provisioned = 0, failed = 0, stopped = 0, not_run = 0;
  // Entries left by rows that ran and did not succeed: no report but this
  // one tells of them.
  std::vector<Neighbour> left_behind;
  auto report = [&](const Assignment& a, int result) {
    nlohmann::ordered_json j = assignment_json(a);
    std::string text = "line " + std::to_string(a.line) + ": ";
    if (a.refusal != kExitOk) {
      ++failed;
      j["ok"] = false;
      j["error"] = error_json(a.refusal, a.reason);
      text += (a.refusal == kExitUsage ? "" : target_text(a) + ": ") + a.reason;
    } else if (result == kWorkerNotRun || result == kWorkerStopped) {
      const std::string what = result == kWorkerNotRun
                                   ? "not run: the batch was interrupted"
                                   : "stopped while running: the batch was interrupted";
      ++(result == kWorkerNotRun ? not_run : stopped);
      j["ok"] = false;
      j["error"] = error_json(kExitInterrupted, what);
      text += target_text(a) + ": " + what;
    } else if (result != 0) {
      ++failed;
      j["ok"] = false;
      if (const auto failure = worker_failure(result)) {
        j["error"] = error_json(failure->first, failure->second);
        text += target_text(a) + ": failed: " + failure->second;
      } else {
        j["error"] = error_json(exit_status_of(result), "set failed", result);
        text += target_text(a) + ": failed " + result_text(result);
      }
    } else {
      ++provisioned;
      j["ok"] = true;
      text += target_text(a) + ": ok";
    }
    // A row that was not run left nothing; an entry there is older.
    if (a.refusal == kExitOk && result != kWorkerNotRun) {
      if (const auto entry = entry_left(a)) {
        j["neighbour_entry"] = entry_json(*entry);
        if (result != 0) left_behind.push_back(*entry);
      }
    }
    rows_json.push_back(j);
    out.line(printable(text));
  };

  hold_stop_requests();

  // The rows that run go to workers; the others are reported in their place.
  std::vector<int> runnable;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].refusal == kExitOk) runnable.push_back(static_cast<int>(i));
  std::size_t next_row = 0;
  auto report_up_to = [&](std::size_t end, int result_at_end) {
    for (; next_row < end; ++next_row) report(rows[next_row], 0);
    if (end < rows.size()) report(rows[next_row++], result_at_end);
  };
  const int stop = run_in_workers(
      static_cast<int>(runnable.size()), static_cast<int>(jobs),
      [&](int i) {
        const Assignment& a = rows[static_cast<std::size_t>(runnable[static_cast<std::size_t>(i)])];
        Trace::set_label("line " + std::to_string(a.line));
        return assign_row(a, o.force);
      },
      [&](int i, int result) {
        report_up_to(static_cast<std::size_t>(runnable[static_cast<std::size_t>(i)]), result);
      },
      [&](int i) {
        const Assignment& a = rows[static_cast<std::size_t>(runnable[static_cast<std::size_t>(i)])];
        return row_worker_words({a.mac, a.address, a.host_bits, o.force,
                                 "line " + std::to_string(a.line), o.timeout.value_or(""),
                                 o.interface.value_or(""), o.trace});
      });
  report_up_to(rows.size(), 0);

  nlohmann::ordered_json& summary = out.doc()["summary"] = {
      {"rows", rows.size()}, {"provisioned", provisioned}, {"failed", failed}};
  std::string text = std::to_string(rows.size()) + " rows: " + std::to_string(provisioned) +
                     " provisioned, " + std::to_string(failed) + " failed";
  if (stop != 0) {
    summary["stopped"] = stopped;
    summary["not_run"] = not_run;
    summary["interrupted_by"] = stop_name(stop);
    text += ", " + std::to_string(stopped) + " stopped, " + std::to_string(not_run) +
            " not run: interrupted by " + stop_name(stop);
  }
  out.line(text);
  if (provisioned > 0)
    out.line(
        "permanent neighbour entries stay for the provisioned addresses; "
        "'vornctl forget ADDRESS' removes one");
  for (const Neighbour& n : left_behind) out.line(entry_note(n));
  if (stop != 0) {
    std::string message = "set --from interrupted by " + stop_name(stop) + ": " +
                          std::to_string(stopped) + " rows stopped, " + std::to_string(not_run) +
                          " not run";
    // Nothing more reaches the reader: say here where the entries are.
    if (stop == kStopOutputClosed) message += "; standard output was closed, " VORNCTL_LIST_ENTRIES;
    return out.error(kExitInterrupted, message);
  }
  return failed == 0 ? kExitOk : kExitSomeRows;
}

}  // namespace

int set_command(const CommandLine& line, Output& out) {
  const Options& o = line.options;
  if (o.from) {
    if (!line.words.empty())
      return out.usage_error("set --from takes no MAC or address", line.command);
    if (o.netmask || o.host_bits)
      return out.usage_error("with --from the netmask comes from the file", line.command);
    return set_from(line, out);
  }
  if (o.jobs) return out.usage_error("--jobs goes with --from", line.command);
  if (line.words.size() != 2)
    return out.usage_error("set takes a MAC and an address", line.command);
  return set_one(line, out);
}

int forget_command(const CommandLine& line, Output& out) {
  std::string why;
  const auto address = read_device_address(line.words[0], &why);
  if (!address) return out.usage_error(why, line.command);
  out.doc()["address"] = line.words[0];
  const auto entry = find_neighbour(read_neighbours(), *address);
  if (!entry || !entry->permanent)
    return out.error(kExitNotFound, "no permanent neighbour entry for " + line.words[0] +
                                        (entry ? " (the kernel's own entry " +
                                                     neighbour_text(*entry) + " is left alone)"
                                               : ""));
  // Asked up front, as set does: a system that cannot remove entries at all
  // must not hide a missing right behind its own error.
  const std::string no_right = "no right to change the neighbour table (" VORNCTL_GET_THE_RIGHT ")";
  if (!may_change_neighbours()) return out.error(kExitNoRight, no_right);
  using vornen::platform::NeighbourResult;
  int error = 0;
  switch (vornen::platform::delete_neighbour(*address, entry->interface_index, &error)) {
    case NeighbourResult::Done:
      break;
    case NeighbourResult::NoRight:
      return out.error(kExitNoRight, no_right);
    case NeighbourResult::NotFound:
      return out.error(kExitNotFound, "no neighbour entry for " + line.words[0]);
    case NeighbourResult::Failed:
      return out.error(kExitFailure,
                       "cannot remove " + neighbour_text(*entry) + ": " + system_error_text(error));
  }
  out.doc()["removed"] = entry_json(*entry);
  out.doc()["removed"].erase("remove_with");
  out.line("removed " + neighbour_text(*entry));
  return kExitOk;
}

}  // namespace vornctl
