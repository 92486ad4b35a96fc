#include <gtest/gtest.h>

#include <cstring>

#include "VornEN.h"

namespace {

TEST(Version, FullCapacityGivesTextTerminatorAndLength) {
  char buffer[100];
  std::memset(buffer, 'x', sizeof buffer);
  std::int32_t length = 100;
  EXPECT_EQ(En_Get_Dll_Version(buffer, &length), 0);
  EXPECT_EQ(length, 21);
  EXPECT_STREQ(buffer, "VornEN.DLL Rev. 1.001");
  EXPECT_EQ(buffer[22], 'x') << "nothing written after the terminator";
}

TEST(Version, ShortCapacityGivesThatManyCharactersWithoutTerminator) {
  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  std::int32_t length = 10;
  EXPECT_EQ(En_Get_Dll_Version(buffer, &length), 0);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(std::memcmp(buffer, "VornEN.DLL", 10), 0);
  EXPECT_EQ(buffer[10], 'x');
  length = 21;
  EXPECT_EQ(En_Get_Dll_Version(buffer, &length), 0);
  EXPECT_EQ(length, 21) << "21 leaves no room for the terminator";
  EXPECT_EQ(buffer[20], '1');
  EXPECT_EQ(buffer[21], 'x');
}

TEST(Version, ZeroNegativeAndMissingArguments) {
  char buffer[8] = "keep";
  std::int32_t length = 0;
  EXPECT_EQ(En_Get_Dll_Version(buffer, &length), ERR_ILLEGAL_INPUT_PARAMETER);
  length = -1;
  EXPECT_EQ(En_Get_Dll_Version(buffer, &length), 0);
  EXPECT_EQ(length, -1);
  EXPECT_STREQ(buffer, "keep");
  length = 100;
  EXPECT_EQ(En_Get_Dll_Version(nullptr, &length), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_EQ(En_Get_Dll_Version(buffer, nullptr), ERR_ILLEGAL_INPUT_PARAMETER);
  EXPECT_STREQ(buffer, "keep");
}

}  // namespace
