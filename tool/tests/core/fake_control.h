#ifndef SETVORNIP_TESTS_CORE_FAKE_CONTROL_H
#define SETVORNIP_TESTS_CORE_FAKE_CONTROL_H

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "fake_vornen.h"
#include "platform.h"

namespace setvornip {

// The fake library's control functions, resolved by name from the file the
// binding under test loads too; reset for each test.
class FakeLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = ::dlopen(FAKE_VORNEN_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << ::dlerror();
    reset = Resolve<FakeResetFn>("fake_vornen_reset");
    set_result = Resolve<FakeSetResultFn>("fake_vornen_set_result");
    set_text = Resolve<FakeSetTextFn>("fake_vornen_set_text");
    set_length = Resolve<FakeSetLengthFn>("fake_vornen_set_length");
    calls = Resolve<FakeCallsFn>("fake_vornen_calls");
    last_host_bits = Resolve<FakeLastHostBitsFn>("fake_vornen_last_host_bits");
    last_mac = Resolve<FakeLastTextFn>("fake_vornen_last_mac");
    last_address = Resolve<FakeLastTextFn>("fake_vornen_last_address");
    set_hook = Resolve<FakeSetHookFn>("fake_vornen_set_hook");
    ASSERT_FALSE(HasFatalFailure());
    reset();
  }

  void TearDown() override {
    if (set_hook != nullptr) set_hook(nullptr);
    if (handle_ != nullptr) ::dlclose(handle_);
  }

  static LibraryFile Fake() { return {u"fake", {FAKE_VORNEN_FILE}}; }

  FakeResetFn reset = nullptr;
  FakeSetResultFn set_result = nullptr;
  FakeSetTextFn set_text = nullptr;
  FakeSetLengthFn set_length = nullptr;
  FakeCallsFn calls = nullptr;
  FakeLastHostBitsFn last_host_bits = nullptr;
  FakeLastTextFn last_mac = nullptr;
  FakeLastTextFn last_address = nullptr;
  FakeSetHookFn set_hook = nullptr;

 private:
  template <typename Fn>
  Fn Resolve(const char* name) {
    auto function = reinterpret_cast<Fn>(::dlsym(handle_, name));
    EXPECT_NE(function, nullptr) << name;
    return function;
  }

  void* handle_ = nullptr;
};

}  // namespace setvornip

#endif  // SETVORNIP_TESTS_CORE_FAKE_CONTROL_H
