#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "util/schedule_calculator.h"

namespace kova {
namespace {

double calc(const char* text) { return evaluateScheduleExpression(std::string_view(text)); }

TEST(ScheduleCalculator, BlankInputIsZero) {
  EXPECT_EQ(calc(""), 0);
  EXPECT_EQ(calc("   "), 0);
  EXPECT_EQ(calc(" \t "), 0);
}

TEST(ScheduleCalculator, ArithmeticAndPrecedence) {
  EXPECT_EQ(calc("1+2*3"), 7);
  EXPECT_EQ(calc("(1+2)*3"), 9);
  EXPECT_EQ(calc(" 10 - 4 - 3 "), 3);  // left-associative
  EXPECT_EQ(calc("8/2/2"), 2);
  EXPECT_EQ(calc("5/0"), 0);  // division by zero is 0, not an error
  EXPECT_EQ(calc("-3+5"), 2);
  EXPECT_EQ(calc("2*-3"), -6);
  EXPECT_EQ(calc(".5+1.5"), 2);
  EXPECT_EQ(calc("((2))"), 2);
}

TEST(ScheduleCalculator, ModRoundsHalvesToEvenAndFollowsTheDividend) {
  EXPECT_EQ(calc("7 MOD 3"), 1);
  EXPECT_EQ(calc("-7 MOD 3"), -1);
  EXPECT_EQ(calc("7 mod -3"), 1);
  EXPECT_EQ(calc("7.5 MOD 5"), 3);  // 7.5 rounds to 8
  EXPECT_EQ(calc("6.5 MOD 5"), 1);  // 6.5 rounds to 6
  EXPECT_EQ(calc("5 MOD 0"), kScheduleCalcError);
  EXPECT_EQ(calc("5 MOD 0.4"), kScheduleCalcError);  // divisor rounds to 0
}

TEST(ScheduleCalculator, ComparisonsAndLogic) {
  EXPECT_EQ(calc("3>2"), 1);
  EXPECT_EQ(calc("3<2"), 0);
  EXPECT_EQ(calc("1<2<3"), 1);
  EXPECT_EQ(calc("3>2>1"), 0);  // (3>2)=1, 1>1 is false
  EXPECT_EQ(calc("2>=2"), 1);
  EXPECT_EQ(calc("2<=1"), 0);
  EXPECT_EQ(calc("2<>3"), 1);
  EXPECT_EQ(calc("2=2 AND 3=3"), 1);
  EXPECT_EQ(calc("2=2 and 3=4"), 0);
  EXPECT_EQ(calc("1=2 or 3=3"), 1);
  EXPECT_EQ(calc("6 & 3"), 2);
  EXPECT_EQ(calc("6 | 3"), 7);
  EXPECT_EQ(calc("6.9 & 3.9"), 2);  // truncated before combining
  EXPECT_EQ(calc("1 | 2 & 3"), 3);  // AND binds tighter than OR
  EXPECT_EQ(calc("!0"), 1);
  EXPECT_EQ(calc("!5"), 0);
  EXPECT_EQ(calc("!0+1"), 2);
  EXPECT_EQ(calc("!!0"), kScheduleCalcError);  // one '!' only
  EXPECT_EQ(calc("1E30 | 1"), kScheduleCalcError);  // outside 64-bit integers
}

TEST(ScheduleCalculator, NumberForms) {
  EXPECT_EQ(calc("$FF"), 255);
  EXPECT_EQ(calc("$1f"), 31);
  EXPECT_EQ(calc("1e3"), 1000);
  EXPECT_EQ(calc("1E+3"), 1000);
  EXPECT_EQ(calc("2.5e-1"), 0.25);
  EXPECT_EQ(calc("5."), 5);
  EXPECT_EQ(calc("$"), kScheduleCalcError);
  EXPECT_EQ(calc("$FG"), kScheduleCalcError);
  EXPECT_EQ(calc("1.2.3"), kScheduleCalcError);
  EXPECT_EQ(calc("1.2.3+1"), kScheduleCalcError);  // the error value does not leak as a number
  EXPECT_EQ(calc("1E"), kScheduleCalcError);
  EXPECT_EQ(calc("7MOD3"), kScheduleCalcError);  // one token, not a number
  EXPECT_EQ(calc("-(1)"), kScheduleCalcError);   // a sign applies to a number only
  EXPECT_EQ(calc("-"), kScheduleCalcError);
  // Token length: up to 32 characters always, up to 64 with an early '.'.
  const std::string d32(32, '1'), d33(33, '1');
  EXPECT_NE(calc(d32.c_str()), kScheduleCalcError);
  EXPECT_EQ(calc(d33.c_str()), kScheduleCalcError);
  EXPECT_NE(calc(("1." + std::string(50, '0')).c_str()), kScheduleCalcError);
  EXPECT_EQ(calc(("1." + std::string(63, '0')).c_str()), kScheduleCalcError);
  EXPECT_EQ(calc((std::string(32, '0') + ".5").c_str()), kScheduleCalcError);
}

TEST(ScheduleCalculator, Functions) {
  EXPECT_EQ(calc("ROUND(2.5)"), 2);
  EXPECT_EQ(calc("ROUND(3.5)"), 4);
  EXPECT_EQ(calc("round(-2.5)"), -2);
  EXPECT_EQ(calc("INT(-2.7)"), -2);
  EXPECT_EQ(calc("ABS(-4)"), 4);
  EXPECT_EQ(calc("ZCUT(-4)"), 0);
  EXPECT_EQ(calc("ZCUT(4)"), 4);
  EXPECT_EQ(calc("IIF(1, 10, 20)"), 10);
  EXPECT_EQ(calc("IIF(0, 10, 20)"), 20);
  EXPECT_EQ(calc("SQRT(16)"), 4);
  EXPECT_EQ(calc("POWER(2, 10)"), 1024);
  EXPECT_EQ(calc("SIN(0) + COS(0) + TAN(0)"), 1);
  EXPECT_EQ(calc("EXP(0)"), 1);
  EXPECT_EQ(calc("LN(1)"), 0);
  EXPECT_NEAR(calc("LOGN(10, 1000)"), 3, 1e-12);
  EXPECT_EQ(calc("ABS(2-5)*2"), 6);
  EXPECT_EQ(calc("ABS(ABS(-1)+IIF(1=1,2,3))"), 3);
  EXPECT_EQ(calc("ABS(-2100000000)"), 2100000000);  // an argument equal to the error value
  EXPECT_EQ(calc("ABS(1 2)"), 1);  // any token after an argument separates
}

TEST(ScheduleCalculator, ErrorsGiveTheErrorValue) {
  const char* bad[] = {
      "ABS(1,2)", "ABS()", "IIF(1,2)", "POWER(2)",  // argument counts
      "(1+2", "1+2)", "ABS(1", "ABS",              // parentheses and calls
      "FOO(1)", "X", "1+",                         // unknown names, missing operand
      "12 34",                                     // trailing token
      "SQRT(-1)", "LN(0)", "LN(-1)", "LOGN(1, 5)", "EXP(1000)", "POWER(0,-1)",
      "1E308*10",                                  // overflow
      "1 ? 2", "\xE3\x81\x82",                     // foreign characters
      "ABS(1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1)",    // 17 arguments
  };
  for (const char* text : bad) EXPECT_EQ(calc(text), kScheduleCalcError) << text;
  EXPECT_EQ(calc("IIF(1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1)"), kScheduleCalcError);  // 16 is parsed, count wrong
}

TEST(ScheduleCalculator, DeepNestingIsRefusedNotOverflowed) {
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_EQ(calc(deep.c_str()), kScheduleCalcError);
  const std::string ok = std::string(50, '(') + "1" + std::string(50, ')');
  EXPECT_EQ(calc(ok.c_str()), 1);
}

TEST(ScheduleCalculator, WideTextOverload) {
  EXPECT_EQ(evaluateScheduleExpression(u16v(u"1+2*3")), 7);
  EXPECT_EQ(evaluateScheduleExpression(u16v(u"1\u30012")), kScheduleCalcError);
}

}  // namespace
}  // namespace kova
