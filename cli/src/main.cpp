#include <string>
#include <vector>

#include "commands.h"
#include "invocation.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vornctl::run_command(vornctl::parse_invocation(args));
}
