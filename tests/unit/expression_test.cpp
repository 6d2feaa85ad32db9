// The expression parser, the coercion rules and result rounding.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/expression_tree.h"
#include "engine/value_rules.h"

namespace kova {
namespace {

TEST(ExpressionParser, ChainsKeepLongSumsFlat) {
  std::u16string text = u"1";
  for (int i = 0; i < 50000; ++i) text += u" + 1";
  auto parsed = parseExpression(text);
  ASSERT_FALSE(parsed->syntaxError);
  ASSERT_EQ(parsed->root->op, ExprOp::Chain);
  EXPECT_EQ(parsed->root->operands.size(), 50001u);
}

TEST(ExpressionParser, DeepNestingIsASyntaxErrorNotACrash) {
  std::u16string text(100000, u'(');
  text += u"1";
  text += std::u16string(100000, u')');
  EXPECT_TRUE(parseExpression(text)->syntaxError);
  std::u16string signs(100000, u'-');
  EXPECT_TRUE(parseExpression(signs + u"1")->syntaxError);
  std::u16string shallow(500, u'(');
  EXPECT_FALSE(parseExpression(shallow + u"1" + std::u16string(500, u')'))->syntaxError);
}

TEST(ExpressionParser, Tokens) {
  double d = 0;
  EXPECT_TRUE(parseNumberToken(u"$FF", d));
  EXPECT_EQ(d, 255);
  EXPECT_TRUE(parseNumberToken(u"1.5E+3", d));
  EXPECT_EQ(d, 1500);
  EXPECT_FALSE(parseNumberToken(u"12AB", d));
  EXPECT_FALSE(parseNumberToken(std::u16string(10000, u'9'), d));  // overflows to infinity
  // Brackets belong to a name, with quotes and operators inside them.
  auto p = parseExpression(u"H[\"a + b\"] + A[I - 1][2]");
  ASSERT_FALSE(p->syntaxError);
  ASSERT_EQ(p->root->operands.size(), 2u);
  EXPECT_EQ(p->root->operands[0]->op, ExprOp::Identifier);
  EXPECT_EQ(p->root->operands[0]->operands.size(), 1u);
  EXPECT_EQ(p->root->operands[1]->operands.size(), 2u);
  // A call keeps its whole text; a dotted word is decided at run time.
  auto c = parseExpression(u"F(1, \")\") + OBJ.Name");
  ASSERT_FALSE(c->syntaxError);
  EXPECT_EQ(c->root->operands[0]->op, ExprOp::Call);
  EXPECT_EQ(c->root->operands[0]->text, u"F(1, \")\")");
  EXPECT_EQ(c->root->operands[1]->op, ExprOp::Dotted);
  // Only a trailing index may follow a complete expression.
  EXPECT_FALSE(parseExpression(u"SPLIT(S)[2]")->syntaxError);
  EXPECT_TRUE(parseExpression(u"1 2")->syntaxError);
  EXPECT_TRUE(parseExpression(u"\"open")->syntaxError);
  EXPECT_TRUE(parseExpression(u"(1 + 2")->syntaxError);
  EXPECT_TRUE(parseExpression(u"1 +")->syntaxError);
}

TEST(ExpressionParser, OrPresenceAndEmptyWords) {
  EXPECT_TRUE(parseExpression(u"A AND B OR C")->hasOr);
  EXPECT_TRUE(parseExpression(u"(A)OR(B)")->hasOr);
  EXPECT_FALSE(parseExpression(u"A AND B XOR C")->hasOr);
  auto p = parseExpression(u"X = EMPTY");
  ASSERT_EQ(p->root->op, ExprOp::Chain);
  EXPECT_FALSE(p->root->startsWithEmpty[0]);
  EXPECT_TRUE(p->root->startsWithEmpty[1]);
}

TEST(ValueRules, Addition) {
  auto add = [](const Value& a, const Value& b) { return addValues(a, b, true); };
  EXPECT_EQ(add(Value::string(u"1"), Value::number(2))->toText(), u"12");
  EXPECT_EQ(add(Value::number(2), Value::string(u"1"))->toText(), u"21");
  EXPECT_EQ(add(Value::boolean(1), Value::number(1))->doubleValue(), 2);
  EXPECT_EQ(add(Value(), Value::number(5))->doubleValue(), 5);
  EXPECT_EQ(add(Value(), Value::string(u"x"))->toText(), u"x");
  EXPECT_EQ(add(Value::null(), Value::number(3))->toText(), u"3");
  EXPECT_EQ(add(Value::error(1), Value::string(u"!"))->toText(), u"ERROR!");
  // Narrow strings add as numbers unless a byte function produced them.
  EXPECT_EQ(addValues(Value::narrow("1"), Value::narrow("2"), true)->doubleValue(), 3);
  const Value joined = *addValues(Value::narrow("1"), Value::narrow("2"), false);
  EXPECT_EQ(joined.kind(), ValueKind::NarrowString);
  EXPECT_EQ(joined.narrowBytes(), "12");
  // Bytes of one character split over two narrow texts join again.
  EXPECT_EQ(addValues(Value::narrow("\x93"), Value::narrow("\xFA"), false)->narrowBytes(), "\x93\xFA");
}

TEST(ValueRules, Comparison) {
  CompareOptions o;
  auto eq = [&](const Value& a, const Value& b, bool aEmpty = false, bool bEmpty = false) {
    return *compareValues(CompareOp::Equal, a, b, aEmpty, bEmpty, o);
  };
  EXPECT_TRUE(eq(Value::string(u"abc"), Value::string(u"ABC")));
  EXPECT_TRUE(eq(Value(), Value(), false, true));
  EXPECT_FALSE(eq(Value::number(0), Value(), false, true));  // the EMPTY marker is not "0"
  EXPECT_TRUE(eq(Value(), Value::number(0)));
  EXPECT_TRUE(eq(Value(), Value::string(u"")));
  EXPECT_TRUE(eq(Value::null(), Value::null()));
  EXPECT_TRUE(eq(Value::dispatch(nullptr), Value::dispatch(nullptr)));
  EXPECT_TRUE(eq(Value::boolean(1), Value::number(1)));
  EXPECT_FALSE(*compareValues(CompareOp::Greater, Value::string(u"10"), Value::string(u"9"), false, false, o));
  o.sameStr = true;
  EXPECT_FALSE(eq(Value::string(u"abc"), Value::string(u"ABC")));
}

TEST(ValueRules, IntegerConversionsAndRounding) {
  EXPECT_EQ(*logicalInteger(Value::number(-2.9)), -2);
  EXPECT_EQ(*modInteger(Value::number(2.5)), 2);
  EXPECT_EQ(*modInteger(Value::number(3.5)), 4);
  EXPECT_FALSE(logicalInteger(Value::number(1e300)));
  EXPECT_FALSE(logicalInteger(Value::string(u"abc")));
  EXPECT_EQ(roundResult(0.1 + 0.2), 0.3);
  EXPECT_EQ(roundResult(-0.5000000000004), -0.5);
  EXPECT_EQ(roundResult(1e15 + 0.5), 1e15);  // too large to scale: 15 significant digits
  EXPECT_TRUE(std::isnan(roundResult(std::nan(""))));
}

TEST(ValueFormatting, NumbersAndTexts) {
  EXPECT_EQ(formatNumber(3), u"3");
  EXPECT_EQ(formatNumber(-0.0), u"0");
  EXPECT_EQ(formatNumber(3.5), u"3.5");
  EXPECT_EQ(formatNumber(1.0 / 3.0), u"0.333333333333333");
  EXPECT_EQ(formatNumber(1e20), u"1E+20");
  EXPECT_EQ(Value::boolean(1).toText(), u"True");
  EXPECT_EQ(Value::boolean(0).toText(), u"False");
  double d = 0;
  EXPECT_TRUE(parseNumber(u" -12.5 ", d));
  EXPECT_EQ(d, -12.5);
  EXPECT_TRUE(parseNumber(u"$10", d));
  EXPECT_EQ(d, 16);
  EXPECT_FALSE(parseNumber(u"inf", d));
  EXPECT_FALSE(parseNumber(u"1,5", d));
  EXPECT_FALSE(parseNumber(u"", d));
}

TEST(ValueFormatting, ParseNumberWholeNumbersMatchTheGeneralReader) {
  // Whole numbers of up to 15 digits take a short path; from 16 digits on,
  // and for every other form, strtod reads them. Both must agree.
  double d = 0;
  EXPECT_TRUE(parseNumber(u"\t+42\r\n", d));
  EXPECT_EQ(d, 42);
  EXPECT_TRUE(parseNumber(u"-0", d));
  EXPECT_TRUE(std::signbit(d));
  EXPECT_TRUE(parseNumber(u"999999999999999", d));
  EXPECT_EQ(d, 999999999999999.0);
  EXPECT_TRUE(parseNumber(u"-9007199254740993", d));  // 16 digits: rounded as strtod rounds
  EXPECT_EQ(d, -9007199254740992.0);
  EXPECT_TRUE(parseNumber(u"007", d));
  EXPECT_EQ(d, 7);
  EXPECT_TRUE(parseNumber(u"1e3", d));
  EXPECT_EQ(d, 1000);
  EXPECT_FALSE(parseNumber(u"-", d));
  EXPECT_FALSE(parseNumber(u"+-1", d));
  EXPECT_FALSE(parseNumber(u"1 2", d));
  EXPECT_FALSE(parseNumber(u"\uFF11", d));  // a full-width digit is text
  EXPECT_FALSE(parseNumber(u"1e999", d));    // beyond the Doubles
}

}  // namespace
}  // namespace kova
