#include "engine/szhash.h"

#include <algorithm>
#include <cmath>

namespace kova {

namespace {

// Requested sizes beyond this are treated as this; a table never needs more
// buckets, and the prime search stays in range.
constexpr int kLargestRequest = 1 << 24;

}  // namespace

uint32_t keyTag(std::string_view stored) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (const char c : stored) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

int TSZSubList::indexOf(std::string_view key) const {
  const uint32_t tag = keyTag(key);
  probes = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    ++probes;
    if (entries[i].tag == tag && entries[i].key == key) return static_cast<int>(i);
  }
  return -1;
}

// --- Hash functions and bucket count -------------------------------------------

uint32_t TSZHash::hash(int selector, std::string_view bytes) {
  uint32_t h = 0;
  for (const char c : bytes) {
    const uint32_t b = static_cast<unsigned char>(c);
    switch (selector) {
      case 2:  // rotating
        h = (h << 5) ^ (h >> 27) ^ b;
        break;
      case 3:
        h = h * 31u ^ b;
        break;
      case 4: {  // ELF
        h = (h << 4) + b;
        const uint32_t g = h & 0xF0000000u;
        if (g != 0) h ^= g >> 24;
        h &= ~g;
        break;
      }
      default:
        h = h * 43u ^ b;
        break;
    }
  }
  return h;
}

bool TSZHash::isPrime(long long n) {
  if (n < 4) return n > 1;
  if (n % 6 != 1 && n % 6 != 5) return false;
  const long long limit = std::llround(std::sqrt(static_cast<double>(n)));
  for (long long k = 5; k <= limit; k += 6)
    if (n % k == 0 || n % (k + 2) == 0) return false;
  return true;
}

int TSZHash::bucketCountFor(int requestedSize) {
  const long long n = std::clamp(requestedSize, 1, kLargestRequest);
  if (isPrime(n)) return static_cast<int>(n);
  if (n == 4) return 5;
  for (long long m = (n + 1) / 6 * 6 - 1;; m += 6) {
    if (isPrime(m + 2)) return static_cast<int>(m + 2);
    if (isPrime(m)) return static_cast<int>(m);
  }
}

// --- Table -----------------------------------------------------------------

TSZHash::TSZHash(bool caseSensitive, bool sorted, int selector, int requestedSize)
    : caseSensitive_(caseSensitive),
      sorted_(sorted),
      selector_(selector >= 1 && selector <= 4 ? selector : 1),
      buckets_(static_cast<size_t>(bucketCountFor(requestedSize))) {}

std::string TSZHash::storedKey(u16v key) const { return toUtf8(caseSensitive_ ? u16(key) : upperFull(key)); }

int TSZHash::bucketOf(std::string_view stored) const {
  return static_cast<int>(hash(selector_, stored) % static_cast<uint32_t>(buckets_.size()));
}

const TSZEntry* TSZHash::find(const u16& key) const {
  const std::string stored = storedKey(key);
  const TSZSubList& b = buckets_[static_cast<size_t>(bucketOf(stored))];
  const int i = b.indexOf(stored);
  return i < 0 ? nullptr : &b.entries[static_cast<size_t>(i)];
}

int TSZHash::put(const u16& key, const Value& value) {
  std::string stored = storedKey(key);
  TSZSubList& b = buckets_[static_cast<size_t>(bucketOf(stored))];
  const int i = b.indexOf(stored);
  if (i >= 0) {
    b.entries[static_cast<size_t>(i)].value = value;
    return 0;
  }
  const uint64_t serial = nextSerial_++;
  auto item = std::make_shared<const KeyItem>(KeyItem{key, upperFull(key), stored, serial});
  const size_t pos = sorted_ ? sortedPosition(item->key, item->upper) : keys_.size();
  keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
  const uint32_t tag = keyTag(stored);
  b.entries.push_back(TSZEntry{std::move(stored), value, serial, tag});
  return 1;
}

bool TSZHash::remove(const u16& key, bool keepKeyList) {
  const std::string stored = storedKey(key);
  TSZSubList& b = buckets_[static_cast<size_t>(bucketOf(stored))];
  const int i = b.indexOf(stored);
  if (i < 0) return false;
  const uint64_t serial = b.entries[static_cast<size_t>(i)].serial;
  b.entries.erase(b.entries.begin() + i);
  if (!keepKeyList) {
    const int k = keyListIndex(upperFull(key), serial);
    if (k >= 0) keys_.erase(keys_.begin() + k);
  }
  return true;
}

void TSZHash::clear() {
  for (TSZSubList& b : buckets_) b.entries.clear();
  keys_.clear();
}

void TSZHash::copyFrom(const TSZHash& other) {
  if (this != &other) *this = other;
}

const Value& TSZHash::valueAt(int i) const {
  static const Value kNone;
  const std::string& stored = keys_[static_cast<size_t>(i)]->stored;
  const TSZSubList& b = buckets_[static_cast<size_t>(bucketOf(stored))];
  const int e = b.indexOf(stored);
  return e < 0 ? kNone : b.entries[static_cast<size_t>(e)].value;
}

size_t TSZHash::sortedPosition(const u16& key, const u16& upper) const {
  // Ordered by the upper-cased key, then by the key itself, so that a
  // case-sensitive table lists "abc" and "ABC" next to each other.
  size_t lo = 0, hi = keys_.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const KeyItem& k = *keys_[mid];
    const int c = k.upper.compare(upper);
    if (c < 0 || (c == 0 && k.key < key)) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

int TSZHash::keyListIndex(const u16& upper, uint64_t serial) const {
  size_t first = 0;
  if (sorted_) {
    first = static_cast<size_t>(
        std::lower_bound(keys_.begin(), keys_.end(), upper,
                         [](const std::shared_ptr<const KeyItem>& k, const u16& u) { return k->upper < u; }) -
        keys_.begin());
    for (size_t i = first; i < keys_.size() && keys_[i]->upper == upper; ++i)
      if (keys_[i]->serial == serial) return static_cast<int>(i);
    return -1;
  }
  auto it = std::lower_bound(keys_.begin(), keys_.end(), serial,
                             [](const std::shared_ptr<const KeyItem>& k, uint64_t s) { return k->serial < s; });
  return it != keys_.end() && (*it)->serial == serial ? static_cast<int>(it - keys_.begin()) : -1;
}

}  // namespace kova
