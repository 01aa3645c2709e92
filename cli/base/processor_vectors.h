// The widest vector registers this processor offers, asked once: the
// command's fast paths are compiled for several instruction sets and each
// picks its form at run time by this.
#ifndef QUORVEL_CLI_BASE_PROCESSOR_VECTORS_H_
#define QUORVEL_CLI_BASE_PROCESSOR_VECTORS_H_

namespace quorvel::cli {

// 512 where the processor has AVX-512F, 256 where it has AVX2, else 128.
inline int processorVectorBits() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const int bits = __builtin_cpu_supports("avx512f") ? 512
                          : __builtin_cpu_supports("avx2")  ? 256
                                                            : 128;
  return bits;
#else
  return 128;
#endif
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_PROCESSOR_VECTORS_H_
