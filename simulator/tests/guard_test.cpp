// The simulator changes its interface's MAC and addresses and answers on the
// network, so it must refuse to run in the machine's own network namespace,
// also when that namespace has been given a name. The interface named here
// does not exist, so even a broken guard could touch nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "testbed/simulator.h"
#include "testbed/testbed.h"

namespace devsim {
namespace {

constexpr const char* kRefusal = "refusing to run in the machine's own network namespace";
const std::vector<std::string> kHarmless = {"--interface", "vsim-none0", "--mac",
                                            "00-20-4A-8D-72-33"};

std::vector<std::string> simulator(std::vector<std::string> prefix,
                                   const std::vector<std::string>& extra = {}) {
  prefix.emplace_back(testbed::simulator_path());
  prefix.insert(prefix.end(), kHarmless.begin(), kHarmless.end());
  prefix.insert(prefix.end(), extra.begin(), extra.end());
  return prefix;
}

// A name under /var/run/netns for the machine's own network namespace (the
// test's, as "ip netns attach NAME PID" makes it); removed again when the
// test ends. Its name does not start like the test bed's, whose sweep would
// empty it.
class HostNamespaceName {
 public:
  HostNamespaceName() : name_("vsim-host-" + std::to_string(::getpid())) {
    made_ =
        testbed::run({"/usr/sbin/ip", "netns", "attach", name_, std::to_string(::getpid())}) == 0;
  }
  ~HostNamespaceName() {
    if (made_) testbed::run({"/usr/sbin/ip", "netns", "delete", name_});
  }
  HostNamespaceName(const HostNamespaceName&) = delete;
  HostNamespaceName& operator=(const HostNamespaceName&) = delete;

  bool made() const { return made_; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  bool made_ = false;
};

class GuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
  }

  // Runs the program; what it said on either stream goes to `said`.
  int run(const std::vector<std::string>& argv) {
    std::string out;
    std::string err;
    const int status = testbed::run(argv, &out, &err);
    said = out + err;
    return status;
  }

  std::string said;
};

TEST_F(GuardTest, RefusesTheMachinesOwnNamespace) {
  EXPECT_EQ(run(simulator({})), 1);
  EXPECT_NE(said.find(kRefusal), std::string::npos) << said;
}

TEST_F(GuardTest, RefusesTheMachinesOwnNamespaceUnderAName) {
  HostNamespaceName alias;
  ASSERT_TRUE(alias.made());
  EXPECT_EQ(run(simulator({"/usr/sbin/ip", "netns", "exec", alias.name()})), 1);
  EXPECT_NE(said.find(kRefusal), std::string::npos) << said;
}

TEST_F(GuardTest, AnyNamespaceLetsItGoOnToItsInterface) {
  EXPECT_EQ(run(simulator({}, {"--any-namespace"})), 1);
  EXPECT_EQ(said.find(kRefusal), std::string::npos) << said;
  EXPECT_NE(said.find("no interface vsim-none0"), std::string::npos) << said;
}

TEST_F(GuardTest, RunsInATestBedNamespace) {
  testbed::TestBed bed;
  const auto device = bed.add_device("00-20-4A-8D-72-33", "");
  // Its own interface is eth0; vsim-none0 does not exist there either.
  EXPECT_EQ(run(simulator({"/usr/sbin/ip", "netns", "exec", device.ns})), 1);
  EXPECT_EQ(said.find(kRefusal), std::string::npos) << said;
  EXPECT_NE(said.find("no interface vsim-none0"), std::string::npos) << said;
}

}  // namespace
}  // namespace devsim
