#include "testbed/testbed.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "testbed/child.h"

namespace testbed {
namespace {

// Everything the beds of this process have made and not yet removed: the
// cleanup at exit and after a signal works from this list, never from the
// beds themselves, which another thread may be destroying at that moment.
struct Registry {
  std::mutex mutex;
  std::vector<std::string> namespaces;
  std::vector<pid_t> children;
};

Registry& registry() {
  // Never destroyed: the exit handler uses it after static destruction began.
  static auto* r = new Registry;
  return *r;
}

std::atomic<int> g_counter{0};

template <typename T>
void forget(std::vector<T>& list, const T& item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

const char* find_ip() {
  static const char* const places[] = {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"};
  for (const char* p : places)
    if (::access(p, X_OK) == 0) return p;
  return nullptr;
}

std::vector<char*> c_argv(const std::vector<std::string>& argv) {
  std::vector<char*> out;
  for (const auto& a : argv) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

bool pid_alive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

std::vector<std::string> list_namespaces() {
  std::vector<std::string> names;
  DIR* d = ::opendir("/var/run/netns");
  if (d == nullptr) return names;
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] != '.') names.emplace_back(e->d_name);
  }
  ::closedir(d);
  return names;
}

void kill_namespace_processes(const std::string& ns) {
  std::string out;
  run({find_ip(), "netns", "pids", ns}, &out);
  std::size_t pos = 0;
  while (pos < out.size()) {
    std::size_t end = out.find('\n', pos);
    if (end == std::string::npos) end = out.size();
    const std::string word = out.substr(pos, end - pos);
    const pid_t pid = static_cast<pid_t>(std::atoi(word.c_str()));
    // A thread of this process may stand in the namespace (a test calling
    // the library in the PC namespace): the process lists there itself.
    if (pid > 0 && pid != ::getpid()) ::kill(pid, SIGKILL);
    pos = end + 1;
  }
}

void delete_namespace(const std::string& ns) {
  kill_namespace_processes(ns);
  run({find_ip(), "netns", "delete", ns});
}

// Beds are named vtb<pid>-<n>-<role>; a bed whose maker is gone was left
// behind by a crash and is removed.
void sweep_stale() {
  for (const auto& ns : list_namespaces()) {
    if (ns.rfind("vtb", 0) != 0) continue;
    const pid_t owner = static_cast<pid_t>(std::atoi(ns.c_str() + 3));
    if (owner > 0 && owner != ::getpid() && !pid_alive(owner)) delete_namespace(ns);
  }
}

// How long a child of the bed has to end after SIGTERM before SIGKILL.
constexpr std::chrono::seconds kChildGrace{3};

// Removes what the registry holds, children first, namespaces last made
// first; used at exit and after a signal.
void clean_up_everything() {
  std::vector<pid_t> children;
  std::vector<std::string> namespaces;
  {
    std::lock_guard<std::mutex> lock(registry().mutex);
    children.swap(registry().children);
    namespaces.swap(registry().namespaces);
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) stop_child(*it, kChildGrace);
  for (auto it = namespaces.rbegin(); it != namespaces.rend(); ++it) delete_namespace(*it);
}

// The handler only writes the signal's number into a pipe; a thread of the
// test bed reads it, cleans up outside the handler, and then lets the signal
// end the process as it would have without a bed.
int g_signal_pipe[2] = {-1, -1};

extern "C" void on_signal(int sig) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(sig);
  [[maybe_unused]] ssize_t ignored = ::write(g_signal_pipe[1], &number, 1);
  errno = saved;
}

void watch_signals() {
  unsigned char number = 0;
  for (;;) {
    const ssize_t n = ::read(g_signal_pipe[0], &number, 1);
    if (n == 1) break;
    if (n < 0 && errno == EINTR) continue;
    return;
  }
  clean_up_everything();
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  ::sigaction(number, &plain, nullptr);
  ::kill(::getpid(), number);
}

void install_handlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    registry();
    std::atexit(clean_up_everything);
    if (::pipe2(g_signal_pipe, O_CLOEXEC) != 0) return;
    std::thread(watch_signals).detach();
    struct sigaction action {};
    action.sa_handler = on_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &action, nullptr);
  });
}

