// Binding a second time in the same process rewrites all 150 pointers with
// what the lookup returns then; a lookup that finds no host changes none.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "host/bind_host_functions.h"
#include "host_pointer_table.h"

namespace quorvel_test {
namespace {

void expectBoundTo(void* host) {
  for (const HostPointer& pointer : hostPointers()) {
    void* expected = dlsym(host, pointer.name.c_str());
    EXPECT_NE(expected, nullptr) << pointer.name;
    EXPECT_EQ(pointer.value, expected) << pointer.name;
  }
}

TEST(BindingAgain, OverwritesEveryPointer) {
  void* host = dlopen(NORAVIA_SIM_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(host, nullptr) << dlerror();

  ASSERT_TRUE(quorvel::bindHostFunctions());
  expectBoundTo(host);

  setEveryHostPointer(stalePointer());
  ASSERT_TRUE(quorvel::bindHostFunctions());
  expectBoundTo(host);

  // The binding neither loads nor keeps the host: once the test lets go of
  // it, it is gone, and binding again fails without touching a pointer.
  ASSERT_EQ(dlclose(host), 0);
  if (dlopen(NORAVIA_SIM_PATH, RTLD_LAZY | RTLD_NOLOAD) != nullptr) {
    GTEST_SKIP() << "the dynamic linker keeps the host loaded";
  }
  setEveryHostPointer(stalePointer());
  EXPECT_FALSE(quorvel::bindHostFunctions());
  for (const HostPointer& pointer : hostPointers()) {
    EXPECT_EQ(pointer.value, stalePointer()) << pointer.name;
  }
  setEveryHostPointer(nullptr);
}

}  // namespace
}  // namespace quorvel_test
