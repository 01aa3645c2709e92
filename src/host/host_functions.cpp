#include "host/host_functions.h"

namespace quorvel {

#define QUORVEL_DEFINE_HOST_POINTER(name, type) type name = nullptr;
QUORVEL_HOST_ENTRY_POINTS(QUORVEL_DEFINE_HOST_POINTER)
#undef QUORVEL_DEFINE_HOST_POINTER

}  // namespace quorvel
