#pragma once
// The scheduler's expression calculator: a small arithmetic evaluator of its
// own, independent of the script engine (own tokenizer, grammar and function
// set). The scheduler substitutes the date/time words first and fires an
// entry when the value is 1; the timer dialog validates typed expressions.
//
// Every failure yields kScheduleCalcError and nothing else: syntax errors,
// unknown names, wrong argument counts, unbalanced parentheses, trailing
// tokens, unreadable numbers and arithmetic faults (square root or logarithm
// of a negative number, overflow, MOD by zero). Evaluation never throws and
// never reports a message.

#include <string_view>

#include "util/u16.h"

namespace kova {

inline constexpr double kScheduleCalcError = -2100000000.0;

// `expression` is 8-bit text; only ASCII takes part in the grammar, any
// other byte is a one-character token that makes the expression invalid.
// Blank (or empty) input evaluates to 0. Letters are case-insensitive.
double evaluateScheduleExpression(std::string_view expression);
// Same for wide text; characters outside ASCII are invalid tokens.
double evaluateScheduleExpression(u16v expression);

}  // namespace kova
