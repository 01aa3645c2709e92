// The calls of a host built with Microsoft's compiler (microsoft_abi_calls.cpp,
// compiled in that ABI), made at a chosen stack alignment.
//
// Such a host keeps its stack aligned to 4 bytes only, where GCC's 32-bit
// code expects 16 on entry. Every call below enters the plug-in's function
// with ESP mod 16 equal to the residue given to useMicrosoftAbiCalls().
#ifndef QUORVEL_TESTS_WINDOWS_MICROSOFT_ABI_HOST_H_
#define QUORVEL_TESTS_WINDOWS_MICROSOFT_ABI_HOST_H_

#include <cstdint>

#include "tests/support/plugin_calls.h"

namespace quorvel_test {

using TextFunction = const char* (*)();

// The Microsoft-compiled call sites, one call each. `function` is the
// plug-in's export, `plugin` the object.
extern "C" {
NRVAPluginInterface* microsoftCreatePlugin(CreatePluginFunction function);
const char* microsoftText(TextFunction function);
bool microsoftInitPlugin(NRVAPluginInterface* plugin);
bool microsoftExecute(NRVAPluginInterface* plugin);
void microsoftDelete(NRVAPluginInterface* plugin);
}

// Each call site of the list above.
enum class CallSite { kCreate, kText, kInitPlugin, kExecute, kDelete };

// Sets the ESP residue (0, 4, 8 or 12) at which the plug-in's functions are
// entered, and routes pluginCalls() through the call sites. Measures first,
// with probes in place of the plug-in, how far below its own entry each call
// site enters its callee; false (nothing changed) when that fails.
bool useMicrosoftAbiCalls(unsigned espResidue);

// The residue in use.
unsigned microsoftAbiEspResidue();

// Calls `site` with `argument` at the residue in use and returns the
// callee's EAX.
std::uintptr_t callMicrosoftAbi(CallSite site, const void* argument);

// ESP mod 16 with which `site` enters its callee in a call at the residue in
// use, measured with a probe in place of the plug-in.
unsigned probedEntryResidue(CallSite site);

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_WINDOWS_MICROSOFT_ABI_HOST_H_
