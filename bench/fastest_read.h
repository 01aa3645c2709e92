// The fastest single-thread read of a sample array this build can do on
// this CPU: the floor the voxel pass is measured against.
#ifndef QUORVEL_BENCH_FASTEST_READ_H_
#define QUORVEL_BENCH_FASTEST_READ_H_

#include <cstddef>
#include <cstdint>

// Reads every byte of `data[0..bytes)` once, front to back, in the widest
// vectors the CPU has, and folds them into one word so nothing is skipped.
std::uint64_t foldEveryByte(const void* data, std::size_t bytes);

#endif  // QUORVEL_BENCH_FASTEST_READ_H_
