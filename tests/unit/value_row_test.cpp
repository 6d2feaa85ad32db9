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
  row[2] = Value::integer(9);
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
  copy[0] = Value::integer(2);
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

}  // namespace
}  // namespace kova
