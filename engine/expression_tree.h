#pragma once
// The parsed form of an expression text. An expression is tokenised and
// parsed once; the tree is cached by text and evaluated as often as the
// statement runs. Evaluation follows the text rules exactly: operands are
// evaluated left to right, a failing operation makes its level 0 and sets
// the error flag while the remaining operands are still evaluated, and a
// short circuit at parenthesis depth 0 ends the whole expression.
//
// The two-operand levels are left-associative loops; each is one Chain
// node holding all operands of the loop, so a long sum is evaluated by a
// loop rather than by recursion as deep as the sum is long.

#include <atomic>
#include <memory>
#include <vector>

#include "engine/call_form.h"
#include "engine/slot_hint.h"
#include "engine/value.h"
#include "engine/value_rules.h"
#include "util/u16.h"

namespace kova {

enum class ExprOp : uint8_t {
  // Leaves.
  Number,      // number literal (value holds the Double)
  String,      // string literal (value holds the wide string, escapes not yet expanded)
  Identifier,  // variable or constant, possibly with indexes
  Call,        // NAME(arguments): handed to the call handler with its text
  Dotted,      // dotted word: a module-qualified variable or COM member access,
               // decided when evaluated (THIS. and WITH depend on the scope)
  Invalid,     // a token that could not be read (sets the error flag)
  // One operand.
  Negate,
  Not,
  // Operator chain of one precedence level.
  Chain,
  // Operators inside a chain.
  Or,
  Xor,
  And,
  Greater,
  Less,
  Equal,
  GreaterEqual,
  LessEqual,
  NotEqual,
  Add,
  Subtract,
  Multiply,
  Divide,
  Mod,
};

struct ExprNode;

// The comparison a comparison operator stands for.
inline CompareOp compareOpOf(ExprOp op) {
  switch (op) {
    case ExprOp::Greater: return CompareOp::Greater;
    case ExprOp::Less: return CompareOp::Less;
    case ExprOp::GreaterEqual: return CompareOp::GreaterEqual;
    case ExprOp::LessEqual: return CompareOp::LessEqual;
    case ExprOp::NotEqual: return CompareOp::NotEqual;
    default: return CompareOp::Equal;
  }
}

// The postfix form of a number expression: steps push a literal or a local
// variable's number, or combine the top of the stack. The operands of a
// chain are pushed left to right, each combined as soon as it is there, so
// the order is the tree's.
// Element reads an element of a local declared array: the indexes are on
// the stack (as many as the Identifier node has), the element replaces them.
enum class NumberOp : uint8_t { Constant, Name, Element, Negate, Add, Subtract, Multiply, Divide, Mod };

struct NumberStep {
  NumberOp op = NumberOp::Constant;
  double constant = 0;          // Constant
  const ExprNode* name = nullptr;  // Name, Element: the Identifier node (text, hint, indexes)
};

struct NumberCode {
  std::vector<NumberStep> steps;
  // The root is a comparison (the steps leave both sides on the stack).
  bool compares = false;
  CompareOp comparison = CompareOp::Equal;
  // The root is a single literal or name: its value is the result as it
  // is (an integer stays an integer), not a Double made of it.
  bool leaf = false;
  // Stack slots the steps need (at most kMaxDepth).
  uint8_t depth = 0;
  static constexpr int kMaxDepth = 16;
  static constexpr size_t kMaxElementIndexes = 3;
};

struct ExprNode {
  ExprOp op = ExprOp::Invalid;
  // Chain: the operands; Negate/Not: one operand; Identifier: the index
  // expressions, flattened ("A[1][2]" and "A[1, 2]" both give two).
  std::vector<std::unique_ptr<ExprNode>> operands;
  // Chain: ops[k] combines the result so far with operands[k + 1].
  std::vector<ExprOp> ops;
  // Chain of comparisons: whether operand k's own first token was the word
  // EMPTY (such an Empty side compares as the EMPTY marker).
  std::vector<bool> startsWithEmpty;
  // Literal value (Number, String).
  Value value;
  // Identifier: bare name, upper-cased; Call and Dotted: the whole text.
  u16 text;
  bool hasIndexes = false;
  // Identifier: where the name was last found among a scope's variables.
  SlotHint hint;
  // Identifier without indexes: 0 not known yet, 1 no fixed constant, 2 the
  // fixed named constant `constant` (TUScript::fixedConstant).
  mutable std::atomic<uint8_t> constantState{0};
  mutable std::atomic<double> constant{0};
  // Call: the split call text, made on first evaluation.
  std::shared_ptr<CallSlot> call;
  // Chain of AND or OR/XOR at parenthesis depth 0: may short-circuit.
  bool topLevel = false;
};

struct ParsedExpression {
  std::unique_ptr<ExprNode> root;  // null for an empty text
  // A trailing "[i]" / "[i, j]" on an array result (as in SPLIT(s)[2]).
  std::vector<std::unique_ptr<ExprNode>> trailingIndexes;
  // Set when tokenising or parsing failed; the tree holds what could be
  // read, so that calls in it still run, and evaluation reports the error.
  bool syntaxError = false;
  // The text contains " OR ", ")OR(", " OR(" or ")OR ": AND never
  // short-circuits in such an expression.
  bool hasOr = false;
  // Set when the tree is a number expression: number literals, names
  // (with up to kMaxElementIndexes indexes that are number expressions
  // themselves), unary minus and + - * / MOD, under at most one
  // comparison at the root. The evaluator then runs `numberCode` in doubles
  // while every name it reads is a local number; anything else takes the
  // general path, which gives the same result.
  bool numberShape = false;
  NumberCode numberCode;
};

// Parses an expression text. Never fails: faults are recorded in
// `syntaxError` and evaluation reports them. Nesting deeper than
// kMaxExpressionNesting (parentheses, unary operators) is such a fault.
std::shared_ptr<const ParsedExpression> parseExpression(u16v text);
inline constexpr int kMaxExpressionNesting = 1000;

// Reads a number token's text: decimal with optional fraction and
// exponent, or "$" hexadecimal.
bool parseNumberToken(u16v text, double& out);

}  // namespace kova
