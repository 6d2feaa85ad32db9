#pragma once
// A remembered position of a name in a scope's variable list. Scopes never
// drop a variable, so an index that still holds the same name is that
// variable: the hint is always checked against the name, never trusted, and
// may be shared by every scope that runs the same statement (a recursive
// call simply refreshes it). Relaxed atomics keep it free of data races when
// several threads run the same statement.

#include <atomic>

namespace kova {

struct SlotHint {
  mutable std::atomic<int> index{-1};
  int get() const { return index.load(std::memory_order_relaxed); }
  void set(int i) const { index.store(i, std::memory_order_relaxed); }
};

}  // namespace kova
