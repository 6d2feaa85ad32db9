// ValueRow, a variable's slots: one slot held in place, more in a vector.
// It must behave as the std::vector<Value> it stands for.

#include <gtest/gtest.h>

#include "engine/scope.h"

namespace kova {
namespace {

std::vector<double> numbers(const ValueRow& row) {
  std::vector<double> out;
  for (const Value& v : row) {
    double d = -1;
    out.push_back(v.isEmpty() ? 0 : v.toNumber(d) ? d : -1);
  }
  return out;
}

TEST(ValueRow, GrowsAndShrinksKeepingItsSlots) {
  ValueRow row{Value::integer(7)};
  ASSERT_EQ(row.size(), 1u);
  row.resize(3);
  EXPECT_EQ(numbers(row), (std::vector<double>{7, 0, 0}));  // 0: Empty
  EXPECT_EQ(row[1].kind(), ValueKind::Empty);
  row.at(2) = Value::integer(9);
  row.resize(1);
  EXPECT_EQ(numbers(row), (std::vector<double>{7}));
  row.resize(0);
  EXPECT_TRUE(row.empty());
  row.resize(1);
  EXPECT_EQ(row[0].kind(), ValueKind::Empty);
}

TEST(ValueRow, AssignsFromItsOwnSlots) {
  ValueRow row{Value::integer(1), Value::integer(2), Value::integer(3)};
  row.assign(1, row[2]);
  EXPECT_EQ(numbers(row), (std::vector<double>{3}));
  row.assign(row.begin(), row.end());
  EXPECT_EQ(numbers(row), (std::vector<double>{3}));
  row.assign(2, row[0]);
  EXPECT_EQ(numbers(row), (std::vector<double>{3, 3}));
  row = std::vector<Value>{Value::integer(5)};
  EXPECT_EQ(numbers(row), (std::vector<double>{5}));
  row = std::vector<Value>{};
  EXPECT_TRUE(row.empty());
}

TEST(ValueRow, CopiesAreIndependentAndMovesLeaveNothing) {
  ValueRow one{Value::string(u"text")};
  ValueRow copy = one;
  copy.at(0) = Value::integer(2);
  EXPECT_EQ(one[0].toText(), u"text");
  ValueRow moved = std::move(one);
  EXPECT_EQ(moved[0].toText(), u"text");
  EXPECT_TRUE(one.empty());  // NOLINT(bugprone-use-after-move): the moved-from state is part of the contract
  ValueRow many{Value::integer(1), Value::integer(2)};
  moved = std::move(many);
  EXPECT_EQ(numbers(moved), (std::vector<double>{1, 2}));
  EXPECT_TRUE(many.empty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(moved.data(), &moved[0]);
}

TEST(ValueRow, CopiesShareTheirSlotsUntilOneWrites) {
  ValueRow original{Value::integer(1), Value::string(u"two"), Value::integer(3)};
  ValueRow copy = original;
  EXPECT_EQ(copy.data(), original.data());  // shared, nothing copied
  EXPECT_TRUE(original.shared());
  copy.at(1) = Value::string(u"changed");
  EXPECT_NE(copy.data(), original.data());
  EXPECT_EQ(original[1].toText(), u"two");
  EXPECT_EQ(copy[1].toText(), u"changed");
  EXPECT_FALSE(original.shared());
  // The sole holder writes in place.
  const Value* before = original.data();
  original.at(0) = Value::integer(5);
  EXPECT_EQ(original.data(), before);
  // Taking the slots out of a shared row copies them; the other row keeps its own.
  ValueRow third = original;
  std::vector<Value> taken = third.takeAll();
  EXPECT_TRUE(third.empty());
  EXPECT_EQ(numbers(original), (std::vector<double>{5, -1, 3}));
  EXPECT_EQ(taken.size(), 3u);
}

TEST(SharedText, CopiesShareOneBodyAndAppendsCopyOnlyWhenShared) {
  Value a = Value::string(u"abc");
  Value b = a;
  EXPECT_EQ(a.textBody(), b.textBody());
  EXPECT_FALSE(a.soleHolder());
  b.appendWide(u"def");  // b is not the only holder: it gets its own body
  EXPECT_NE(a.textBody(), b.textBody());
  EXPECT_EQ(a.wide(), u"abc");
  EXPECT_EQ(b.wide(), u"abcdef");
  EXPECT_TRUE(a.soleHolder());
  const void* body = b.textBody();
  b.appendWide(u"g");  // the sole holder appends in place
  EXPECT_EQ(b.textBody(), body);
  EXPECT_EQ(b.wide(), u"abcdefg");
  // A moved-from value is Empty; the body moves with the value.
  Value c = std::move(b);
  EXPECT_EQ(c.textBody(), body);
  EXPECT_TRUE(b.isEmpty());  // NOLINT(bugprone-use-after-move): part of the contract
  // A copy keeps the scanning state of the body it came from.
  c.markScannedClean(5);
  Value d = c;
  d.appendWide(u"h");
  EXPECT_EQ(d.scannedClean(), 5u);
  EXPECT_EQ(Value::narrow("xy").narrowBytes(), "xy");
}

}  // namespace
}  // namespace kova
