// The id of the running process, for naming files no other process uses.
#ifndef QUORVEL_HOST_PROCESS_ID_H_
#define QUORVEL_HOST_PROCESS_ID_H_

namespace quorvel {

// The operating system's id of this process.
long currentProcessId();

}  // namespace quorvel

#endif  // QUORVEL_HOST_PROCESS_ID_H_
