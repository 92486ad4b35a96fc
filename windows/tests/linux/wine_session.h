// Wine inside the test bed: the server of one prefix started in the PC
// namespace, so that the sockets of the Windows programs live there, and
// Windows programs run there with a time limit. Shared by the drivers of the
// DLL's cases and of the window.
//
// Each architecture has its own loader and prefix, named by the environment:
// VORNEN_WINE32 and VORNEN_WINEPREFIX32 for 32-bit programs, VORNEN_WINE64
// and VORNEN_WINEPREFIX64 for 64-bit ones (scripts/wine.sh sets them; a
// prefix is made on first use). A 64-bit program never goes through the
// 32-bit loader, which a kernel without 32-bit support cannot start.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "testbed/testbed.h"

namespace vornen::wine {

// Upper bounds, in seconds, of one Windows program run and of the first
// start of a new prefix.
inline constexpr int kProgramLimitS = 120;
inline constexpr int kPrefixLimitS = 300;

std::string env(const char* name);
bool exists(const std::string& path);
std::string read_file(const std::string& path);
// The last line of a program's output that is not empty.
std::string last_line(const std::string& text);
// The architecture a test runs for, by the variable that names its
// build's program folder (VORNEN_WIN32_BIN or VORNEN_WIN64_BIN).
std::string architecture(const std::string& bin_variable);
// A path as Windows programs under Wine see it (drive Z: is the root).
std::string windows_path(const std::string& path);

// The loader and prefix of one architecture.
struct Loader {
  std::string wine;    // the loader itself, e.g. /usr/lib/wine/wine64
  std::string prefix;  // a prefix made by this loader only
  std::string arch;    // its WINEARCH: win32 or win64
};
Loader loader_for(const std::string& bin_variable);

class Session {
 public:
  // Why Wine cannot run the programs of `bin_variable`'s architecture here,
  // or empty; checks the environment.
  static std::string unusable_reason(const std::string& bin_variable);

  // Starts the server of the prefix of `bin_variable`'s architecture in the
  // bed's PC namespace, making the prefix first when it is new. `work` is a
  // folder for the programs' output.
  Session(testbed::TestBed& bed, std::string work, const std::string& bin_variable);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Empty when the server runs and the prefix is ready, else what failed.
  const std::string& failure() const { return failure_; }

  // Runs a program in the PC namespace with its output and errors in `out`
  // (its errors in `errors` instead when given), ending it after `limit_s`
  // seconds. Returns its exit status, -1 when it was ended or could not run.
  int run(const std::vector<std::string>& argv, int limit_s, std::string* out,
          std::string* errors = nullptr);

  // Imports a registry file (UTF-8) into the prefix, once per prefix and
  // file name.
  bool import_registry(const std::string& reg_file);

  const std::string& wine() const { return loader_.wine; }

 private:
  // Points Wine's variables at this session's loader and prefix; every start
  // of a Wine program goes through it, as two sessions can be alive at once.
  void select() const;
  void kill_server();

  testbed::TestBed& bed_;
  std::string work_;
  Loader loader_;
  std::string wineserver_;
  std::string failure_;
  pid_t server_ = -1;
};

}  // namespace vornen::wine
