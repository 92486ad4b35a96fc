#include "testbed/run_directory.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace testbed {

RunDirectory::RunDirectory(const std::string& tag, bool keep) : keep_(keep) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/" + tag + "-XXXXXX";
  std::vector<char> text(pattern.begin(), pattern.end());
  text.push_back('\0');
  if (::mkdtemp(text.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
  path_ = text.data();
}

RunDirectory::~RunDirectory() {
  if (keep_) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace testbed
