// Private network namespaces in which the library runs for real: a "PC"
// namespace with loop-back and one adapter pc0 (192.168.16.1/24 unless told
// otherwise), and device namespaces on the same link, joined by a bridge in a
// link namespace of their own. Nothing of it touches the machine's own
// network. Everything made is torn down by the destructor, at exit, after
// SIGINT/SIGTERM/SIGHUP (outside the signal handler, by a thread of the bed,
// before the signal ends the process as usual), and, after a crash, by the
// next bed made on this machine.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testbed {

// True when this process may make namespaces (root and the ip command).
bool available();
// Why not, for a skip message.
std::string unavailable_reason();

struct Device {
  std::string ns;       // its namespace
  std::string mac;      // colon form, lower case, as the kernel shows it
  std::string address;  // dotted, or empty when it has none yet
};

class TestBed {
 public:
  // `pc_address` with its prefix, e.g. "192.168.16.1/24"; empty for none.
  explicit TestBed(const std::string& pc_address = "192.168.16.1/24");
  ~TestBed();
  TestBed(const TestBed&) = delete;
  TestBed& operator=(const TestBed&) = delete;

  const std::string& pc() const { return pc_; }
  const std::string& link() const { return link_; }
  const std::vector<Device>& devices() const { return devices_; }

  // A device on the link with the given MAC ("00-20-4A-8D-72-33" or colon
  // form) and address ("192.168.16.100/24", or empty for none).
  Device add_device(const std::string& mac, const std::string& address);

  // Runs `ip -n NS args...`; throws std::runtime_error when it fails.
  void ip(const std::string& ns, const std::vector<std::string>& args) const;
  // Same in the PC namespace.
  void pc_ip(const std::vector<std::string>& args) const { ip(pc_, args); }

  // Starts a program in a namespace (no shell); the bed ends it at teardown.
  pid_t spawn(const std::string& ns, const std::vector<std::string>& argv);
  // SIGTERM, a bounded wait, then SIGKILL (child.h); returns the exit code,
  // 128 + the signal that ended it, or -1.
  int stop(pid_t pid);

  // A thread that runs `work` inside namespace `ns` (a small peer of a test).
  std::thread thread_in(const std::string& ns, std::function<void()> work) const;

  // Puts the calling thread into the PC namespace while it lives.
  class InPc {
   public:
    explicit InPc(const TestBed& bed);
    ~InPc();
    InPc(const InPc&) = delete;
    InPc& operator=(const InPc&) = delete;

   private:
    int home_ = -1;
  };

  void teardown();

 private:
  void add_namespace(const std::string& ns);

  std::string prefix_;
  std::string pc_;
  std::string link_;
  std::vector<std::string> namespaces_;
  std::vector<Device> devices_;
  std::vector<pid_t> children_;
};

// Runs a program and waits for it; returns its exit status (-1 if it could
// not run). Standard output goes to `output` and standard error to `errors`
// when given; otherwise both are discarded, or shown when `show` is set.
int run(const std::vector<std::string>& argv, std::string* output = nullptr,
        std::string* errors = nullptr, bool show = false);

// The same inside network namespace `ns`.
int run_in(const std::string& ns, const std::vector<std::string>& argv,
           std::string* output = nullptr, std::string* errors = nullptr, bool show = false);

// Open file descriptors of this process, for leak checks.
int open_descriptors();

}  // namespace testbed
