// vornctl.exe: the words of the command line in UTF-8, as on Linux. main's
// own argv is in the system code page, which loses what it cannot show (a
// file name or an adapter's friendly name in another script).
//
// The neighbour entry of a set is written through IP Helper, as on Linux
// through the kernel's table, not by starting the system's arp as the DLL
// does: no program is started, waited for, or shown as a console window in
// the middle of a script.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "console.h"
#include "platform/arp_by_table.h"
#include "platform/platform.h"
#include "platform/win_system.h"
#include "row_worker.h"
#include "win_text.h"
// CommandLineToArgvW is declared in shellapi.h, which needs windows.h.
#include <shellapi.h>

int main() {
  static vornen::platform::Operations table = vornen::platform::ops();
  table.run_arp = vornen::platform::run_arp_by_table;
  vornen::platform::use(&table);

  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; words != nullptr && i < count; ++i) args.push_back(vornctl::utf8_text(words[i]));
  if (words != nullptr) ::LocalFree(words);
  // A worker of set --from (win_workers.cpp): the result alone, on the pipe
  // its caller reads.
  if (const auto work = vornctl::read_row_worker_words(args)) {
    vornctl::prepare_standard_streams();
    const int result = vornctl::run_row(*work);
    std::printf("%d\n", result);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  return vornctl::run(args);
}
