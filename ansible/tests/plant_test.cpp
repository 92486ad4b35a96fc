// The collection in a small plant of the test bed (plant.h): two segment
// PCs, each with its own segment of simulated devices, provisioned from one
// inventory by ansible-playbook in the controller's namespace.
//
//   vornen_ansible_plant COLLECTION_TARBALL PLAY_DIR PYTHON_DIR LIBRARY
//
// Exit status 77 (skipped, one line saying why) without root, ansible-core
// or sshd.
#include "plant.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using plant::DeviceSpec;
using plant::Line;

plant::Plant* g_plant = nullptr;
std::string g_docs;  // docs/ansible.md

// Both lines use the same addresses: each is a segment of its own. One
// device of line2 is in the list but not on the segment.
std::vector<Line> lines() {
  return {{"line1",
           {{"00-20-4A-A1-00-01", "192.168.16.51/24", "192.168.16.101/24", true},
            {"00:20:4a:a1:00:02", "", "192.168.16.102/24"},
            {"00-20-4a-a1-00-03", "192.168.16.103/24", "192.168.16.103"}}},
          {"line2",
           {{"00-20-4A-A2-00-01", "", "192.168.16.101/24"},
            {"00-20-4A-A2-00-99", "absent", "192.168.16.109/24"},
            {"00:20:4A:A2:00:02", "192.168.16.62/24", "192.168.16.102/24", true}}}};
}

std::string bare(const std::string& address) { return address.substr(0, address.find('/')); }

// What each line's devices answer at: initially, or once provisioned.
plant::Found expected(bool provisioned) {
  plant::Found found;
  for (const Line& line : g_plant->lines()) {
    auto& devices = found[line.name];
    for (const DeviceSpec& d : line.devices) {
      if (d.initial == "absent") continue;
      const std::string at = provisioned ? d.wanted : d.initial;
      if (!at.empty()) devices[plant::library_mac(d.mac)] = bare(at);
    }
  }
  return found;
}

TEST(Plant, CheckModeReportsTheChangesAndMakesNone) {
  std::string output;
  ASSERT_EQ(g_plant->playbook("provision.yml", {"--check", "--diff"}, &output), 0) << output;
  const auto hosts = plant::recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("changed"), 1) << output;
  EXPECT_EQ(hosts.at("line2").at("changed"), 1) << output;
  EXPECT_NE(output.find("-00-20-4A-A1-00-01: 192.168.16.51\n+00-20-4A-A1-00-01: 192.168.16.101/24"),
            std::string::npos)
      << output;
  EXPECT_EQ(g_plant->scan(), expected(false));
  EXPECT_EQ(g_plant->permanent_entries(0), "");
  EXPECT_EQ(g_plant->permanent_entries(1), "");
}

TEST(Plant, ProvisionsEveryDeviceButTheAbsentOne) {
  std::string output;
  EXPECT_NE(g_plant->playbook("provision.yml", {}, &output), 0) << output;
  const auto hosts = plant::recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("failed"), 0) << output;
  EXPECT_EQ(hosts.at("line2").at("failed"), 1) << output;
  // The absent device's item fails with the library's result code; the
  // device after it in the list is provisioned all the same.
  EXPECT_NE(output.find("failed: [line2] (item=00-20-4A-A2-00-99"), std::string::npos) << output;
  EXPECT_NE(output.find("\"result_code\": -"), std::string::npos) << output;
  EXPECT_EQ(g_plant->scan(), expected(true));
}

TEST(Plant, SecondRunChangesNothing) {
  std::string output;
  g_plant->playbook("provision.yml", {}, &output);
  const auto hosts = plant::recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("changed"), 0) << output;
  EXPECT_EQ(hosts.at("line2").at("changed"), 0) << output;
  EXPECT_EQ(hosts.at("line1").at("failed"), 0) << output;
  EXPECT_EQ(g_plant->scan(), expected(true));
}

// The playbook docs/ansible.md gives a plant to start from, as it stands
// there: with everything in place it changes nothing, and only the absent
// device fails.
TEST(Plant, DocumentedPlaybookRuns) {
  std::ifstream in(g_docs);
  const std::string docs((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string start = "```yaml\n# provision.yml\n";
  const auto begin = docs.find(start);
  ASSERT_NE(begin, std::string::npos) << g_docs;
  const auto end = docs.find("```\n", begin + start.size());
  ASSERT_NE(end, std::string::npos);
  const std::string play =
      g_plant->write("documented.yml", docs.substr(begin + 8, end - begin - 8));
  std::string output;
  EXPECT_NE(g_plant->playbook(play, {}, &output), 0) << output;
  const auto hosts = plant::recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("ok"), 3) << output;
  EXPECT_EQ(hosts.at("line1").at("changed"), 0) << output;
  EXPECT_EQ(hosts.at("line1").at("failed"), 0) << output;
  EXPECT_EQ(hosts.at("line2").at("failed"), 1) << output;
}

TEST(Plant, CommandSendsNothingInCheckModeAndReadsTheReply) {
  std::string checked;
  ASSERT_EQ(g_plant->playbook("command.yml", {"--check"}, &checked), 0) << checked;
  EXPECT_EQ(checked.find("OK:VERSION"), std::string::npos) << checked;
  std::string output;
  ASSERT_EQ(g_plant->playbook("command.yml", {}, &output), 0) << output;
  const auto hosts = plant::recap(output);
  ASSERT_EQ(hosts.size(), 2u) << output;
  EXPECT_EQ(hosts.at("line1").at("changed"), 1) << output;
  std::size_t replies = 0;
  for (auto at = output.find("\"answer.reply\": \"OK:VERSION\""); at != std::string::npos;
       at = output.find("\"answer.reply\": \"OK:VERSION\"", at + 1))
    ++replies;
  EXPECT_EQ(replies, 2u) << output;
}

TEST(Plant, ForcedSetForgetsItsEntryOnRequest) {
  ASSERT_NE(g_plant->permanent_entries(0).find("192.168.16.101 "), std::string::npos);
  std::string output;
  ASSERT_EQ(g_plant->playbook("forget.yml", {}, &output), 0) << output;
  EXPECT_EQ(plant::recap(output).at("line1").at("changed"), 1) << output;
  const std::string entries = g_plant->permanent_entries(0);
  EXPECT_EQ(entries.find("192.168.16.101 "), std::string::npos) << entries;
  EXPECT_NE(entries.find("192.168.16.102 "), std::string::npos) << entries;
  EXPECT_EQ(g_plant->scan(), expected(true));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The documentation lies beside the play folder's project.
  if (argc > 2) g_docs = std::string(argv[2]) + "/../../../docs/ansible.md";
  return plant::run(argc, argv, lines(), [](plant::Plant& made) {
    g_plant = &made;
    return RUN_ALL_TESTS();
  });
}
