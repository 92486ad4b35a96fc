#include "testbed/simulator.h"

#include <unistd.h>

#include "testbed/child.h"

namespace testbed {

const char* simulator_path() { return VORNEN_DEVSIM_PATH; }

pid_t start_simulator(const std::string& netns, const std::vector<std::string>& args,
                      const std::string& ready_file, std::chrono::milliseconds timeout) {
  std::vector<std::string> argv{simulator_path()};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.emplace_back("--ready-file");
  argv.push_back(ready_file);
  ::unlink(ready_file.c_str());
  const pid_t pid = start_child(netns, argv, true);
  if (pid < 0) return -1;
  if (wait_ready(pid, ready_file, timeout)) return pid;
  stop_child(pid, std::chrono::seconds(2));
  return -1;
}

int stop_simulator(pid_t pid, std::chrono::milliseconds grace) { return stop_child(pid, grace); }

}  // namespace testbed
