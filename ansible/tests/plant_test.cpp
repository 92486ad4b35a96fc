// A small plant in the test bed: a controller and two segment PCs on a
// management network, each PC with a device segment of simulated devices of
// its own and Debian's sshd, with keys made for the run. ansible-playbook
// runs in the controller's namespace against an inventory of both PCs, with
// the collection installed from its tarball.
//
//   vornen_ansible_plant COLLECTION_TARBALL PLAYBOOK_DIR PYTHON_DIR LIBRARY
//
// Exit status 77 (skipped, one line saying why) without root, ansible-core
// or sshd.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "devsim/launcher.h"
#include "testbed/run_directory.h"
#include "testbed/testbed.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kSshd = "/usr/sbin/sshd";

struct Paths {
  std::string collection, playbooks, python, library;
};
Paths g_paths;

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
  std::string management;  // the PC's address on the management network
  std::vector<DeviceSpec> devices;
  std::unique_ptr<testbed::TestBed> bed;
};

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

void must_run(const std::vector<std::string>& argv) {
  std::string errors;
  if (testbed::run(argv, nullptr, &errors) != 0)
    throw std::runtime_error("failed: " + argv[0] + " " + argv[1] + ": " + errors);
}

std::string found_program(const std::string& name) {
  std::string out;
  if (testbed::run({"/bin/sh", "-c", "command -v " + name}, &out) != 0) return "";
  return out.substr(0, out.find('\n'));
}

std::string bare(const std::string& address) { return address.substr(0, address.find('/')); }

// "00:20:4a:a1:00:01" -> "00-20-4A-A1-00-01"
std::string library_mac(std::string mac) {
  for (char& c : mac) c = c == ':' ? '-' : static_cast<char>(std::toupper(c));
  return mac;
}

class Plant {
 public:
  Plant() : dir_("vornen-plant") {
    lines_.push_back({"line1",
                      "10.250.1.2",
                      {{"00-20-4A-A1-00-01", "192.168.16.51/24", "192.168.16.101/24", true},
                       {"00:20:4a:a1:00:02", "", "192.168.16.102/24"},
                       {"00-20-4a-a1-00-03", "192.168.16.103/24", "192.168.16.103"}},
                      nullptr});
    lines_.push_back({"line2",
                      "10.250.2.2",
                      {{"00-20-4A-A2-00-01", "", "192.168.16.101/24"},
                       {"00-20-4A-A2-00-99", "absent", "192.168.16.109/24"},
                       {"00:20:4A:A2:00:02", "192.168.16.62/24", "192.168.16.102/24", true}},
                      nullptr});
    controller_ = std::make_unique<testbed::TestBed>("");
    must_run({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "controller", "-f",
              dir_.file("client_key")});
    std::string known_hosts;
    for (std::size_t i = 0; i < lines_.size(); ++i) known_hosts += make_line(lines_[i], i + 1);
    write_file(dir_.file("known_hosts"), known_hosts);
    write_configuration();
    for (const Line& line : lines_) wait_for_ssh(line.management);
    std::string output;
    if (ansible({"ansible-galaxy", "collection", "install", "--offline", "-p",
                 dir_.file("collections"), g_paths.collection},
                &output) != 0)
      throw std::runtime_error("collection install failed:\n" + output);
  }

  ~Plant() {
    for (pid_t pid : simulators_) devsim::stop_simulator(pid);
  }

  const std::vector<Line>& lines() const { return lines_; }

  // Runs an ansible program in the controller's namespace with everything
  // it writes inside the run directory.
  int ansible(const std::vector<std::string>& argv, std::string* output) const {
    std::vector<std::string> command = {
        "/usr/bin/env",
        "-i",
        "PATH=/usr/sbin:/usr/bin:/sbin:/bin",
        "LC_ALL=C.UTF-8",
        "HOME=" + dir_.file("home"),
        "ANSIBLE_CONFIG=" + dir_.file("ansible.cfg"),
        "ANSIBLE_HOME=" + dir_.file("ansible-home"),
        "ANSIBLE_LOCAL_TEMP=" + dir_.file("local-tmp"),
        "ANSIBLE_REMOTE_TMP=" + dir_.file("remote-tmp"),
        "ANSIBLE_NOCOLOR=1",
    };
    command.insert(command.end(), argv.begin(), argv.end());
    std::string errors;
    const int status = testbed::run_in(controller_->pc(), command, output, &errors);
    *output += errors;
    return status;
  }