// A bridge port passes frames only once it forwards; right after it comes up
// it listens and learns for a timer tick or two, and a first ARP request sent
// then is lost, which costs a test a whole second of ARP retry.
void wait_forwarding(const std::string& ns, const std::string& port) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  do {
    std::string out;
    run({find_ip(), "-n", ns, "-d", "-o", "link", "show", port}, &out);
    if (out.find("state forwarding") != std::string::npos) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < deadline);
}

std::string colon_mac(std::string mac) {
  for (char& c : mac) {
    if (c == '-') c = ':';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return mac;
}

}  // namespace

bool available() { return ::geteuid() == 0 && find_ip() != nullptr; }

std::string unavailable_reason() {
  if (::geteuid() != 0) return "the test bed needs root to make network namespaces";
  if (find_ip() == nullptr) return "the test bed needs the ip command (iproute2)";
  return "";
}

namespace {

// Reads two pipes to their ends without either filling up.
void drain(int out_fd, std::string* output, int err_fd, std::string* errors) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  std::string* sinks[2] = {output, errors};
  int open_count = (out_fd >= 0) + (err_fd >= 0);
  char buf[4096];
  while (open_count > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
}

}  // namespace

namespace {

// Both ends of a pipe, closed once when it goes.
struct Pipe {
  int fd[2] = {-1, -1};
  ~Pipe() { close_both(); }
  bool open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
  void close_end(int k) {
    if (fd[k] >= 0) ::close(fd[k]);
    fd[k] = -1;
  }
  void close_both() {
    close_end(0);
    close_end(1);
  }
};

}  // namespace

int run(const std::vector<std::string>& argv, std::string* output, std::string* errors, bool show) {
  Pipe out;
  Pipe err;
  if (output != nullptr && !out.open()) return -1;
  if (errors != nullptr && !err.open()) return -1;
  // Made before the fork: the child of a process with threads may not
  // allocate, another thread may have held the allocator's lock.
  std::vector<char*> args = c_argv(argv);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int devnull = ::open("/dev/null", O_RDWR);
    if (output != nullptr)
      ::dup2(out.fd[1], 1);
    else if (!show)
      ::dup2(devnull, 1);
    if (errors != nullptr)
      ::dup2(err.fd[1], 2);
    else if (!show)
      ::dup2(devnull, 2);
    ::dup2(devnull, 0);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  out.close_end(1);
  err.close_end(1);
  // drain() closes the read ends it was given.
  drain(out.fd[0], output, err.fd[0], errors);
  out.fd[0] = -1;
  err.fd[0] = -1;
  int status = 0;
  pid_t r;
  while ((r = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  if (r != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int run_in(const std::string& ns, const std::vector<std::string>& argv, std::string* output,
           std::string* errors, bool show) {
  std::vector<std::string> full = {find_ip(), "netns", "exec", ns};
  full.insert(full.end(), argv.begin(), argv.end());
  return run(full, output, errors, show);
}

int open_descriptors() {
  int count = 0;
  DIR* d = ::opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] != '.') ++count;
  }
  ::closedir(d);
  return count - 1;  // the directory's own descriptor
}

TestBed::TestBed(const std::string& pc_address) {
  if (!available()) throw std::runtime_error(unavailable_reason());
  install_handlers();
  sweep_stale();
  prefix_ = "vtb" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++);
  pc_ = prefix_ + "-pc";
  link_ = prefix_ + "-link";
  try {
    for (const auto& ns : {pc_, link_}) {
      add_namespace(ns);
      ip(ns, {"link", "set", "lo", "up"});
    }
    ip(link_, {"link", "add", "br0", "type", "bridge", "forward_delay", "0"});
    ip(link_, {"link", "set", "br0", "up"});
    ip(link_, {"link", "add", "lpc", "type", "veth", "peer", "name", "pc0", "netns", pc_});
    ip(link_, {"link", "set", "lpc", "master", "br0", "up"});
    if (!pc_address.empty()) ip(pc_, {"addr", "add", pc_address, "dev", "pc0"});
    ip(pc_, {"link", "set", "pc0", "up"});
    wait_forwarding(link_, "lpc");
  } catch (...) {
    teardown();
    throw;
  }
}

