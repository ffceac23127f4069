// Counts every heap allocation of a benchmark program, the libraries' included, by replacing the
// global allocation functions. Include it in exactly one source file of a benchmark executable.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace kestrel::bench {
inline std::atomic<unsigned long long> allocationCount{0};
}  // namespace kestrel::bench

// Out of line, so that the compiler does not pair malloc and free against new and delete.
[[gnu::noinline]] void* operator new(std::size_t size) {
  kestrel::bench::allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) { return operator new(size); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
