#include "testbed/run_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(RunDirectory, FreshPrivateDirectoryRemovedWithWhatItHolds) {
  std::string path;
  {
    const testbed::RunDirectory a("vornen-run");
    const testbed::RunDirectory b("vornen-run");
    path = a.path();
    EXPECT_NE(a.path(), b.path());
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "nobody else may plant a file in it";
    std::ofstream(a.file("events.log")) << "written";
    EXPECT_TRUE(std::filesystem::exists(a.file("events.log")));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(RunDirectory, KeptForTheReaderWhenAsked) {
  std::string path;
  {
    const testbed::RunDirectory kept("vornen-run", /*keep=*/true);
    path = kept.path();
    std::ofstream(kept.file("events.log")) << "written";
  }
  EXPECT_TRUE(std::filesystem::exists(path + "/events.log"));
  std::filesystem::remove_all(path);
}

}  // namespace
