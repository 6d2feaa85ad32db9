// TSZHash: hash functions, bucket counts, the key list (order, case rules)
// and the operations scripts reach through h[...].

#include "engine/szhash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kova {
namespace {

std::vector<std::string> keysOf(const TSZHash& h) {
  std::vector<std::string> out;
  for (int i = 0; i < h.count(); ++i) out.push_back(toUtf8(h.keyAt(i)));
  return out;
}

u16 textOf(const TSZHash& h, const u16& key) {
  const TSZEntry* e = h.find(key);
  return e ? e->value.toText() : u"<none>";
}

TEST(SZHash, HashFunctionsOverKeyBytes) {
  // Values worked out by hand ("AB") and with 32-bit wrap-around for a key
  // long enough to push bits out of the top.
  const std::string longKey = "HELLO WORLD, THIS IS A LONG KEY";
  EXPECT_EQ(TSZHash::hash(1, "AB"), 2729u);
  EXPECT_EQ(TSZHash::hash(2, "AB"), 2146u);
  EXPECT_EQ(TSZHash::hash(3, "AB"), 1949u);
  EXPECT_EQ(TSZHash::hash(4, "AB"), 1106u);
  EXPECT_EQ(TSZHash::hash(1, longKey), 2156836992u);
  EXPECT_EQ(TSZHash::hash(2, longKey), 742490464u);
  EXPECT_EQ(TSZHash::hash(3, longKey), 832260096u);
  EXPECT_EQ(TSZHash::hash(4, longKey), 18450537u);
  // Bytes above 0x7F count unsigned.
  EXPECT_EQ(TSZHash::hash(2, "\xC3\xA4"), (0xC3u << 5) ^ 0xA4u);
  // Unknown selectors hash as 1, and a table created with one uses 1.
  EXPECT_EQ(TSZHash::hash(0, longKey), TSZHash::hash(1, longKey));
  EXPECT_EQ(TSZHash::hash(7, longKey), TSZHash::hash(1, longKey));
  EXPECT_EQ(TSZHash(false, false, 9, 11).selector(), 1);
  EXPECT_EQ(TSZHash(false, false, 4, 11).selector(), 4);
  EXPECT_EQ(TSZHash::hash(3, ""), 0u);
}

TEST(SZHash, BucketCountIsPrimeFromRequest) {
  EXPECT_EQ(TSZHash::bucketCountFor(1023), 1021);
  EXPECT_EQ(TSZHash::bucketCountFor(1021), 1021);
  EXPECT_EQ(TSZHash::bucketCountFor(4), 5);
  EXPECT_EQ(TSZHash::bucketCountFor(2), 2);
  EXPECT_EQ(TSZHash::bucketCountFor(3), 3);
  EXPECT_EQ(TSZHash::bucketCountFor(12), 13);
  EXPECT_EQ(TSZHash::bucketCountFor(25), 23);  // 25 is not prime, 23 is
  EXPECT_EQ(TSZHash::bucketCountFor(100), 97);
  // Nonsense requests still give a usable prime.
  EXPECT_TRUE(TSZHash::isPrime(TSZHash::bucketCountFor(0)));
  EXPECT_TRUE(TSZHash::isPrime(TSZHash::bucketCountFor(-5)));
  EXPECT_TRUE(TSZHash::isPrime(TSZHash::bucketCountFor(2147483647)));
  EXPECT_EQ(TSZHash().bucketCount(), 1021);

  for (long long n : {2, 3, 5, 7, 11, 13, 1019, 1021, 7919}) EXPECT_TRUE(TSZHash::isPrime(n)) << n;
  for (long long n : {-7, 0, 1, 4, 9, 25, 35, 49, 121, 143, 1023, 7917}) EXPECT_FALSE(TSZHash::isPrime(n)) << n;
}

TEST(SZHash, PutFindAndCaseRules) {
  TSZHash h;
  EXPECT_EQ(h.put(u"abc", Value::number(1)), 1);
  EXPECT_EQ(h.put(u"ABC", Value::number(2)), 0);  // same key without case care
  EXPECT_EQ(h.count(), 1);
  EXPECT_EQ(toUtf8(h.keyAt(0)), "abc");           // first spelling kept
  EXPECT_EQ(textOf(h, u"aBc"), u"2");
  EXPECT_EQ(h.find(u"abd"), nullptr);
  EXPECT_EQ(h.find(u"abc")->key, "ABC");          // stored form: upper-cased UTF-8
  // Case folding goes beyond ASCII.
  h.put(u"ä", Value::string(u"umlaut"));
  EXPECT_EQ(textOf(h, u"Ä"), u"umlaut");
  EXPECT_EQ(h.find(u"ä")->key, "\xC3\x84");

  TSZHash c(true);
  EXPECT_EQ(c.put(u"abc", Value::number(1)), 1);
  EXPECT_EQ(c.put(u"ABC", Value::number(2)), 1);
  EXPECT_EQ(c.count(), 2);
  EXPECT_EQ(textOf(c, u"abc"), u"1");
  EXPECT_EQ(textOf(c, u"ABC"), u"2");
  EXPECT_EQ(c.find(u"Abc"), nullptr);
  EXPECT_TRUE(c.remove(u"ABC"));
  EXPECT_EQ(keysOf(c), std::vector<std::string>{"abc"});

  // The empty key is a key like any other and lies in bucket 0.
  EXPECT_EQ(h.put(u"", Value::number(0)), 1);
  EXPECT_EQ(h.bucketOf(h.storedKey(u"")), 0);
  EXPECT_EQ(textOf(h, u""), u"0");
}

TEST(SZHash, KeyListOrderInsertedOrSorted) {
  TSZHash plain;
  for (const char16_t* k : {u"pear", u"Apple", u"banana", u"apple"}) plain.put(k, Value::string(k));
  EXPECT_EQ(keysOf(plain), (std::vector<std::string>{"pear", "Apple", "banana"}));
  EXPECT_EQ(plain.valueAt(1).toText(), u"apple");  // "apple" replaced the value of "Apple"

  TSZHash sorted(false, true);
  for (const char16_t* k : {u"pear", u"Apple", u"banana", u"cherry", u"apple"}) sorted.put(k, Value::string(k));
  EXPECT_EQ(keysOf(sorted), (std::vector<std::string>{"Apple", "banana", "cherry", "pear"}));
  EXPECT_TRUE(sorted.remove(u"BANANA"));
  EXPECT_EQ(keysOf(sorted), (std::vector<std::string>{"Apple", "cherry", "pear"}));
  sorted.put(u"Blueberry", Value());
  EXPECT_EQ(keysOf(sorted), (std::vector<std::string>{"Apple", "Blueberry", "cherry", "pear"}));

  // Case-sensitive and sorted: spellings of one word stay next to each other.
  TSZHash both(true, true);
  for (const char16_t* k : {u"b", u"B", u"a", u"A", u"ab"}) both.put(k, Value());
  EXPECT_EQ(keysOf(both), (std::vector<std::string>{"A", "a", "ab", "B", "b"}));
  EXPECT_TRUE(both.remove(u"a"));
  EXPECT_EQ(keysOf(both), (std::vector<std::string>{"A", "ab", "B", "b"}));
}

TEST(SZHash, RemoveClearAndKeepingTheKeyList) {
  TSZHash h;
  h.put(u"x", Value::number(1));
  h.put(u"y", Value::number(2));
  h.put(u"z", Value::number(3));
  EXPECT_TRUE(h.remove(u"Y"));
  EXPECT_FALSE(h.remove(u"y"));
  EXPECT_EQ(keysOf(h), (std::vector<std::string>{"x", "z"}));
  EXPECT_EQ(h.valueAt(1).toText(), u"3");

  // Keeping the key list leaves the key without a value.
  EXPECT_TRUE(h.remove(u"x", true));
  EXPECT_EQ(h.count(), 2);
  EXPECT_TRUE(h.valueAt(0).isEmpty());
  EXPECT_EQ(h.find(u"x"), nullptr);

  // Putting the key again lists it a second time; both read its value, and
  // removing it takes the new listing.
  EXPECT_EQ(h.put(u"X", Value::number(5)), 1);
  EXPECT_EQ(keysOf(h), (std::vector<std::string>{"x", "z", "X"}));
  EXPECT_EQ(h.valueAt(0).toText(), u"5");
  EXPECT_TRUE(h.remove(u"x"));
  EXPECT_EQ(keysOf(h), (std::vector<std::string>{"x", "z"}));

  h.clear();
  EXPECT_EQ(h.count(), 0);
  EXPECT_EQ(h.find(u"z"), nullptr);
  EXPECT_EQ(h.put(u"z", Value::number(4)), 1);
  EXPECT_EQ(keysOf(h), std::vector<std::string>{"z"});
}

TEST(SZHash, CollisionsStayApartInOneBucket) {
  // Two buckets for fifty keys: every bucket holds a chain.
  TSZHash h(false, false, 2, 2);
  ASSERT_EQ(h.bucketCount(), 2);
  for (int i = 0; i < 50; ++i) h.put(u"k" + toU16(i), Value::number(i));
  for (int i = 0; i < 50; ++i) EXPECT_EQ(textOf(h, u"K" + toU16(i)), toU16(i));
  EXPECT_EQ(h.bucket(0).entries.size() + h.bucket(1).entries.size(), 50u);
  // The probe counter tells how many entries the last search compared.
  const std::string first = h.bucket(0).entries.front().key;
  const std::string last = h.bucket(0).entries.back().key;
  EXPECT_EQ(h.bucket(0).indexOf(first), 0);
  EXPECT_EQ(h.bucket(0).probes, 1);
  h.bucket(0).indexOf(last);
  EXPECT_EQ(h.bucket(0).probes, static_cast<int>(h.bucket(0).entries.size()));
  EXPECT_EQ(h.bucket(0).indexOf("absent"), -1);
  EXPECT_EQ(h.bucket(0).probes, static_cast<int>(h.bucket(0).entries.size()));
  for (int i = 0; i < 50; i += 2) EXPECT_TRUE(h.remove(u"k" + toU16(i)));
  EXPECT_EQ(h.count(), 25);
  EXPECT_EQ(toUtf8(h.keyAt(0)), "k1");
  EXPECT_EQ(textOf(h, u"k49"), u"49");
}

TEST(SZHash, KeysWithTheSameTagStayApart) {
  // "K47199" and "K1168204" share their tag: the key bytes still decide.
  ASSERT_EQ(keyTag("K47199"), keyTag("K1168204"));
  TSZSubList bucket;
  bucket.entries.push_back(TSZEntry{"K47199", Value::number(1), 0, keyTag("K47199")});
  EXPECT_EQ(bucket.indexOf("K1168204"), -1);
  bucket.entries.push_back(TSZEntry{"K1168204", Value::number(2), 1, keyTag("K1168204")});
  EXPECT_EQ(bucket.indexOf("K47199"), 0);
  EXPECT_EQ(bucket.indexOf("K1168204"), 1);
  TSZHash h(false, false, 2, 2);
  h.put(u"k47199", Value::number(1));
  h.put(u"k1168204", Value::number(2));
  EXPECT_EQ(textOf(h, u"K47199"), u"1");
  EXPECT_EQ(textOf(h, u"K1168204"), u"2");
}

}  // namespace
}  // namespace kova
