#pragma once
// A remembered position of a name in a scope's variable list, kept by the
// statement or expression node that names it. It records the scope by its
// serial number (unique per procedure call) and the index the name had
// there. Scopes never drop a variable, so the index stays right for that
// scope; in another scope the index is used only when it holds the same
// name. One relaxed 64-bit atomic keeps it free of data races when several
// threads run the same statement.

#include <atomic>
#include <cstdint>

namespace kova {

struct SlotHint {
  static constexpr int kIndexBits = 24;
  static constexpr uint64_t kIndexMask = (uint64_t{1} << kIndexBits) - 1;
  mutable std::atomic<uint64_t> packed{0};  // serial << kIndexBits | index; serial 0: none

  // The remembered index, or -1 when the hint is about another scope.
  int indexFor(uint64_t serial) const {
    const uint64_t p = packed.load(std::memory_order_relaxed);
    return serial != 0 && (p >> kIndexBits) == serial ? static_cast<int>(p & kIndexMask) : -1;
  }
  // The remembered index whatever scope it was found in, or -1.
  int anyIndex() const {
    const uint64_t p = packed.load(std::memory_order_relaxed);
    return p == 0 ? -1 : static_cast<int>(p & kIndexMask);
  }
  void remember(uint64_t serial, int index) const {
    if (serial != 0 && index >= 0 && static_cast<uint64_t>(index) <= kIndexMask)
      packed.store(serial << kIndexBits | static_cast<uint64_t>(index), std::memory_order_relaxed);
  }
};

}  // namespace kova
