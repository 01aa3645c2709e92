// Finding the host module among the modules already loaded into the process.
//
// The lookup never loads a module and never keeps one loaded: Windows takes
// the handle of the already loaded executable without a reference; POSIX
// systems look through the loaded objects for one whose file name matches,
// take a handle without loading anything, and release it when done.
#ifndef QUORVEL_HOST_HOST_MODULE_H_
#define QUORVEL_HOST_HOST_MODULE_H_

namespace quorvel {

// File name of the host module whose entry points the plug-in binds.
constexpr const char kHostModuleName[] = "Noravia.exe";

// A handle on a loaded module, held only while the entry points are resolved.
class HostModule {
 public:
  // Looks for a loaded module whose file name is exactly `fileName`.
  explicit HostModule(const char* fileName);
  ~HostModule();

  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  // True when the module was found.
  bool found() const { return handle_ != nullptr; }

  // Address of the exported symbol `name`, or null when there is none.
  void* resolve(const char* name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace quorvel

#endif  // QUORVEL_HOST_HOST_MODULE_H_
