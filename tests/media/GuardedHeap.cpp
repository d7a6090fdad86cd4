#include "media/GuardedHeap.h"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace vokari::testing {
namespace {

constexpr unsigned char kMark = 0xa5;
constexpr std::size_t kAlign = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

struct Guarded {
  void* start = nullptr;  // what `new` handed out
  void* mapping = nullptr;
  std::size_t mapped = 0;
  std::size_t size = 0;
};

thread_local int active = 0;
std::mutex lock;
std::array<Guarded, 4096> live;  // far more than any conversion holds at once
std::atomic<std::size_t> liveCount{0};
std::atomic<std::size_t> overrunCount{0};

std::size_t pageSize() {
  static const std::size_t size = std::size_t(::sysconf(_SC_PAGESIZE));
  return size;
}

void* guardedNew(std::size_t size) {
  const std::size_t rounded = (size + kAlign - 1) / kAlign * kAlign;
  const std::size_t page = pageSize();
  const std::size_t data = (rounded + page - 1) / page * page;
  void* mapping =
      ::mmap(nullptr, data + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) throw std::bad_alloc();
  auto* end = static_cast<unsigned char*>(mapping) + data;
  ::mprotect(end, page, PROT_NONE);
  unsigned char* start = end - rounded;
  std::memset(start + size, kMark, rounded - size);
  std::lock_guard hold(lock);
  for (Guarded& slot : live) {
    if (slot.start) continue;
    slot = {start, mapping, data + page, size};
    ++liveCount;
    return start;
  }
  std::abort();  // more guarded buffers at once than the table holds
}

// Frees the buffer if it is a guarded one; answers whether it was.
bool guardedDelete(void* pointer) {
  if (!pointer || liveCount == 0) return false;
  std::lock_guard hold(lock);
  for (Guarded& slot : live) {
    if (slot.start != pointer) continue;
    const auto* start = static_cast<unsigned char*>(slot.start);
    const std::size_t rounded = (slot.size + kAlign - 1) / kAlign * kAlign;
    for (std::size_t i = slot.size; i < rounded; ++i) {
      if (start[i] != kMark) {
        ++overrunCount;
        break;
      }
    }
    ::munmap(slot.mapping, slot.mapped);
    slot = {};
    --liveCount;
    return true;
  }
  return false;
}

}  // namespace

GuardedHeap::GuardedHeap() {
  ++active;
}
GuardedHeap::~GuardedHeap() {
  --active;
}
std::size_t GuardedHeap::overruns() {
  return overrunCount;
}

}  // namespace vokari::testing

// The test program's allocator: guarded while a GuardedHeap is active, malloc otherwise.
void* operator new(std::size_t size) {
  if (vokari::testing::active > 0) return vokari::testing::guardedNew(size ? size : 1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* pointer) noexcept {
  if (!vokari::testing::guardedDelete(pointer)) std::free(pointer);
}
void operator delete[](void* pointer) noexcept {
  operator delete(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  operator delete(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  operator delete(pointer);
}
