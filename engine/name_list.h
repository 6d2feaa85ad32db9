#pragma once
// An ordered list of names with a hashed lookup, matched without regard to
// case: names are stored upper-cased (full Unicode simple mapping). Keeps
// insertion order, which several tables depend on (module constructors run
// in list order, the pre-run check visits functions in list order).

#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "util/u16.h"

namespace kova {

template <typename T>
class NameList {
 public:
  NameList() = default;
  NameList(const NameList& other)
      : entries_(other.entries_), index_(other.index_ ? std::make_unique<Index>(*other.index_) : nullptr) {}
  NameList& operator=(const NameList& other) {
    if (this != &other) *this = NameList(other);
    return *this;
  }
  NameList(NameList&&) noexcept = default;
  NameList& operator=(NameList&&) noexcept = default;

  // Index of `name`, or -1.
  int find(u16v name) const {
    // Names mostly arrive upper-cased already (the front end upper-cases
    // statements): look them up without making a copy.
    if (isUpperAscii(name)) return findUpper(name);
    const u16 upper = upperFull(name);
    return findUpper(upper);
  }
  bool contains(u16v name) const { return find(name) >= 0; }
  // Appends a new entry; the caller ensures the name is not present yet.
  int add(u16v name, T value) { return addUpperCased(upperFull(name), std::move(value)); }
  // The same for a name that is upper-cased already (as upperFull makes it).
  int addUpperCased(u16 key, T value) {
    const int i = static_cast<int>(entries_.size());
    if (index_) {
      index_->emplace(key, i);
    } else if (entries_.size() + 1 > kLinearLimit) {
      // The list outgrows the linear search: index every name. The first
      // of equal names keeps the index, as emplace does.
      index_ = std::make_unique<Index>();
      for (int k = 0; k < i; ++k) index_->emplace(entries_[static_cast<size_t>(k)].name, k);
      index_->emplace(key, i);
    }
    entries_.emplace_back(std::move(key), std::move(value));
    return i;
  }
  // Room for `n` entries in all, so that adding up to that many allocates once.
  void reserve(size_t n) { entries_.reserve(n); }
  int size() const { return static_cast<int>(entries_.size()); }
  const u16& name(int i) const { return entries_[i].name; }
  T& value(int i) { return entries_[i].value; }
  const T& value(int i) const { return entries_[i].value; }
  void clear() {
    entries_.clear();
    index_.reset();
  }

 private:
  // Lists of up to this many names (the variables of most procedure calls)
  // are searched linearly: no hash index to build for every call.
  static constexpr size_t kLinearLimit = 8;

  int findUpper(u16v name) const {
    if (!index_) {
      for (size_t k = 0; k < entries_.size(); ++k)
        if (entries_[k].name == name) return static_cast<int>(k);
      return -1;
    }
    auto it = index_->find(name);
    return it == index_->end() ? -1 : it->second;
  }

  static bool isUpperAscii(u16v s) {
    for (char16_t c : s)
      if (c >= 0x80 || (c >= u'a' && c <= u'z')) return false;
    return true;
  }
  struct Hash {
    using is_transparent = void;
    size_t operator()(u16v s) const { return std::hash<u16v>{}(s); }
  };

  // Names and values side by side: one block for both, so a short list
  // (the variables of a procedure call) costs one allocation.
  struct Entry {
    Entry(u16&& n, T&& v) : name(std::move(n)), value(std::move(v)) {}
    u16 name;
    T value;
  };
  using Index = std::unordered_map<u16, int, Hash, std::equal_to<>>;
  std::vector<Entry> entries_;
  // Made only when the list outgrows kLinearLimit: a scope made for every
  // call neither builds nor destroys one.
  std::unique_ptr<Index> index_;
};

}  // namespace kova
