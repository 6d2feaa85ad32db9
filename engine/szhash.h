#pragma once
// TSZHash: the hash table behind HASHTBL variables. A chained hash table
// of a fixed, prime number of buckets (TSZSubList) plus an ordered list of
// the keys, which gives tables a stable enumeration order: insertion order,
// or sorted order for tables declared with HASH_SORT.
//
// Keys are compared in their stored form: the key's UTF-8 bytes, upper-cased
// first unless the table is case-sensitive (HASH_CASECARE). The key list
// keeps each key as the script first wrote it, so a case-insensitive table
// that got "abc" and then "ABC" lists "abc".

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/value.h"
#include "util/u16.h"

namespace kova {

struct TSZEntry {
  std::string key;  // stored form (see above)
  Value value;
  uint64_t serial = 0;  // ties the entry to its key list item
  uint32_t tag = 0;     // keyTag(key): compared before the key itself
};

// A second hash of a stored key, independent of the bucket's: a bucket of a
// large table holds many keys, and comparing tags first spares comparing
// all their bytes.
uint32_t keyTag(std::string_view stored);

// One bucket: its entries in the order they were added.
class TSZSubList {
 public:
  // Position of the entry with the stored key `key`, or -1. Records in
  // `probes` how many entries were compared.
  int indexOf(std::string_view key) const;

  std::vector<TSZEntry> entries;
  mutable int probes = 0;
};

class TSZHash {
 public:
  // Declaration flags of HASHTBL.
  static constexpr int32_t kCaseCare = 0x1000;
  static constexpr int32_t kSort = 0x2000;
  // Tables declared by scripts: rotating hash, 1023 requested (1021 buckets).
  static constexpr int kScriptSelector = 2;
  static constexpr int kScriptRequestedSize = 1023;

  // `selector` picks the hash function (1-4; anything else is 1); the bucket
  // count is the prime bucketCountFor(requestedSize).
  explicit TSZHash(bool caseSensitive = false, bool sorted = false, int selector = kScriptSelector,
                   int requestedSize = kScriptRequestedSize);

  // Stores `value` under `key`: 1 when the key was new, 0 when an existing
  // key's value was replaced.
  int put(const u16& key, const Value& value);
  // Deletes the key's entry; the key list entry goes too unless
  // `keepKeyList`. True when the key was present.
  bool remove(const u16& key, bool keepKeyList = false);
  // The key's entry, or null.
  const TSZEntry* find(const u16& key) const;
  // Removes every key.
  void clear();
  // Makes this table a copy of `other`: selector, bucket count, switches,
  // keys and entries.
  void copyFrom(const TSZHash& other);

  // Number of keys (the key list's length).
  int count() const { return static_cast<int>(keys_.size()); }
  // The i-th key of the key list as the script wrote it; 0 <= i < count().
  const u16& keyAt(int i) const { return keys_[static_cast<size_t>(i)]->key; }
  // The value of the i-th key; Empty when the key has no entry (after a
  // remove that kept the key list). 0 <= i < count().
  const Value& valueAt(int i) const;

  bool caseSensitive() const { return caseSensitive_; }
  bool sorted() const { return sorted_; }
  int selector() const { return selector_; }
  int bucketCount() const { return static_cast<int>(buckets_.size()); }
  const TSZSubList& bucket(int i) const { return buckets_[static_cast<size_t>(i)]; }
  // The stored form of `key` and the bucket it falls in.
  std::string storedKey(u16v key) const;
  int bucketOf(std::string_view storedKey) const;

  // The hash of `bytes` under `selector` (1-4; anything else hashes as 1).
  static uint32_t hash(int selector, std::string_view bytes);
  // The prime bucket count for a requested size (1023 gives 1021).
  static int bucketCountFor(int requestedSize);
  static bool isPrime(long long n);

 private:
  // One key of the key list. Items never change once made, so copies of a
  // table share them.
  struct KeyItem {
    u16 key;             // as the script wrote it
    u16 upper;           // upper-cased: the order of sorted lists
    std::string stored;  // stored form
    uint64_t serial;     // the serial of its entry
  };
  using KeyList = std::vector<std::shared_ptr<const KeyItem>>;

  // Position of the key list item made for the entry with `serial`, or -1.
  // Unsorted lists are in serial order; sorted ones are searched among the
  // items of the same upper-cased key.
  int keyListIndex(const u16& upper, uint64_t serial) const;
  // Where a new key goes in a sorted key list: after the keys that order
  // before it (upper-cased first, then as written).
  size_t sortedPosition(const u16& key, const u16& upper) const;

  bool caseSensitive_;
  bool sorted_;
  int selector_;
  std::vector<TSZSubList> buckets_;
  KeyList keys_;
  uint64_t nextSerial_ = 1;
};

}  // namespace kova
