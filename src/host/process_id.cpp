#include "host/process_id.h"

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace quorvel {

long currentProcessId() {
#if defined(_WIN32)
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

}  // namespace quorvel
