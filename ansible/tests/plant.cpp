#include "plant.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "testbed/simulator.h"

namespace plant {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kSshd = "/usr/sbin/sshd";

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
    throw std::runtime_error("failed: " + argv[0] + ": " + errors);
}

bool have_program(const std::string& name) {
  return testbed::run({"/bin/sh", "-c", "command -v " + name}) == 0;
}

std::string management_address(std::size_t n, int host) {
  return "10.250." + std::to_string(n) + "." + std::to_string(host);
}

}  // namespace

std::string missing() {
  if (!testbed::available()) return testbed::unavailable_reason();
  if (!have_program("ansible-playbook") || !have_program("ansible-galaxy"))
    return "no ansible-playbook (ansible-core)";
  if (::access(kSshd, X_OK) != 0) return std::string("no ") + kSshd + " (openssh-server)";
  return "";
}

std::string library_mac(std::string mac) {
  for (char& c : mac)
    c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return mac;
}

Plant::Plant(const Paths& paths, std::vector<Line> lines)
    : paths_(paths), dir_("vornen-plant"), lines_(std::move(lines)) {
  controller_ = std::make_unique<testbed::TestBed>("");
  for (const char* sub : {"home", "ansible-home", "local-tmp", "remote-tmp", "cp"})
    must_run({"/bin/mkdir", dir_.file(sub)});
  must_run({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "controller", "-f",
            dir_.file("client_key")});
  std::string known_hosts;
  for (std::size_t i = 0; i < lines_.size(); ++i) known_hosts += make_line(i + 1);
  write_file(dir_.file("known_hosts"), known_hosts);
  write_configuration();
  write_inventory();
  for (std::size_t i = 0; i < lines_.size(); ++i) wait_for_ssh(management_address(i + 1, 2));
  std::string output;
  if (ansible({"ansible-galaxy", "collection", "install", "--offline", "-p",
               dir_.file("collections"), paths_.collection},
              &output) != 0)
    throw std::runtime_error("collection install failed:\n" + output);
}

Plant::~Plant() {
  for (pid_t pid : simulators_) testbed::stop_simulator(pid);
}

void Plant::set_lines(std::vector<Line> lines) {
  lines_ = std::move(lines);
  write_inventory();
}

