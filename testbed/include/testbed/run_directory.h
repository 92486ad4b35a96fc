// A directory made for one run, for the files a run writes as root (logs,
// ready files): made by mkdtemp with a fresh name and mode 0700, so no link
// planted under a predictable name in /tmp can redirect a write.
#pragma once

#include <string>

namespace testbed {

class RunDirectory {
 public:
  // Under $TMPDIR, or /tmp; `tag` starts the name. With `keep`, what it
  // holds stays for the reader afterwards (the demonstration's logs).
  explicit RunDirectory(const std::string& tag, bool keep = false);
  ~RunDirectory();
  RunDirectory(const RunDirectory&) = delete;
  RunDirectory& operator=(const RunDirectory&) = delete;

  const std::string& path() const { return path_; }
  // The path of a file in it.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  bool keep_;
};

}  // namespace testbed
