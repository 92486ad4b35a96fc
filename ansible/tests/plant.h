// A small plant in the test bed: a controller and segment PCs on a
// management network (10.250.N.0/24, one link per PC), each PC with a device
// segment of simulated devices of its own and Debian's sshd, with keys made
// for the run. Ansible runs in the controller's namespace against an
// inventory of the PCs (group "lines"), with the collection installed from
// its tarball and everything it writes inside the run directory.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "testbed/run_directory.h"
#include "testbed/testbed.h"

namespace plant {

struct Paths {
  std::string collection;  // the tarball
  std::string playbooks;   // folder of the plays
  std::string python;      // folder holding the module vornen
  std::string library;     // libVornEN.so.1
};

struct DeviceSpec {
  std::string mac;      // as the inventory writes it
  std::string initial;  // with prefix; empty: no address; "absent": no such device
  std::string wanted;   // with prefix
  // Takes a new address while it has one (others learn one only while they
  // have none).
  bool retake = false;
};

struct Line {
  std::string name;
  std::vector<DeviceSpec> devices;
};

// Why no plant can be made here (not root, no ansible-core, no sshd); empty
// when it can.
std::string missing();

// "00:20:4a:a1:00:01" -> "00-20-4A-A1-00-01"
std::string library_mac(std::string mac);

// MAC -> address of each line, as scan reports them.
using Found = std::map<std::string, std::map<std::string, std::string>>;

class Plant {
 public:
  Plant(const Paths& paths, std::vector<Line> lines);
  ~Plant();
  Plant(const Plant&) = delete;
  Plant& operator=(const Plant&) = delete;

  const std::vector<Line>& lines() const { return lines_; }

  // Writes the inventory again with these wanted addresses.
  void set_lines(std::vector<Line> lines);

  // Runs an ansible program in the controller's namespace; standard output
  // and error go to `output`.
  int ansible(const std::vector<std::string>& argv, std::string* output) const;
  // Writes a file into the run's directory; returns its path.
  std::string write(const std::string& name, const std::string& text) const;
  // ansible-playbook with `options` and the play `name` of the play folder
  // (or at that absolute path).
  int playbook(const std::string& name, const std::vector<std::string>& options,
               std::string* output) const;
  // What the play scan.yml finds on each line.
  Found scan() const;
  // The permanent neighbour entries of the line's PC, as ip shows them.
  std::string permanent_entries(std::size_t line) const;

 private:
  std::string make_line(std::size_t n);
  void write_configuration() const;
  void write_inventory() const;
  void wait_for_ssh(const std::string& address) const;
  std::string scan_file(const Line& line) const { return dir_.file("scan-" + line.name); }

  Paths paths_;
  testbed::RunDirectory dir_;
  std::unique_ptr<testbed::TestBed> controller_;
  std::vector<Line> lines_;
  std::vector<std::unique_ptr<testbed::TestBed>> beds_;
  std::vector<pid_t> simulators_;
};

// The main of a program on a plant, called as
//   PROGRAM COLLECTION_TARBALL PLAY_DIR PYTHON_DIR LIBRARY
// Makes the plant of `lines` and returns what `body` returns on it; 77 with
// one line saying why when no plant can be made here, 2 for other arguments,
// 1 when the plant or `body` fails (saying why).
int run(int argc, char** argv, std::vector<Line> lines, const std::function<int(Plant&)>& body);

// "line1 : ok=1 changed=1 unreachable=0 failed=0 ..." of the play recap ->
// {"line1": {"ok": 1, "changed": 1, ...}}
std::map<std::string, std::map<std::string, int>> recap(const std::string& output);

}  // namespace plant
