// The plug-in's 150 host function pointers as a table of names and
// addresses, for the binding tests (which link the plug-in's code directly).
#ifndef QUORVEL_TESTS_SHELL_HOST_POINTER_TABLE_H_
#define QUORVEL_TESTS_SHELL_HOST_POINTER_TABLE_H_

#include <string>
#include <vector>

#include "host/host_functions.h"

namespace quorvel_test {

// One host function pointer: its entry point's name and current value.
struct HostPointer {
  std::string name;
  void* value;
};

// All 150 pointers in binding order.
inline std::vector<HostPointer> hostPointers() {
  std::vector<HostPointer> table;
#define QUORVEL_TEST_LIST_POINTER(name, type) \
  table.push_back({#name, reinterpret_cast<void*>(quorvel::name)});
  QUORVEL_HOST_ENTRY_POINTS(QUORVEL_TEST_LIST_POINTER)
#undef QUORVEL_TEST_LIST_POINTER
  return table;
}

// Sets every pointer but the version entry point's to `value`.
inline void setOtherHostPointers(void* value) {
#define QUORVEL_TEST_SET_POINTER(name, type) quorvel::name = reinterpret_cast<quorvel::type>(value);
  QUORVEL_HOST_OTHER_ENTRY_POINTS(QUORVEL_TEST_SET_POINTER)
#undef QUORVEL_TEST_SET_POINTER
}

// Sets all 150 pointers to `value`.
inline void setEveryHostPointer(void* value) {
  quorvel::nvGetVersionOfNoravia = reinterpret_cast<quorvel::GetVersionOfNoraviaFn>(value);
  setOtherHostPointers(value);
}

// A non-null address that no lookup returns, to see which pointers a
// binding rewrote. Never called.
inline void* stalePointer() {
  static char marker;
  return &marker;
}

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_SHELL_HOST_POINTER_TABLE_H_
