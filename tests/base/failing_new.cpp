#include "failing_new.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace inicrypt::test_support {
namespace {

std::atomic<std::size_t> fail_from{0};

void* Allocate(std::size_t n) noexcept {
  const std::size_t limit = fail_from.load();
  if (limit != 0 && n >= limit) return nullptr;
  return std::malloc(n == 0 ? 1 : n);
}

void* AllocateOrThrow(std::size_t n) {
  void* p = Allocate(n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

void FailAllocationsFrom(std::size_t min_bytes) { fail_from.store(min_bytes); }

}  // namespace inicrypt::test_support

// Every unaligned form is replaced so that each block is freed by the
// allocator that made it.
using inicrypt::test_support::Allocate;
using inicrypt::test_support::AllocateOrThrow;

void* operator new(std::size_t n) { return AllocateOrThrow(n); }
void* operator new[](std::size_t n) { return AllocateOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
