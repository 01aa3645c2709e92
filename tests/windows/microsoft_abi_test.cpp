// Quorvel1_2.dll driven as a host built with Microsoft's compiler drives it:
// every call into the plug-in's exports and object goes through call sites
// compiled in Microsoft's C++ ABI (microsoft_abi_calls.cpp), entered with
// ESP mod 16 equal to the program's argument (0, 4, 8 or 12). The full
// "Start" of reference_maps_test.cpp, linked into this program, runs through
// the same calls.
//
//   Noravia.exe RESIDUE    (the program must be named Noravia.exe)
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/support/plugin_scenario.h"
#include "tests/windows/microsoft_abi_host.h"

namespace quorvel_test {
namespace {

using Lines = std::vector<std::string>;

constexpr char kNotReady[] = "Plugin>  Initial requirements are not met!";

// True when every heap of the process passes HeapValidate.
bool heapsAreValid() {
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
  const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count == 0 || count > heaps.size()) return false;
  for (DWORD i = 0; i < count; ++i) {
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  }
  return true;
}

std::string text(TextFunction function) {
  const char* value = reinterpret_cast<const char*>(
      callMicrosoftAbi(CallSite::kText, reinterpret_cast<const void*>(function)));
  return value != nullptr ? value : "(null)";
}

TEST(MicrosoftAbiCallSites, EnterTheirCalleeAtTheChosenEspResidue) {
  for (CallSite site : {CallSite::kCreate, CallSite::kText, CallSite::kInitPlugin,
                        CallSite::kExecute, CallSite::kDelete}) {
    EXPECT_EQ(probedEntryResidue(site), microsoftAbiEspResidue())
        << "call site " << static_cast<int>(site);
  }
}

using MicrosoftAbiHost = PluginHostTest;

TEST_F(MicrosoftAbiHost, TheTextExportsAnswer) {
  EXPECT_EQ(text(library().getPluginName), "Quorvel 1.2");
  EXPECT_EQ(text(library().getPluginVersion), "1.2");
  EXPECT_EQ(text(library().getHelpFile), "HelpFolder/index.html");
  EXPECT_EQ(text(library().getGUIScript), "Quorvel1_0.js");
}

TEST_F(MicrosoftAbiHost, ExecuteIsRefusedUntilInitPluginThenACommandRuns) {
  EXPECT_FALSE(pluginCalls().execute(&plugin()));
  // Logged only when an earlier object bound the host already.
  EXPECT_THAT(host().log(),
              ::testing::AnyOf(::testing::IsEmpty(), ::testing::ElementsAre(kNotReady)));
  host().clearLog();

  ASSERT_TRUE(initPlugin());
  EXPECT_TRUE(runCommand("Smoke"));
  EXPECT_EQ(host().log(), (Lines{"\n** Starting Quorvel 1.2 **", "Plugin>  Command received: Smoke",
                                 "Plugin>  Received unknown command: \"Smoke\"."}));
}

TEST_F(MicrosoftAbiHost, AThousandObjectsComeAndGoWithTheHeapsIntact) {
  host().setStringParameter("Command", "Smoke");
  std::set<const void*> addresses;
  for (int cycle = 1; cycle <= 1000; ++cycle) {
    NRVAPluginInterface* object = pluginCalls().create(library().createPlugin);
    ASSERT_NE(object, nullptr) << "cycle " << cycle;
    addresses.insert(object);
    ASSERT_TRUE(pluginCalls().initPlugin(object)) << "cycle " << cycle;
    ASSERT_TRUE(pluginCalls().execute(object)) << "cycle " << cycle;
    pluginCalls().destroy(object);
    ASSERT_TRUE(heapsAreValid()) << "after cycle " << cycle;
    host().clearLog();
  }
  // Each delete gave the memory back: a few blocks served all 1000 objects.
  EXPECT_LE(addresses.size(), 4u);
}

}  // namespace
}  // namespace quorvel_test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  char* end = nullptr;
  const unsigned long residue = argc == 2 ? std::strtoul(argv[1], &end, 10) : 99;
  if (end == nullptr || *end != '\0' ||
      !quorvel_test::useMicrosoftAbiCalls(static_cast<unsigned>(residue))) {
    std::fprintf(stderr, "usage: Noravia.exe 0|4|8|12 (ESP mod 16 on entry)\n");
    return 2;
  }
  std::printf("Calls into the plug-in enter it with ESP mod 16 = %lu\n", residue);
  return RUN_ALL_TESTS();
}
