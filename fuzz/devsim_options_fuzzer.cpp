// The simulator's command line, which the test bed and people write: any
// arguments either are refused with a reason or give options that keep
// their ranges, a command script that passes its own check, texts that
// decode, and the same options when read again. A --command-script file is
// the input's own text in a memory file, never a path the input names.
//
// Input: fields separated by zero bytes: the command script file's text,
// then the arguments.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "command_script.h"
#include "fuzz_input.h"
#include "options.h"

using vornen::fuzz::require;

namespace {

// A file that exists for one input only.
class MemoryFile {
 public:
  explicit MemoryFile(const std::string& text) : fd_(::memfd_create("script", 0)) {
    require(fd_ >= 0, "a memory file for the command script");
    require(::write(fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size()),
            "the command script is written to its memory file");
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

bool same(const devsim::Options& a, const devsim::Options& b) {
  auto steps_same = [](const auto& x, const auto& y) {
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (x[i].kind != y[i].kind || x[i].number != y[i].number || x[i].text != y[i].text)
        return false;
    }
    return true;
  };
  return a.help == b.help && a.interface == b.interface && a.mac == b.mac &&
         a.address.has_value() == b.address.has_value() &&
         (!a.address ||
          (a.address->address == b.address->address && a.address->prefix == b.address->prefix)) &&
         a.default_prefix == b.default_prefix && a.retake == b.retake &&
         a.any_namespace == b.any_namespace && a.log_path == b.log_path &&
         a.setup_log_path == b.setup_log_path && a.ready_file == b.ready_file &&
         a.discovery.before_lengths == b.discovery.before_lengths &&
         a.discovery.reply_mac == b.discovery.reply_mac &&
         a.discovery.silent == b.discovery.silent && a.discovery.delay_ms == b.discovery.delay_ms &&
         a.discovery.flood_count == b.discovery.flood_count &&
         a.discovery.flood_interval_ms == b.discovery.flood_interval_ms &&
         a.setup.silent == b.setup.silent && a.setup.no_menu == b.setup.no_menu &&
         a.setup.reset_after == b.setup.reset_after && steps_same(a.command_steps, b.command_steps);
}

void check(const devsim::Options& o) {
  require(o.default_prefix >= 0 && o.default_prefix <= 32, "the default prefix is 0 to 32");
  if (o.address) require(o.address->prefix >= 0 && o.address->prefix <= 32, "a prefix is 0 to 32");
  if (o.mac) require(devsim::parse_mac(devsim::format_mac(*o.mac)) == o.mac, "a MAC writes back");
  for (int n : o.discovery.before_lengths)
    require(n >= 0 && n <= 65000, "datagram lengths are 0 to 65000");
  require(o.discovery.delay_ms >= 0 && o.discovery.delay_ms <= 600000, "delays are in range");
  require(o.discovery.flood_count >= 0 && o.discovery.flood_interval_ms >= 0,
          "flood figures are not negative");
  require(o.setup.reset_after >= -1 && o.setup.reset_after <= (1LL << 40),
          "the reset count is in range");
  require(devsim::check_script(o.command_steps).empty(), "the command script passes its check");
  for (const devsim::CommandStep& step : o.command_steps) {
    require(devsim::expand_text(step.text, "last").has_value(), "step texts decode");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vornen::fuzz::Reader in(data, size);
  const std::string script = in.text();
  std::vector<std::string> args;
  while (!in.empty()) args.push_back(in.text());
  const MemoryFile file(script);
  const std::string option = "--command-script";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == option && i + 1 < args.size()) args[i + 1] = file.path();
    if (args[i].rfind(option + "=", 0) == 0) args[i] = option + "=" + file.path();
  }

  const devsim::OptionsParse parsed = devsim::parse_options(args);
  const devsim::OptionsParse again = devsim::parse_options(args);
  require(parsed.error == again.error, "the same arguments give the same verdict");
  if (!parsed.error.empty()) return 0;
  check(parsed.options);
  require(same(parsed.options, again.options), "the same arguments give the same options");
  return 0;
}
