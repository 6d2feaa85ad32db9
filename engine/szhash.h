#pragma once
// TSZHash: the hash table behind HASHTBL variables. Keys are texts, values
// script values; the key list keeps insertion order unless the table sorts.

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/value.h"
#include "util/u16.h"

namespace kova {

class TSZHash {
 public:
  explicit TSZHash(bool caseSensitive = false, bool sorted = false) : caseSensitive_(caseSensitive), sorted_(sorted) {}

  std::optional<Value> find(const u16& key) const;
  void put(const u16& key, const Value& value);
  bool remove(const u16& key);
  void clear();
  void copyFrom(const TSZHash& other);
  int count() const { return static_cast<int>(keys_.size()); }
  const u16& keyAt(int i) const { return keys_[i]; }
  const Value& valueAt(int i) const { return values_[i]; }
  bool caseSensitive() const { return caseSensitive_; }
  bool sorted() const { return sorted_; }

 private:
  u16 normalisedKey(const u16& key) const { return caseSensitive_ ? key : upperFull(key); }
  void reindex();

  bool caseSensitive_;
  bool sorted_;
  std::vector<u16> keys_;
  std::vector<Value> values_;
  std::unordered_map<u16, int> index_;
};

}  // namespace kova
