#include "wine_session.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <utility>

namespace vornen::wine {

using namespace std::chrono_literals;

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string last_line(const std::string& text) {
  std::istringstream in(text);
  std::string last;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) last = line;
  }
  return last;
}

std::string architecture(const std::string& bin_variable) {
  return bin_variable.find("32") != std::string::npos ? "i686" : "x86_64";
}

std::string windows_path(const std::string& path) {
  std::string converted = "Z:" + path;
  for (char& c : converted) {
    if (c == '/') c = '\\';
  }
  return converted;
}

Loader loader_for(const std::string& bin_variable) {
  const std::string bits = architecture(bin_variable) == "i686" ? "32" : "64";
  return {env(("VORNEN_WINE" + bits).c_str()), env(("VORNEN_WINEPREFIX" + bits).c_str()),
          "win" + bits};
}

std::string Session::unusable_reason(const std::string& bin_variable) {
  const Loader loader = loader_for(bin_variable);
  if (loader.prefix.empty()) return "no Wine prefix for " + loader.arch + " is set";
  if (!exists(loader.wine)) return "no Wine loader at '" + loader.wine + "'";
  if (!exists(loader.wine.substr(0, loader.wine.rfind('/') + 1) + "wineserver")) {
    return "no wineserver";
  }
  return {};
}

Session::Session(testbed::TestBed& bed, std::string work, const std::string& bin_variable)
    : bed_(bed), work_(std::move(work)), loader_(loader_for(bin_variable)) {
  wineserver_ = loader_.wine.substr(0, loader_.wine.rfind('/') + 1) + "wineserver";
  // Wine's own messages stay out of the output the checks read.
  ::setenv("WINEDEBUG", "-all", 1);
  // No prompts to install the .NET and HTML runtimes into a new prefix.
  ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
  // A server of this prefix left from an interrupted run would hold its
  // sockets in another namespace.
  kill_server();
  // The server starts in the prefix, so that must exist first; Wine fills an
  // empty one.
  ::mkdir(loader_.prefix.c_str(), 0755);
  select();
  server_ = bed_.spawn(bed_.pc(), {wineserver_, "--foreground", "--persistent"});
  const std::string made = loader_.prefix + "/drive_c/windows/system32/kernel32.dll";
  if (!exists(made)) {
    std::string out;
    const int rc = run({loader_.wine, "wineboot", "--init"}, kPrefixLimitS, &out);
    if (rc != 0 || !exists(made)) failure_ = "wineboot: " + std::to_string(rc) + "\n" + out;
  }
}

Session::~Session() {
  if (server_ > 0) {
    kill_server();
    bed_.stop(server_);
  }
}

void Session::select() const {
  ::setenv("WINEPREFIX", loader_.prefix.c_str(), 1);
  ::setenv("WINEARCH", loader_.arch.c_str(), 1);
  // The loader that Wine starts for its own helper programs.
  ::setenv("WINELOADER", loader_.wine.c_str(), 1);
}

// Ends this prefix's server and every program of it; nothing else.
void Session::kill_server() {
  select();
  testbed::run({wineserver_, "--kill"});
}

int Session::run(const std::vector<std::string>& argv, int limit_s, std::string* out,
                 std::string* errors) {
  const std::string netns = "/var/run/netns/" + bed_.pc();
  // The output goes through a file, not a pipe: Wine's service processes
  // inherit it and outlive the program.
  const std::string log = work_ + "/program.log";
  const std::string error_log = work_ + "/program-errors.log";
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  select();
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int ns = ::open(netns.c_str(), O_RDONLY | O_CLOEXEC);
    if (ns < 0 || ::setns(ns, CLONE_NEWNET) != 0) ::_exit(126);
    const int in = ::open("/dev/null", O_RDONLY);
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int error_fd =
        errors != nullptr ? ::open(error_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644) : fd;
    if (in < 0 || fd < 0 || error_fd < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(fd, 1);
    ::dup2(error_fd, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  pid_t done = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit_s);
  while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  if (done != pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    *out = read_file(log) + "\n(ended after " + std::to_string(limit_s) + " s)";
    if (errors != nullptr) *errors = read_file(error_log);
    return -1;
  }
  *out = read_file(log);
  if (errors != nullptr) *errors = read_file(error_log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Session::import_registry(const std::string& reg_file) {
  const std::string name = reg_file.substr(reg_file.rfind('/') + 1);
  // Marked by its content, so that a changed file is imported again.
  const std::string marker = loader_.prefix + "/.imported-" + name + "-" +
                             std::to_string(std::hash<std::string>{}(read_file(reg_file)));
  if (exists(marker)) return true;
  // regedit reads UTF-16 with its byte-order mark.
  std::string utf16;
  if (testbed::run({"/usr/bin/iconv", "-f", "UTF-8", "-t", "UTF-16LE", reg_file}, &utf16) != 0) {
    return false;
  }
  const std::string converted = work_ + "/" + name;
  std::ofstream(converted, std::ios::binary) << "\xFF\xFE" << utf16;
  std::string out;
  if (run({loader_.wine, "regedit", "/S", windows_path(converted)}, kProgramLimitS, &out) != 0) {
    return false;
  }
  std::ofstream marked(marker);
  return true;
}

}  // namespace vornen::wine
