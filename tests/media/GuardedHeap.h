#pragma once
// Catches writes past the end of buffers that code we cannot instrument (libswscale, codecs)
// makes. While a GuardedHeap lives on a thread, every `new` of that thread ends right before a
// page that cannot be touched, so writing past the end faults at once; the few bytes that
// alignment leaves between the end and that page are filled with a mark that is checked when
// the buffer is freed. AddressSanitizer sees neither: the writes happen inside libraries built
// without it.

#include <cstddef>

namespace vokari::testing {

class GuardedHeap final {
 public:
  GuardedHeap();
  ~GuardedHeap();
  GuardedHeap(const GuardedHeap&) = delete;
  GuardedHeap& operator=(const GuardedHeap&) = delete;

  // Guarded buffers freed so far whose mark after the end was overwritten.
  static std::size_t overruns();
};

}  // namespace vokari::testing