  int playbook(const std::string& name, const std::vector<std::string>& options,
               std::string* output) const {
    std::vector<std::string> argv = {"ansible-playbook"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(g_paths.playbooks + "/" + name);
    return ansible(argv, output);
  }

  // What the scan playbook found on each line: MAC -> address.
  std::map<std::string, std::map<std::string, std::string>> scan() const {
    std::string output;
    if (playbook("scan.yml", {}, &output) != 0) throw std::runtime_error("scan failed:\n" + output);
    std::map<std::string, std::map<std::string, std::string>> found;
    for (const Line& line : lines_) {
      std::istringstream in(read_file(scan_file(line)));
      std::string row;
      while (std::getline(in, row)) {
        const auto equals = row.find('=');
        if (equals != std::string::npos)
          found[line.name][row.substr(0, equals)] = row.substr(equals + 1);
      }
    }
    return found;
  }

  // The permanent neighbour entries of a line's PC, as ip shows them.
  std::string permanent_entries(const Line& line) const {
    std::string out;
    testbed::run_in(line.bed->pc(), {"/usr/sbin/ip", "neigh", "show", "nud", "permanent"}, &out);
    return out;
  }

 private:
  std::string scan_file(const Line& line) const { return dir_.file("scan-" + line.name); }

  // The line's bed with its devices, its management link to the controller
  // and its sshd; returns its known_hosts line.
  std::string make_line(Line& line, std::size_t n) {
    line.bed = std::make_unique<testbed::TestBed>("192.168.16.1/24");
    testbed::TestBed& bed = *line.bed;
    for (const DeviceSpec& d : line.devices) {
      if (d.initial == "absent") continue;
      const testbed::Device made = bed.add_device(d.mac, d.initial);
      const std::string log = dir_.file(line.name + "-" + library_mac(d.mac));
      std::vector<std::string> args = {"--mac", library_mac(d.mac), "--interface", "eth0",
                                       "--log", log + ".log"};
      if (d.retake) args.emplace_back("--retake");
      const pid_t pid = devsim::start_simulator(made.ns, args, log + ".ready", 10s);
      if (pid < 0) throw std::runtime_error("simulator " + d.mac + " did not start");
      simulators_.push_back(pid);
    }
    const std::string port = "m" + std::to_string(n);
    const std::string net = "10.250." + std::to_string(n) + ".";
    controller_->pc_ip(
        {"link", "add", port, "type", "veth", "peer", "name", "mgmt0", "netns", bed.pc()});
    controller_->pc_ip({"addr", "add", net + "1/24", "dev", port});
    controller_->pc_ip({"link", "set", port, "up"});
    bed.pc_ip({"addr", "add", line.management + "/24", "dev", "mgmt0"});
    bed.pc_ip({"link", "set", "mgmt0", "up"});

    const std::string key = dir_.file(line.name + "_host_key");
    must_run({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", line.name, "-f", key});
    const std::string config = dir_.file(line.name + "_sshd_config");
    write_file(config, "ListenAddress " + line.management + ":22\n" + "HostKey " + key + "\n" +
                           "AuthorizedKeysFile " + dir_.file("client_key.pub") + "\n" +
                           "PermitRootLogin prohibit-password\n"
                           "PasswordAuthentication no\n"
                           "KbdInteractiveAuthentication no\n"
                           "UsePAM no\n"
                           // The keys lie under /tmp.
                           "StrictModes no\n"
                           "PidFile none\n"
                           // No start-up files of the real home for every task.
                           "SetEnv HOME=" +
                           dir_.file("home") +
                           "\n"
                           "Subsystem sftp internal-sftp\n");
    // sshd needs its privilege-separation directory under /run: a private
    // /run in a mount namespace of its own leaves the machine's alone.
    bed.spawn(bed.pc(), {"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c",
                         "mount -t tmpfs tmpfs /run && mkdir -m 0755 /run/sshd && exec " +
                             std::string(kSshd) + " -D -e -f " + config + " -E " +
                             dir_.file(line.name + "_sshd.log")});
    return line.management + " " + read_file(key + ".pub");
  }

  void write_configuration() {
    for (const char* sub : {"home", "ansible-home", "local-tmp", "remote-tmp", "cp"})
      must_run({"/bin/mkdir", "-p", dir_.file(sub)});
    write_file(dir_.file("ansible.cfg"),
               "[defaults]\n"
               "inventory = " +
                   dir_.file("inventory.yml") +
                   "\n"
                   "collections_path = " +
                   dir_.file("collections") +
                   "\n"
                   "remote_tmp = " +
                   dir_.file("remote-tmp") +
                   "\n"
                   "local_tmp = " +
                   dir_.file("local-tmp") +
                   "\n"
                   "forks = 2\n"
                   "host_key_checking = True\n"
                   "interpreter_python = /usr/bin/python3\n"
                   "retry_files_enabled = False\n"
                   "[ssh_connection]\n"
                   "pipelining = True\n"
                   "control_path_dir = " +
                   dir_.file("cp") +
                   "\n"
                   "ssh_args = -F /dev/null -o ControlMaster=auto -o ControlPersist=30s "
                   "-o IdentitiesOnly=yes -o IdentityFile=" +
                   dir_.file("client_key") + " -o UserKnownHostsFile=" + dir_.file("known_hosts") +
                   " -o StrictHostKeyChecking=yes\n");
    std::string inventory =
        "lines:\n"
        "  vars:\n"
        "    ansible_user: root\n"
        "    ansible_become_method: su\n"
        "    vornen_interface: pc0\n"
        "    vornen_environment:\n"
        "      PYTHONPATH: " +
        g_paths.python +
        "\n"
        "      VORNEN_LIBRARY: " +
        g_paths.library +
        "\n"
        "  hosts:\n";
    for (const Line& line : lines_) {
      inventory += "    " + line.name + ":\n      ansible_host: " + line.management +
                   "\n      vornen_scan_file: " + scan_file(line) + "\n      vornen_devices:\n";
      for (const DeviceSpec& d : line.devices)
        inventory += "        - {mac: \"" + d.mac + "\", address: \"" + d.wanted + "\"}\n";
    }
    write_file(dir_.file("inventory.yml"), inventory);
  }

  // Polls until the line's sshd takes connections from the controller.
  void wait_for_ssh(const std::string& address) const {
    bool up = false;
    std::thread probe = controller_->thread_in(controller_->pc(), [&] {
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(22);
      ::inet_pton(AF_INET, address.c_str(), &to.sin_addr);
      const auto deadline = Clock::now() + 30s;
      while (!up && Clock::now() < deadline) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        up = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
        ::close(fd);
        if (!up) std::this_thread::sleep_for(50ms);
      }
    });
    probe.join();
    if (!up) throw std::runtime_error("sshd at " + address + " did not start");
  }

  testbed::RunDirectory dir_;
  std::unique_ptr<testbed::TestBed> controller_;
  std::vector<Line> lines_;
  std::vector<pid_t> simulators_;
};

Plant* g_plant = nullptr;

// "line1 : ok=1 changed=1 unreachable=0 failed=0 ..." -> {"changed": 1, ...}
std::map<std::string, std::map<std::string, int>> recap(const std::string& output) {
  std::map<std::string, std::map<std::string, int>> hosts;
  const std::regex row(
      R"((line\d+)\s*:\s*ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+failed=(\d+))");
  for (std::sregex_iterator it(output.begin(), output.end(), row), end; it != end; ++it)
    hosts[(*it)[1]] = {{"ok", std::stoi((*it)[2])},
                       {"changed", std::stoi((*it)[3])},
                       {"unreachable", std::stoi((*it)[4])},
                       {"failed", std::stoi((*it)[5])}};
  return hosts;
}

// What each line's devices answer at: initially, or once provisioned.
std::map<std::string, std::map<std::string, std::string>> expected(bool provisioned) {
  std::map<std::string, std::map<std::string, std::string>> found;
  for (const Line& line : g_plant->lines()) {
    auto& devices = found[line.name];
    for (const DeviceSpec& d : line.devices) {
      if (d.initial == "absent") continue;
      const std::string at = provisioned ? d.wanted : d.initial;
      if (!at.empty()) devices[library_mac(d.mac)] = bare(at);
    }
  }
  return found;
}

TEST(Plant, CheckModeReportsTheChangesAndMakesNone) {
  std::string output;
  ASSERT_EQ(g_plant->playbook("provision.yml", {"--check", "--diff"}, &output), 0) << output;
  const auto hosts = recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("changed"), 1) << output;
  EXPECT_EQ(hosts.at("line2").at("changed"), 1) << output;
  EXPECT_NE(output.find("+00-20-4A-A1-00-01: 192.168.16.101/24"), std::string::npos) << output;
  EXPECT_EQ(g_plant->scan(), expected(false));
  for (const Line& line : g_plant->lines()) EXPECT_EQ(g_plant->permanent_entries(line), "");
}

TEST(Plant, ProvisionsEveryDeviceButTheAbsentOne) {
  std::string output;
  EXPECT_NE(g_plant->playbook("provision.yml", {}, &output), 0) << output;
  const auto hosts = recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("failed"), 0) << output;
  EXPECT_EQ(hosts.at("line2").at("failed"), 1) << output;
  // The absent device's item fails with the library's result code; the
  // device after it in the list is provisioned all the same.
  EXPECT_NE(output.find("00-20-4A-A2-00-99"), std::string::npos);
  EXPECT_NE(output.find("\"result_code\""), std::string::npos) << output;
  EXPECT_EQ(g_plant->scan(), expected(true));
}

TEST(Plant, SecondRunChangesNothing) {
  std::string output;
  g_plant->playbook("provision.yml", {}, &output);
  const auto hosts = recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("changed"), 0) << output;
  EXPECT_EQ(hosts.at("line2").at("changed"), 0) << output;
  EXPECT_EQ(hosts.at("line1").at("failed"), 0) << output;
  EXPECT_EQ(g_plant->scan(), expected(true));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s COLLECTION PLAYBOOK_DIR PYTHON_DIR LIBRARY\n", argv[0]);
    return 2;
  }
  g_paths = {argv[1], argv[2], argv[3], argv[4]};
  std::string missing;
  if (!testbed::available())
    missing = testbed::unavailable_reason();
  else if (found_program("ansible-playbook").empty())
    missing = "no ansible-playbook (ansible-core)";
  else if (::access(kSshd, X_OK) != 0)
    missing = std::string("no ") + kSshd + " (openssh-server)";
  if (!missing.empty()) {
    std::printf("skipped: %s\n", missing.c_str());
    return 77;
  }
  try {
    Plant plant;
    g_plant = &plant;
    return RUN_ALL_TESTS();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "the plant could not be made: %s\n", e.what());
    return 1;
  }
}