TestBed::~TestBed() { teardown(); }

void TestBed::add_namespace(const std::string& ns) {
  // Known to the cleanup before it exists, so that a signal between the two
  // cannot leave it behind.
  {
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().namespaces.push_back(ns);
  }
  namespaces_.push_back(ns);
  if (run({find_ip(), "netns", "add", ns}) != 0) throw std::runtime_error("netns add " + ns);
}

void TestBed::ip(const std::string& ns, const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {find_ip(), "-n", ns};
  argv.insert(argv.end(), args.begin(), args.end());
  if (run(argv) != 0) {
    std::string text = "ip -n " + ns;
    for (const auto& a : args) text += " " + a;
    throw std::runtime_error("failed: " + text);
  }
}

Device TestBed::add_device(const std::string& mac, const std::string& address) {
  const int k = static_cast<int>(devices_.size()) + 1;
  Device d;
  d.ns = prefix_ + "-d" + std::to_string(k);
  d.mac = colon_mac(mac);
  add_namespace(d.ns);
  const std::string port = "ld" + std::to_string(k);
  ip(d.ns, {"link", "set", "lo", "up"});
  ip(link_, {"link", "add", port, "type", "veth", "peer", "name", "eth0", "netns", d.ns});
  ip(link_, {"link", "set", port, "master", "br0", "up"});
  ip(d.ns, {"link", "set", "eth0", "address", d.mac});
  if (!address.empty()) {
    ip(d.ns, {"addr", "add", address, "dev", "eth0"});
    d.address = address.substr(0, address.find('/'));
  }
  ip(d.ns, {"link", "set", "eth0", "up"});
  wait_forwarding(link_, port);
  devices_.push_back(d);
  return d;
}

pid_t TestBed::spawn(const std::string& ns, const std::vector<std::string>& argv) {
  // Forked under the lock, so that the cleanup after a signal knows the child.
  std::lock_guard<std::mutex> lock(registry().mutex);
  const pid_t pid = start_child(ns, argv);
  if (pid < 0) throw std::runtime_error("fork failed");
  registry().children.push_back(pid);
  children_.push_back(pid);
  return pid;
}

int TestBed::stop(pid_t pid) {
  if (std::find(children_.begin(), children_.end(), pid) == children_.end()) return -1;
  forget(children_, pid);
  {
    std::lock_guard<std::mutex> lock(registry().mutex);
    const auto& all = registry().children;
    // Gone from the registry: the cleanup after a signal has ended it.
    if (std::find(all.begin(), all.end(), pid) == all.end()) return -1;
    forget(registry().children, pid);
  }
  return stop_child(pid, kChildGrace);
}

void TestBed::teardown() {
  while (!children_.empty()) stop(children_.back());
  for (auto it = namespaces_.rbegin(); it != namespaces_.rend(); ++it) {
    {
      std::lock_guard<std::mutex> lock(registry().mutex);
      const auto& all = registry().namespaces;
      if (std::find(all.begin(), all.end(), *it) == all.end()) continue;
      forget(registry().namespaces, *it);
    }
    delete_namespace(*it);
  }
  namespaces_.clear();
}

std::thread TestBed::thread_in(const std::string& ns, std::function<void()> work) const {
  const std::string path = "/var/run/netns/" + ns;
  return std::thread([path, work = std::move(work)] {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
      if (fd >= 0) ::close(fd);
      return;
    }
    ::close(fd);
    work();
  });
}

TestBed::InPc::InPc(const TestBed& bed) {
  home_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  const std::string path = "/var/run/netns/" + bed.pc();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (home_ < 0 || fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
    if (fd >= 0) ::close(fd);
    if (home_ >= 0) ::close(home_);
    throw std::runtime_error("cannot enter " + bed.pc());
  }
  ::close(fd);
}

TestBed::InPc::~InPc() {
  if (home_ >= 0) {
    ::setns(home_, CLONE_NEWNET);
    ::close(home_);
  }
}

}  // namespace testbed
