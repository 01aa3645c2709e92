// Storage for a VTC's samples that leaves new elements uninitialised: a
// run's samples are written by their reader right after they are sized,
// and zero-filling hundreds of megabytes first would cost a whole pass
// over memory and make every page resident before the reader gets to it.
#ifndef QUORVEL_SIM_SAMPLE_VECTOR_H_
#define QUORVEL_SIM_SAMPLE_VECTOR_H_

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace noravia {

// Arrays from this size up are placed on huge pages where the system
// offers them: a run's samples then take a few hundred page faults, not
// a hundred thousand.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
constexpr std::size_t kHugePageArrayBytes = std::size_t{32} << 20;

// std::allocator whose value-construction (resize, the size constructor)
// default-initialises: trivial types are left as they are.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  using std::allocator<T>::allocator;
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  T* allocate(std::size_t count) {
    if (count < kHugePageArrayBytes / sizeof(T))
      return std::allocator<T>::allocate(count);
    if (count > std::size_t(-1) / sizeof(T) - kHugePageBytes)
      throw std::bad_array_new_length();
    const std::size_t bytes = (count * sizeof(T) + kHugePageBytes - 1) /
                              kHugePageBytes * kHugePageBytes;
    void* place = ::operator new (bytes, std::align_val_t{kHugePageBytes});
#ifdef __linux__
    ::madvise(place, bytes, MADV_HUGEPAGE);
#endif
    return static_cast<T*>(place);
  }
  void deallocate(T* place, std::size_t count) noexcept {
    if (count < kHugePageArrayBytes / sizeof(T)) {
      std::allocator<T>::deallocate(place, count);
      return;
    }
    ::operator delete (place, std::align_val_t{kHugePageBytes});
  }
  template <typename U>
  void construct(U* place) noexcept(
      std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

// A VTC's samples, time fastest; resize() leaves new samples unset.
template <typename T>
using SampleVector = std::vector<T, UninitialisedAllocator<T>>;

}  // namespace noravia

#endif  // QUORVEL_SIM_SAMPLE_VECTOR_H_
