// A host that lacks only nvLaunchICADialog, the last name: the binding
// passes and only that pointer is null.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "host/bind_host_functions.h"
#include "host_pointer_table.h"
#include "plugin_library.h"

namespace quorvel_test {
namespace {

TEST(BindingWithoutICADialog, PassesWithOnlyThatPointerNull) {
  void* host = dlopen(NORAVIA_SIM_NO_ICA_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(host, nullptr) << dlerror();
  ASSERT_EQ(dlsym(host, "nvLaunchICADialog"), nullptr);

  EXPECT_TRUE(quorvel::bindHostFunctions());
  for (const HostPointer& pointer : hostPointers()) {
    if (pointer.name == "nvLaunchICADialog") {
      EXPECT_EQ(pointer.value, nullptr);
    } else {
      EXPECT_NE(pointer.value, nullptr) << pointer.name;
      EXPECT_EQ(pointer.value, dlsym(host, pointer.name.c_str())) << pointer.name;
    }
  }

  // The plug-in starts on this host (a fresh host has a VMR current).
  PluginLibrary library(PluginLibrary::builtPath());
  ASSERT_TRUE(library.loaded()) << library.error();
  NRVAPluginInterface* plugin = library.createPlugin();
  ASSERT_NE(plugin, nullptr);
  EXPECT_TRUE(plugin->initPlugin());
  destroyPlugin(plugin);
}

}  // namespace
}  // namespace quorvel_test
