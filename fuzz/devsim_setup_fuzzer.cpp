// The simulator's reader of the setup dialogue, which takes whatever a PC
// sends to its setup port. A byte stream gives the same events and ends in
// the same state however it is cut into pieces; nothing follows the answer
// to "RS"; the library's own dialogue, from its record writer, cut anywhere
// and led by any bytes before the "M", is accepted with the address and host
// bits it carries; and a record text passes the record check exactly when it
// is the text the library writes for that record.
//
// Input: a mode byte, then by its bits 0-1:
//   0 a stream: a cut count byte, that many piece lengths, then the bytes
//   1 the library's dialogue: 4 octets, a host-bit byte (modulo 33), a
//     length byte and that many bytes sent before the "M" (any "M" among them
//     dropped), then piece lengths until the input ends
//   2 and 3 a record check: the record index (a signed byte), then the text
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
// The simulator's reader and the library's writer have headers of one name.
#include "library/src/setup_records.h"
#include "setup_records.h"
#include "setup_session.h"

using devsim::SetupEvent;
using vornen::fuzz::Reader;
using vornen::fuzz::require;

namespace {

bool same_events(const std::vector<SetupEvent>& a, const std::vector<SetupEvent>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].text != b[i].text ||
        a[i].target.address != b[i].target.address ||
        a[i].target.host_bits != b[i].target.host_bits)
      return false;
  }
  return true;
}

bool same_state(const devsim::SetupSession& a, const devsim::SetupSession& b) {
  return a.menu_seen == b.menu_seen && a.s0_seen == b.s0_seen && a.finished == b.finished &&
         a.skipping_record == b.skipping_record && a.record_count == b.record_count &&
         a.first_error == b.first_error && a.pending == b.pending &&
         a.target.address == b.target.address && a.target.host_bits == b.target.host_bits;
}

// Feeds the stream whole and in the pieces given; both must agree. Returns
// the events.
std::vector<SetupEvent> feed_both_ways(const std::string& stream,
                                       const std::vector<std::size_t>& cuts) {
  devsim::SetupSession whole;
  const std::vector<SetupEvent> events = devsim::feed_setup(whole, stream);
  devsim::SetupSession pieces;
  std::vector<SetupEvent> pieced;
  std::size_t at = 0;
  for (std::size_t i = 0; at < stream.size(); ++i) {
    const std::size_t n = i < cuts.size() ? std::max<std::size_t>(cuts[i], 1) : stream.size();
    for (auto& e : devsim::feed_setup(pieces, std::string_view(stream).substr(at, n)))
      pieced.push_back(std::move(e));
    require(pieces.pending.size() <= 76, "no more than a record text is held back");
    at += std::min(n, stream.size() - at);
  }
  require(same_events(events, pieced), "the events do not depend on how the bytes are cut");
  require(same_state(whole, pieces), "the session does not depend on how the bytes are cut");

  bool ended = false;
  for (const SetupEvent& e : events) {
    require(!ended, "nothing follows the answer to RS");
    if (e.kind == SetupEvent::Kind::accepted || e.kind == SetupEvent::Kind::rejected) ended = true;
    if (e.kind == SetupEvent::Kind::accepted)
      require(e.target.host_bits <= 32, "accepted host bits are at most 32");
  }
  require(ended == whole.finished, "the session is finished exactly after RS");
  if (whole.finished) {
    require(devsim::feed_setup(whole, "S0\rRS\r").empty(), "bytes after RS are ignored");
  }
  return events;
}

std::string library_text(int index, const std::uint8_t octets[4], std::uint8_t host_bits) {
  std::uint8_t record[vornen::kRecordMaxBytes];
  char text[vornen::kRecordTextMax];
  const int n = vornen::build_setup_record(index, octets, host_bits, record);
  return std::string(text, static_cast<std::size_t>(vornen::build_record_text(record, n, text)));
}

void dialogue(Reader& in) {
  std::uint8_t octets[4];
  for (auto& o : octets) o = in.byte();
  const auto host_bits = static_cast<std::uint8_t>(in.byte() % 33);
  std::string stream = in.bytes(in.byte());
  stream.erase(std::remove(stream.begin(), stream.end(), 'M'), stream.end());
  stream += "MS0\r";
  for (int i = 0; i < devsim::kSetupRecordCount; ++i) stream += library_text(i, octets, host_bits);
  stream += "RS\r";
  std::vector<std::size_t> cuts;
  while (!in.empty()) cuts.push_back(in.byte());
  const auto events = feed_both_ways(stream, cuts);
  require(!events.empty() && events.back().kind == SetupEvent::Kind::accepted,
          "the library's dialogue is accepted");
  const devsim::SetupTarget& t = events.back().target;
  require(std::equal(t.address.begin(), t.address.end(), octets) && t.host_bits == host_bits,
          "the simulator reads the address and host bits the library wrote");
}

int upper_hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void record_check(Reader& in) {
  const int index = static_cast<std::int8_t>(in.byte());
  const std::string text = in.rest();
  const bool passed = devsim::check_record(index, text).empty();
  if (index < 0 || index >= devsim::kSetupRecordCount) {
    require(!passed, "there are five records only");
    return;
  }
  // The library's text for the address and host bits that the text carries
  // where record 0 carries them.
  std::uint8_t octets[4] = {};
  int host_bits = 0;
  bool readable = index != 0 || text.size() == 76;
  auto byte_at = [&](std::size_t at) {
    const int hi = upper_hex(text[1 + 2 * at]);
    const int lo = upper_hex(text[2 + 2 * at]);
    readable = readable && hi >= 0 && lo >= 0;
    return hi * 16 + lo;
  };
  if (index == 0 && readable) {
    for (std::size_t i = 0; i < 4; ++i) octets[i] = static_cast<std::uint8_t>(byte_at(4 + i));
    host_bits = byte_at(10);
  }
  const bool written = readable && host_bits <= 32 &&
                       text == library_text(index, octets, static_cast<std::uint8_t>(host_bits));
  require(passed == written, "a record passes exactly when it is the library's text for it");
  if (passed && index == 0) {
    const devsim::SetupTarget t = devsim::record0_target(text);
    require(std::equal(t.address.begin(), t.address.end(), octets) && t.host_bits == host_bits,
            "record 0 is read as it was written");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  switch (in.byte() & 3) {
    case 0: {
      std::vector<std::size_t> cuts(in.byte());
      for (auto& c : cuts) c = in.byte();
      feed_both_ways(in.rest(), cuts);
      break;
    }
    case 1:
      dialogue(in);
      break;
    default:
      record_check(in);
      break;
  }
  return 0;
}
