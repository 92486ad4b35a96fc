// A program in the middle of a test-bed run, for the interrupt test: it makes
// a bed with two devices and a child in one of them, puts its main thread
// into the PC namespace as a test calling the library does, says "ready"
// with the bed's prefix, and waits (at most a minute) to be interrupted.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "testbed/testbed.h"

int main() {
  testbed::TestBed bed;
  const auto device = bed.add_device("00-20-4A-8D-72-33", "192.168.16.100/24");
  bed.add_device("00-20-4A-8D-72-34", "");
  const pid_t child = bed.spawn(device.ns, {"/bin/sleep", "60"});
  testbed::TestBed::InPc in_pc(bed);
  const std::string prefix = bed.pc().substr(0, bed.pc().size() - 3);
  std::printf("ready %s %d\n", prefix.c_str(), static_cast<int>(child));
  std::fflush(stdout);
  for (int i = 0; i < 600; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 1;
}