int Plant::ansible(const std::vector<std::string>& argv, std::string* output) const {
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

int Plant::playbook(const std::string& name, const std::vector<std::string>& options,
                    std::string* output) const {
  std::vector<std::string> argv = {"ansible-playbook"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(name[0] == '/' ? name : paths_.playbooks + "/" + name);
  return ansible(argv, output);
}

std::string Plant::write(const std::string& name, const std::string& text) const {
  write_file(dir_.file(name), text);
  return dir_.file(name);
}

Found Plant::scan() const {
  std::string output;
  if (playbook("scan.yml", {}, &output) != 0) throw std::runtime_error("scan failed:\n" + output);
  Found found;
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

std::string Plant::permanent_entries(std::size_t line) const {
  std::string out;
  testbed::run_in(beds_.at(line)->pc(), {"/usr/sbin/ip", "neigh", "show", "nud", "permanent"},
                  &out);
  return out;
}

// Line n's bed with its devices, its management link to the controller and
// its sshd; returns its known_hosts line.
std::string Plant::make_line(std::size_t n) {
  const Line& line = lines_.at(n - 1);
  beds_.push_back(std::make_unique<testbed::TestBed>("192.168.16.1/24"));
  testbed::TestBed& bed = *beds_.back();
  for (const DeviceSpec& d : line.devices) {
    if (d.initial == "absent") continue;
    const testbed::Device made = bed.add_device(d.mac, d.initial);
    const std::string log = dir_.file(line.name + "-" + library_mac(d.mac));
    std::vector<std::string> args = {"--mac", library_mac(d.mac), "--interface", "eth0",
                                     "--log", log + ".log"};
    if (d.retake) args.emplace_back("--retake");
    const pid_t pid = testbed::start_simulator(made.ns, args, log + ".ready", 10s);
    if (pid < 0) throw std::runtime_error("simulator " + d.mac + " did not start");
    simulators_.push_back(pid);
  }
  // The PC's second adapter, mgmt0, goes to the controller.
  const std::string port = "m" + std::to_string(n);
  const std::string address = management_address(n, 2);
  controller_->pc_ip(
      {"link", "add", port, "type", "veth", "peer", "name", "mgmt0", "netns", bed.pc()});
  controller_->pc_ip({"addr", "add", management_address(n, 1) + "/24", "dev", port});
  controller_->pc_ip({"link", "set", port, "up"});
  bed.pc_ip({"addr", "add", address + "/24", "dev", "mgmt0"});
  bed.pc_ip({"link", "set", "mgmt0", "up"});

  const std::string key = dir_.file(line.name + "_host_key");
  must_run({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", line.name, "-f", key});
  const std::string config = dir_.file(line.name + "_sshd_config");
  write_file(config, "ListenAddress " + address + ":22\nHostKey " + key + "\nAuthorizedKeysFile " +
                         dir_.file("client_key.pub") +
                         "\nPermitRootLogin prohibit-password\n"
                         "PasswordAuthentication no\n"
                         "KbdInteractiveAuthentication no\n"
                         "UsePAM no\n"
                         // The keys lie under /tmp.
                         "StrictModes no\n"
                         "PidFile none\n"
                         // No start-up files of the real home for every task.
                         "SetEnv HOME=" +
                         dir_.file("home") +
                         // The module vornen of this build, as python3-vornen
                         // would be on a segment PC.
                         " PYTHONPATH=" + paths_.python + " VORNEN_LIBRARY=" + paths_.library +
                         "\nSubsystem sftp internal-sftp\n");
  // sshd needs its privilege-separation directory under /run: a private /run
  // in a mount namespace of its own leaves the machine's alone.
  bed.spawn(bed.pc(),
            {"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c",
             "mount -t tmpfs tmpfs /run && mkdir -m 0755 /run/sshd && exec " + std::string(kSshd) +
                 " -D -e -f " + config + " -E " + dir_.file(line.name + "_sshd.log")});
  return address + " " + read_file(key + ".pub");
}

void Plant::write_configuration() const {
  write_file(dir_.file("ansible.cfg"),
             "[defaults]\ninventory = " + dir_.file("inventory.yml") + "\ncollections_path = " +
                 dir_.file("collections") + "\nremote_tmp = " + dir_.file("remote-tmp") +
                 "\nlocal_tmp = " + dir_.file("local-tmp") +
                 "\nforks = 2\n"
                 "host_key_checking = True\n"
                 "interpreter_python = /usr/bin/python3\n"
                 "retry_files_enabled = False\n"
                 "[ssh_connection]\n"
                 "pipelining = True\n"
                 "control_path_dir = " +
                 dir_.file("cp") +
                 "\nssh_args = -F /dev/null -o ControlMaster=auto -o ControlPersist=30s "
                 "-o IdentitiesOnly=yes -o IdentityFile=" +
                 dir_.file("client_key") + " -o UserKnownHostsFile=" + dir_.file("known_hosts") +
                 " -o StrictHostKeyChecking=yes\n");
}

void Plant::write_inventory() const {
  // The PCs connect as root; su stands in for the become a plant would use.
  std::string inventory =
      "lines:\n  vars:\n    ansible_user: root\n"
      "    ansible_become_method: su\n"
      "    vornen_interface: pc0\n"
      "    vornen_environment:\n      PYTHONPATH: " +
      paths_.python + "\n      VORNEN_LIBRARY: " + paths_.library + "\n  hosts:\n";
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    inventory += "    " + line.name + ":\n      ansible_host: " + management_address(i + 1, 2) +
                 "\n      vornen_scan_file: " + scan_file(line) + "\n      vornen_devices:\n";
    for (const DeviceSpec& d : line.devices)
      inventory += "        - {mac: \"" + d.mac + "\", address: \"" + d.wanted + "\"}\n";
  }
  write_file(dir_.file("inventory.yml"), inventory);
}

// Polls until the sshd at `address` takes connections from the controller.
void Plant::wait_for_ssh(const std::string& address) const {
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

std::map<std::string, std::map<std::string, int>> recap(const std::string& output) {
  std::map<std::string, std::map<std::string, int>> hosts;
  const std::regex row(
      R"((\S+)\s*:\s*ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+failed=(\d+))");
  for (std::sregex_iterator it(output.begin(), output.end(), row), end; it != end; ++it)
    hosts[(*it)[1]] = {{"ok", std::stoi((*it)[2])},
                       {"changed", std::stoi((*it)[3])},
                       {"unreachable", std::stoi((*it)[4])},
                       {"failed", std::stoi((*it)[5])}};
  return hosts;
}

int run(int argc, char** argv, std::vector<Line> lines, const std::function<int(Plant&)>& body) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s COLLECTION_TARBALL PLAY_DIR PYTHON_DIR LIBRARY\n", argv[0]);
    return 2;
  }
  if (const std::string why = missing(); !why.empty()) {
    std::printf("skipped: %s\n", why.c_str());
    return 77;
  }
  try {
    Plant made({argv[1], argv[2], argv[3], argv[4]}, std::move(lines));
    return body(made);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

}  // namespace plant
