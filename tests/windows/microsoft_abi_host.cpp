#include "tests/windows/microsoft_abi_host.h"

namespace quorvel_test {

extern "C" {
// ESP at the entry of the last probe called.
volatile std::uintptr_t quorvelProbedEsp = 0;

// Calls function(argument), a cdecl function of one argument, with ESP mod 16
// equal to `residue` on its entry; returns its EAX.
std::uintptr_t quorvelCallAtEspResidue(unsigned residue, const void* function,
                                       const void* argument);
// Probes that stand in for the plug-in: each keeps ESP at its entry in
// quorvelProbedEsp and returns as the function it stands in for returns.
void quorvelProbeCdecl();          // an export: cdecl, no arguments
void quorvelProbeThiscall();       // execute, initPlugin: this in ECX
void quorvelProbeThiscallFlags();  // slot 0: this in ECX, pops its flags
}

// 32-bit x86, AT&T syntax, with the leading underscore of C names.
asm(R"(
  .text
  .globl _quorvelCallAtEspResidue
_quorvelCallAtEspResidue:
  pushl %ebp
  movl %esp, %ebp
  movl $8, %edx
  subl 8(%ebp), %edx
  andl $15, %edx
  andl $-16, %esp
  subl %edx, %esp           # ESP = residue + 8 (mod 16)
  pushl 16(%ebp)            # the argument: residue + 4
  call *12(%ebp)            # the return address: residue
  movl %ebp, %esp
  popl %ebp
  ret

  .globl _quorvelProbeCdecl
_quorvelProbeCdecl:
  movl %esp, _quorvelProbedEsp
  xorl %eax, %eax
  ret

  .globl _quorvelProbeThiscall
_quorvelProbeThiscall:
  movl %esp, _quorvelProbedEsp
  movl $1, %eax
  ret

  .globl _quorvelProbeThiscallFlags
_quorvelProbeThiscallFlags:
  movl %esp, _quorvelProbedEsp
  movl %ecx, %eax
  ret $4
)");

namespace {

constexpr int kSites = 5;

const void* const kSiteFunctions[kSites] = {reinterpret_cast<const void*>(&microsoftCreatePlugin),
                                            reinterpret_cast<const void*>(&microsoftText),
                                            reinterpret_cast<const void*>(&microsoftInitPlugin),
                                            reinterpret_cast<const void*>(&microsoftExecute),
                                            reinterpret_cast<const void*>(&microsoftDelete)};

// An object as the call sites see one: its first word points at a virtual
// table of probes in the Microsoft layout.
const void* const kProbeTable[3] = {reinterpret_cast<const void*>(&quorvelProbeThiscallFlags),
                                    reinterpret_cast<const void*>(&quorvelProbeThiscall),
                                    reinterpret_cast<const void*>(&quorvelProbeThiscall)};
const void* const kProbeObject[1] = {kProbeTable};

unsigned residueInUse = 12;
// How far below the residue of its own entry each call site enters its
// callee, mod 16.
unsigned siteDepth[kSites] = {};

const void* probeArgument(CallSite site) {
  if (site == CallSite::kCreate || site == CallSite::kText) {
    return reinterpret_cast<const void*>(&quorvelProbeCdecl);
  }
  return kProbeObject;
}

// ESP mod 16 at the probe's entry when `site` is entered at `residue`.
unsigned probe(CallSite site, unsigned residue) {
  quorvelProbedEsp = 1;  // never a stack address
  quorvelCallAtEspResidue(residue, kSiteFunctions[static_cast<int>(site)], probeArgument(site));
  return static_cast<unsigned>(quorvelProbedEsp % 16);
}

unsigned siteResidue(CallSite site) {
  return (residueInUse + siteDepth[static_cast<int>(site)]) % 16;
}

PluginCalls microsoftAbiCalls() {
  PluginCalls calls;
  calls.create = [](CreatePluginFunction createPlugin) {
    return reinterpret_cast<NRVAPluginInterface*>(
        callMicrosoftAbi(CallSite::kCreate, reinterpret_cast<const void*>(createPlugin)));
  };
  calls.initPlugin = [](NRVAPluginInterface* plugin) {
    return (callMicrosoftAbi(CallSite::kInitPlugin, plugin) & 0xff) != 0;
  };
  calls.execute = [](NRVAPluginInterface* plugin) {
    return (callMicrosoftAbi(CallSite::kExecute, plugin) & 0xff) != 0;
  };
  calls.destroy = [](NRVAPluginInterface* plugin) { callMicrosoftAbi(CallSite::kDelete, plugin); };
  return calls;
}

}  // namespace

bool useMicrosoftAbiCalls(unsigned espResidue) {
  if (espResidue % 4 != 0 || espResidue > 12) return false;
  unsigned depth[kSites];
  for (int site = 0; site < kSites; ++site) {
    const unsigned entered = probe(static_cast<CallSite>(site), 0);
    if (entered % 4 != 0) return false;
    depth[site] = (16 - entered) % 16;
  }
  for (int site = 0; site < kSites; ++site) siteDepth[site] = depth[site];
  residueInUse = espResidue;
  usePluginCalls(microsoftAbiCalls());
  return true;
}

unsigned microsoftAbiEspResidue() { return residueInUse; }

std::uintptr_t callMicrosoftAbi(CallSite site, const void* argument) {
  return quorvelCallAtEspResidue(siteResidue(site), kSiteFunctions[static_cast<int>(site)],
                                 argument);
}

unsigned probedEntryResidue(CallSite site) { return probe(site, siteResidue(site)); }

}  // namespace quorvel_test
