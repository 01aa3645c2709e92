// A process without any module named "Noravia.exe": the binding fails and
// no pointer changes, and the plug-in's start-up fails silently.
#include <gtest/gtest.h>

#include "host/bind_host_functions.h"
#include "host_pointer_table.h"
#include "plugin_library.h"

namespace quorvel_test {
namespace {

TEST(BindingWithoutHost, FailsAndChangesNoPointer) {
  for (const HostPointer& pointer : hostPointers()) {
    ASSERT_EQ(pointer.value, nullptr) << pointer.name << " set at load";
  }
  EXPECT_FALSE(quorvel::bindHostFunctions());
  for (const HostPointer& pointer : hostPointers()) {
    EXPECT_EQ(pointer.value, nullptr) << pointer.name;
  }

  // A failed lookup leaves earlier values too.
  setEveryHostPointer(stalePointer());
  EXPECT_FALSE(quorvel::bindHostFunctions());
  for (const HostPointer& pointer : hostPointers()) {
    EXPECT_EQ(pointer.value, stalePointer()) << pointer.name;
  }
  setEveryHostPointer(nullptr);
}

TEST(BindingWithoutHost, PluginRefusesQuietly) {
  PluginLibrary library(PluginLibrary::builtPath());
  ASSERT_TRUE(library.loaded()) << library.error();
  NRVAPluginInterface* plugin = library.createPlugin();
  ASSERT_NE(plugin, nullptr);
  EXPECT_FALSE(plugin->initPlugin());
  // Not ready and the log entry point unbound: nothing to call, false.
  EXPECT_FALSE(plugin->execute());
  EXPECT_FALSE(plugin->initPlugin());
  destroyPlugin(plugin);
}

}  // namespace
}  // namespace quorvel_test
