#pragma once
// A remembered position of a name in a scope's variable list, kept by the
// statement or expression node that names it. It records the scope by its
// serial number (unique per procedure call) and the index the name had
// there. Scopes never drop a variable, so the index stays right for that
// scope; in another scope the index is used only when it holds the same
// name. A second record does the same for a scope layout (the parameters
// and RESULT of a procedure, the same in every call of it), so that a new
// call finds them without comparing names. Relaxed 64-bit atomics keep it
// free of data races when several threads run the same statement.

#include <atomic>
#include <cstdint>

namespace kova {

struct SlotHint {
  static constexpr int kIndexBits = 24;
  static constexpr uint64_t kIndexMask = (uint64_t{1} << kIndexBits) - 1;
  mutable std::atomic<uint64_t> packed{0};  // serial << kIndexBits | index; serial 0: none
  // The same for a scope layout (THensuFmt::layoutKey): an index below the
  // layout's count names the same variable in every scope of that layout.
  mutable std::atomic<uint64_t> layout{0};

  // The remembered index for the scope of `serial` (or of `layoutKey`, for
  // an index below `layoutCount`), or -1.
  int indexFor(uint64_t serial, uint64_t layoutKey = 0, int32_t layoutCount = 0) const {
    const uint64_t p = packed.load(std::memory_order_relaxed);
    if (serial != 0 && (p >> kIndexBits) == serial) return static_cast<int>(p & kIndexMask);
    if (layoutKey != 0) {
      const uint64_t l = layout.load(std::memory_order_relaxed);
      if ((l >> kIndexBits) == layoutKey && static_cast<int64_t>(l & kIndexMask) < layoutCount)
        return static_cast<int>(l & kIndexMask);
    }
    return -1;
  }
  // The remembered index whatever scope it was found in, or -1.
  int anyIndex() const {
    const uint64_t p = packed.load(std::memory_order_relaxed);
    return p == 0 ? -1 : static_cast<int>(p & kIndexMask);
  }
  void remember(uint64_t serial, int index, uint64_t layoutKey = 0, int32_t layoutCount = 0) const {
    if (index < 0 || static_cast<uint64_t>(index) > kIndexMask) return;
    if (serial != 0) packed.store(serial << kIndexBits | static_cast<uint64_t>(index), std::memory_order_relaxed);
    if (layoutKey != 0 && index < layoutCount)
      layout.store(layoutKey << kIndexBits | static_cast<uint64_t>(index), std::memory_order_relaxed);
  }
};

}  // namespace kova
