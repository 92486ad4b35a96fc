// What the drivers' tests share: each runs once per architecture, named by
// it, and only where the test bed and that architecture's programs are.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "testbed/testbed.h"
#include "wine_session.h"

namespace vornen::wine {

// Skips the test where there is no test bed or `bin_variable` names no
// folder, and fails it where Wine cannot run that architecture's programs;
// else `bin` is the folder. The caller returns when the test is skipped or
// failed.
inline void require_architecture(const char* bin_variable, std::string* bin) {
  if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
  *bin = env(bin_variable);
  if (bin->empty()) GTEST_SKIP() << bin_variable << " is not set";
  const std::string unusable = Session::unusable_reason(bin_variable);
  ASSERT_TRUE(unusable.empty()) << unusable;
}

inline std::string test_name(const ::testing::TestParamInfo<const char*>& info) {
  return architecture(info.param);
}

}  // namespace vornen::wine

// The tests of `suite`, a TestWithParam<const char*>, once per architecture:
// the parameter is the variable that names its build's program folder.
#define VORNEN_WINE_ARCHITECTURES(suite)                                              \
  INSTANTIATE_TEST_SUITE_P(Architectures, suite,                                      \
                           ::testing::Values("VORNEN_WIN32_BIN", "VORNEN_WIN64_BIN"), \
                           ::vornen::wine::test_name)
