// A host that exports everything but nvGetVersionOfNoravia: the binding
// fails, sets only the version pointer (to null) and leaves the others.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "host/bind_host_functions.h"
#include "host_pointer_table.h"
#include "plugin_library.h"

namespace quorvel_test {
namespace {

class BindingWithoutVersion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host_ = dlopen(NORAVIA_SIM_NO_VERSION_PATH, RTLD_NOW | RTLD_LOCAL);
  }
  void SetUp() override { ASSERT_NE(host_, nullptr) << dlerror(); }
  static void* host_;
};

void* BindingWithoutVersion::host_ = nullptr;

TEST_F(BindingWithoutVersion, FirstBindingFailsAndLeavesAllPointersNull) {
  ASSERT_EQ(dlsym(host_, "nvGetVersionOfNoravia"), nullptr);
  ASSERT_NE(dlsym(host_, "nvLogText"), nullptr);
  EXPECT_FALSE(quorvel::bindHostFunctions());
  for (const HostPointer& pointer : hostPointers()) {
    EXPECT_EQ(pointer.value, nullptr) << pointer.name;
  }
}

TEST_F(BindingWithoutVersion, OnlyTheVersionPointerChanges) {
  setEveryHostPointer(stalePointer());
  EXPECT_FALSE(quorvel::bindHostFunctions());
  EXPECT_EQ(quorvel::nvGetVersionOfNoravia, nullptr);
  for (const HostPointer& pointer : hostPointers()) {
    if (pointer.name == "nvGetVersionOfNoravia") continue;
    EXPECT_EQ(pointer.value, stalePointer()) << pointer.name;
  }
  setEveryHostPointer(nullptr);
}

TEST_F(BindingWithoutVersion, PluginRefusesQuietly) {
  PluginLibrary library(PluginLibrary::builtPath());
  ASSERT_TRUE(library.loaded()) << library.error();
  NRVAPluginInterface* plugin = library.createPlugin();
  ASSERT_NE(plugin, nullptr);
  EXPECT_FALSE(plugin->initPlugin());
  EXPECT_FALSE(plugin->execute());
  destroyPlugin(plugin);
}

}  // namespace
}  // namespace quorvel_test
