#include "result_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "VornEN.h"

namespace vornen {
namespace {

// The table is generated from the header's list; every code there must come
// out with its own name and a description, and nothing else may.
TEST(ResultNames, EveryCodeOfTheHeaderHasItsNameAndDescription) {
  std::set<std::string> names;
  int named = 0;
  for (int code = -2000; code <= 0; ++code) {
    const char* name = result_name(code);
    if (name == nullptr) {
      EXPECT_STREQ(result_description(code), "unknown result code") << code;
      continue;
    }
    ++named;
    EXPECT_EQ(std::string(name).rfind("ERR_", 0), 0u) << code;
    EXPECT_STRNE(result_description(code), "unknown result code") << code;
    EXPECT_TRUE(names.insert(name).second) << "name used twice: " << name;
  }
  EXPECT_EQ(named, 46);
}

TEST(ResultNames, NamesAndDescriptionsAsTheHeaderGivesThem) {
  EXPECT_STREQ(result_name(ERR_WSASTARTUPFAIL), "ERR_WSASTARTUPFAIL");
  EXPECT_STREQ(result_name(-15), "ERR_TOOMANYNONETWORKINTERFACE");
  EXPECT_STREQ(result_description(-15),
               "more than one usable network adapter (VORNEN_INTERFACE or a program's own choice "
               "picks one)");
  EXPECT_STREQ(result_name(-400), "ERR_ILLEGALSTATE_ONRELSEASE");
  EXPECT_STREQ(result_name(ERR_NODEVICE_FORMAC), "ERR_NODEVICE_FORMAC");
  EXPECT_STREQ(result_description(-1008), "no device answered for that MAC address");
  EXPECT_STREQ(result_description(-1007), "the address is outside this PC's network");
}

TEST(ResultNames, SuccessAndUnknownCodesHaveNoName) {
  EXPECT_EQ(result_name(0), nullptr);
  EXPECT_EQ(result_name(-9), nullptr);
  EXPECT_EQ(result_name(1), nullptr);
  EXPECT_STREQ(result_description(-9999), "unknown result code");
}

}  // namespace
}  // namespace vornen
