#include "engine/szhash.h"

#include <algorithm>
#include <numeric>

namespace kova {

std::optional<Value> TSZHash::find(const u16& key) const {
  auto it = index_.find(normalisedKey(key));
  if (it == index_.end()) return std::nullopt;
  return values_[it->second];
}

void TSZHash::put(const u16& key, const Value& value) {
  const u16 k = normalisedKey(key);
  auto it = index_.find(k);
  if (it != index_.end()) {
    values_[it->second] = value;
    return;
  }
  if (!sorted_) {
    index_.emplace(k, static_cast<int>(keys_.size()));
    keys_.push_back(key);
    values_.push_back(value);
    return;
  }
  // Sorted tables keep their key list in order of the normalised keys.
  size_t pos = 0;
  while (pos < keys_.size() && normalisedKey(keys_[pos]) < k) ++pos;
  keys_.insert(keys_.begin() + static_cast<long>(pos), key);
  values_.insert(values_.begin() + static_cast<long>(pos), value);
  reindex();
}

bool TSZHash::remove(const u16& key) {
  auto it = index_.find(normalisedKey(key));
  if (it == index_.end()) return false;
  const int i = it->second;
  keys_.erase(keys_.begin() + i);
  values_.erase(values_.begin() + i);
  reindex();
  return true;
}

void TSZHash::clear() {
  keys_.clear();
  values_.clear();
  index_.clear();
}

void TSZHash::copyFrom(const TSZHash& other) {
  caseSensitive_ = other.caseSensitive_;
  sorted_ = other.sorted_;
  keys_ = other.keys_;
  values_ = other.values_;
  index_ = other.index_;
}

void TSZHash::reindex() {
  index_.clear();
  for (size_t i = 0; i < keys_.size(); ++i) index_.emplace(normalisedKey(keys_[i]), static_cast<int>(i));
}

}  // namespace kova
