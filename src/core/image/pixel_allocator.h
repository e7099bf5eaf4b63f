#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace glkov {

// Allocates picture memory: large buffers on 2 MiB boundaries with transparent huge pages
// requested, so that filling a fresh multi-megapixel picture takes a few page faults instead of
// thousands; small ones as usual.
template <class T>
struct PixelAllocator {
  using value_type = T;
  static constexpr size_t kHugePage = size_t{2} << 20;
  static constexpr size_t kLargeBuffer = size_t{4} << 20;

  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>& /*other*/) noexcept {}

  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes < kLargeBuffer) return std::allocator<T>{}.allocate(n);
    const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) throw std::bad_alloc();
    ::madvise(p, rounded, MADV_HUGEPAGE);
    return static_cast<T*>(p);
  }

  void deallocate(T* p, size_t n) noexcept {
    if (n * sizeof(T) < kLargeBuffer) {
      std::allocator<T>{}.deallocate(p, n);
    } else {
      std::free(p);
    }
  }

  template <class U>
  bool operator==(const PixelAllocator<U>& /*other*/) const noexcept {
    return true;
  }
};

}  // namespace glkov
