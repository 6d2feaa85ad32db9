// Evaluation of expression texts: the engine's single entry for every
// expression. Texts are parsed once (expression_parser.cpp) and the trees
// are kept in a cache keyed by the text, so a line that runs again is not
// tokenised again.

#include <algorithm>
#include <cmath>

#include "engine/compiled_statement.h"
#include "engine/expression_tree.h"
#include "engine/named_constants.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"
#include "engine/value_rules.h"
#include "util/fp_control.h"

namespace kova {

namespace {

// SET8087CW's word comes back when something (a DLL) changed the control.
void reloadFpControl(const TUScript& e) {
  if (e.savedFpControlWord && !fpControlIsLoaded(*e.savedFpControlWord)) loadFpControlWord(*e.savedFpControlWord);
}

u16 expandThunk(const void* engine, u16v text) { return static_cast<const TUScript*>(engine)->expandEscapes(text); }

// Whether reading a variable ended the statement: the read reported an
// error that stopped the run, or that a TRY took (its EXCEPT part ran and
// moved the offset, or a caller's TRY took it and this procedure ends). The
// rest of the statement then does not run, as after a failing call.
class ReadWatch {
 public:
  ReadWatch(const TUScript& e, const THensuFmt& scope)
      : e_(e), scope_(scope), offset_(scope.offset), stopped_(e.stopFlag), exit_(scope.exitFlag) {}
  bool interrupted() const {
    return (e_.stopFlag && !stopped_) || scope_.offset != offset_ || (scope_.exitFlag && !exit_);
  }

 private:
  const TUScript& e_;
  const THensuFmt& scope_;
  const int32_t offset_;
  const bool stopped_;
  const bool exit_;
};

class Evaluator {
 public:
  Evaluator(TUScript& e, THensuFmt& scope, const ParsedExpression& parsed, bool wantShortCircuit,
            const CompiledTarget* appendTarget = nullptr)
      : e_(e),
        scope_(scope),
        parsed_(parsed),
        appendTarget_(appendTarget),
        shortCircuit_(wantShortCircuit && e.program.options.shortCircuit),
        startOffset_(scope.offset) {
    compare_.sameStr = e.program.options.sameStr;
    compare_.expand = expandThunk;
    compare_.expandContext = &e;
  }

  // Returns the value, or empty when the evaluation failed.
  std::optional<Value> run() {
    // Only the outermost evaluation starts the byte-result flag afresh: an
    // argument evaluated inside a call must not clear what the expression
    // around it has produced.
    struct Depth {
      TUScript& e;
      explicit Depth(TUScript& engine) : e(engine) {
        const int depth = e.evaluationDepth.load(std::memory_order_relaxed);
        e.evaluationDepth.store(depth + 1, std::memory_order_relaxed);
        if (depth == 0) e.byteResultProduced.store(false, std::memory_order_relaxed);
      }
      ~Depth() { e.evaluationDepth.store(e.evaluationDepth.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed); }
    } depth(e_);
    if (!parsed_.root) return parsed_.syntaxError ? fail() : std::optional<Value>(Value());
    Value v = eval(*parsed_.root);
    if (shortCircuited_) v = shortCircuitValue_;
    if (!shortCircuited_ && !parsed_.trailingIndexes.empty() && !error_) v = applyTrailingIndexes(v);
    if (parsed_.syntaxError || error_) return fail();
    reloadFpControl(e_);
    if (v.kind() == ValueKind::Double && !e_.program.options.roundValue) v = Value::number(roundResult(v.doubleValue()));
    else if (v.kind() == ValueKind::WideString) expandPlaceholders(v);
    return v;
  }

 private:
  // Expands the placeholders of a text result. Every placeholder starts with
  // "<#" and expands to text without "<" or "#", so the text before the
  // first "<#" is left as it is and only the rest is expanded: a text built
  // by appends is scanned from where the previous scan of its body ended and
  // rewritten only from its first placeholder on, in place when the result
  // is the text's only holder.
  void expandPlaceholders(Value& v) {
    const u16& t = v.wide();
    const size_t clean = std::min(v.scannedClean(), t.size());
    const size_t from = clean > 0 ? clean - 1 : 0;  // a "<" before the mark may meet a "#" after it
    size_t at = findPlaceholderStart(u16v(t).substr(from));
    if (at == u16v::npos) {
      v.markScannedClean(t.size());
      return;
    }
    at += from;
    u16 tail = e_.expandEscapes(u16v(t).substr(at));
    if (v.soleHolder()) {
      u16& own = v.ownWide();
      own.resize(at);
      own += tail;
    } else {
      u16 whole(u16v(t).substr(0, at));
      whole += tail;
      v = Value::string(std::move(whole));
    }
    v.markScannedClean(at);
  }

  std::optional<Value> fail() {
    // An error inside a called function was reported there (or handed to a
    // TRY, which moved this scope's offset): no second message.
    if (!quietError_ && scope_.offset == startOffset_ && !e_.stopFlag &&
        !(e_.checkingMode && e_.checkLeavesFailuresToTry))
      e_.report(text(e_.checkingMode ? rm::kExpressionCheck : rm::kExpressionRuntime), &scope_);
    return std::nullopt;
  }

  bool stopped() const { return shortCircuited_; }

  Value failed(bool logical) {
    error_ = true;
    return logical ? e_.falseValue : Value::integer(0);
  }

  // A value is "true" when it is not equal to 0 by the comparison rules.
  bool nonZero(const Value& v) {
    double d = 0;
    if (v.isNumeric() && v.toNumber(d)) return d != 0;
    const auto equal = compareValues(CompareOp::Equal, v, Value::number(0), false, false, compare_);
    return !(equal && *equal);
  }

  Value eval(const ExprNode& n) {
    if (stopped()) return Value();
    switch (n.op) {
      case ExprOp::Number:
      case ExprOp::String:
        return n.value;
      case ExprOp::Identifier:
        return identifier(n);
      case ExprOp::Call:
        return call(n);
      case ExprOp::Dotted:
        return dotted(n);
      case ExprOp::Negate: {
        const Value v = eval(*n.operands[0]);
        if (stopped()) return Value();
        const auto d = arithmeticNumber(v);
        if (!d) return failed(false);
        return Value::number(-*d);
      }
      case ExprOp::Not: {
        const Value v = eval(*n.operands[0]);
        if (stopped()) return Value();
        return nonZero(v) ? e_.falseValue : e_.trueValue;
      }
      case ExprOp::Chain:
        return chain(n);
      default:
        return failed(false);
    }
  }

  Value identifier(const ExprNode& n) {
    if (n.operands.empty() && !e_.checkingMode) {
      double constant = 0;
      if (e_.fixedConstant(n, constant)) return Value::number(constant);
      // A plain name, the most common node: nothing to gather.
      const ReadWatch watch(e_, scope_);
      Value v = e_.getValueIndexed(n.text, n.hasIndexes, IndexList(), scope_, &n.hint);
      if (watch.interrupted()) quietFailure();
      return v;
    }
    IndexValues indexes(n.operands.size());
    for (const auto& index : n.operands) {
      indexes.push_back(eval(*index));
      if (stopped()) return Value();
    }
    if (e_.checkingMode) {
      // Check mode: the name is only resolved against the check scope.
      if (!e_.checkReference(n.text, n.hasIndexes, n.operands.size(), scope_)) quietFailure();
      return Value::number(1);
    }
    const ReadWatch watch(e_, scope_);
    Value v = e_.getValueIndexed(n.text, n.hasIndexes, indexes, scope_, &n.hint);
    if (watch.interrupted()) quietFailure();
    return v;
  }

  Value call(const ExprNode& n) {
    if (e_.checkingMode) {
      // Check mode: the call is validated, not made.
      if (!e_.checkCall(n.text, scope_, false, false)) quietFailure();
      return Value::number(1);
    }
    const int32_t offsetBefore = scope_.offset;
    const bool stoppedBefore = e_.stopFlag;
    Value result;
    std::call_once(n.call->once, [&] { n.call->form = e_.compileCall(n.text); });
    e_.callForm(*n.call->form, scope_, result, false, false);
    if ((e_.stopFlag && !stoppedBefore) || scope_.offset != offsetBefore) quietFailure();
    return result;
  }

  Value dotted(const ExprNode& n) {
    if (e_.checkingMode) {
      // Check mode: a module member is resolved, a COM member chain checked.
      if (!e_.checkDotted(n.text, scope_)) quietFailure();
      return Value::number(1);
    }
    if (e_.isModuleQualified(n.text, scope_)) {
      const ReadWatch watch(e_, scope_);
      Value v = e_.getValue(n.text, scope_);
      if (watch.interrupted()) quietFailure();
      return v;
    }
    Value v;
    if (!e_.memberAccess(n.text, scope_, v)) quietFailure();
    return v;
  }

  // The failure was already reported by whoever met it.
  void quietFailure() {
    error_ = true;
    quietError_ = true;
  }

  // The root of "X = X + a + b ..." (see CompiledStatement::appendsToTarget):
  // no operand can run script code or read the text through X by a call, so
  // evaluating every operand before joining them is the same as joining
  // them one by one. When the first is X's own text and every other joins
  // to a text (no array or COM object), X's share of the body is given up
  // before the joins, so that the body grows in place instead of being
  // copied per statement. A join that fails leaves X as it was.
  Value appendChain(const ExprNode& n) {
    constexpr size_t kMaxOperands = 8;
    if (n.operands.size() > kMaxOperands) return chainFrom(n, nullptr);
    Value values[kMaxOperands];
    for (size_t k = 0; k < n.operands.size(); ++k) values[k] = eval(*n.operands[k]);
    bool joinable = !error_ && !e_.stopFlag && scope_.offset == startOffset_ &&
                    values[0].kind() == ValueKind::WideString;
    for (size_t k = 1; joinable && k < n.operands.size(); ++k)
      joinable = !values[k].isArray() && values[k].kind() != ValueKind::Dispatch;
    // Found after the operands: an error handed to a TRY may have run code
    // that added variables.
    Value* slot = joinable ? e_.appendableSlot(*appendTarget_, scope_) : nullptr;
    if (!slot || slot->textBody() != values[0].textBody()) return chainFrom(n, values);
    Value acc = std::move(values[0]);
    *slot = Value();  // X's share: acc may now be the body's only holder
    const size_t before = acc.wide().size();
    try {
      for (size_t k = 1; k < n.operands.size(); ++k) appendForAdd(acc, values[k]);
    } catch (...) {
      acc.ownWide().resize(before);
      *slot = std::move(acc);
      throw;
    }
    return acc;
  }

  Value chain(const ExprNode& n) {
    if (appendTarget_ && &n == parsed_.root.get()) return appendChain(n);
    return chainFrom(n, nullptr);
  }

  // A chain whose operands are evaluated here, or taken from `evaluated`
  // (all of them, in order) when given.
  Value chainFrom(const ExprNode& n, Value* evaluated) {
    auto operand = [&](size_t k) { return evaluated ? std::move(evaluated[k]) : eval(*n.operands[k]); };
    Value acc = operand(0);
    bool levelFailed = false;
    for (size_t k = 0; k < n.ops.size(); ++k) {
      if (stopped()) return Value();
      const ExprOp op = n.ops[k];
      // Short circuit at parenthesis depth 0 ends the whole expression.
      if (shortCircuit_ && n.topLevel && !levelFailed) {
        if (op == ExprOp::Or && nonZero(acc)) {
          shortCircuited_ = true;
          shortCircuitValue_ = e_.trueValue;
          return Value();
        }
        if (op == ExprOp::And && !parsed_.hasOr && !nonZero(acc)) {
          shortCircuited_ = true;
          shortCircuitValue_ = e_.falseValue;
          return Value();
        }
      }
      const Value right = operand(k + 1);
      if (stopped()) return Value();
      if (levelFailed) continue;  // remaining operands still run for their effects
      // a + b + c ... grows one text instead of copying it per "+".
      if (op == ExprOp::Add && acc.kind() == ValueKind::WideString && appendForAdd(acc, right)) continue;
      std::optional<Value> combined = combine(op, acc, right, n, k);
      if (!combined) {
        levelFailed = true;
        const bool logical = op == ExprOp::Or || op == ExprOp::Xor || op == ExprOp::And ||
                             (op >= ExprOp::Greater && op <= ExprOp::NotEqual);
        acc = failed(logical);
        continue;
      }
      acc = std::move(*combined);
    }
    return acc;
  }

  std::optional<Value> combine(ExprOp op, const Value& a, const Value& b, const ExprNode& n, size_t k) {
    switch (op) {
      case ExprOp::Or:
      case ExprOp::Xor:
      case ExprOp::And: {
        const auto x = logicalInteger(a), y = logicalInteger(b);
        if (!x || !y) return std::nullopt;
        const long long r = op == ExprOp::Or ? (*x | *y) : op == ExprOp::Xor ? (*x ^ *y) : (*x & *y);
        return Value::number(static_cast<double>(r));
      }
      case ExprOp::Greater:
      case ExprOp::Less:
      case ExprOp::Equal:
      case ExprOp::GreaterEqual:
      case ExprOp::LessEqual:
      case ExprOp::NotEqual: {
        // Only the chain's first operand can be an Empty written as EMPTY;
        // later left sides are comparison results.
        const bool leftWord = k == 0 && n.startsWithEmpty[0];
        const bool rightWord = n.startsWithEmpty[k + 1];
        const auto r = compareValues(compareOpOf(op), a, b, leftWord, rightWord, compare_);
        if (!r) return std::nullopt;
        return *r ? e_.trueValue : e_.falseValue;
      }
      case ExprOp::Add:
        return addValues(a, b, !e_.byteResultProduced);
      case ExprOp::Subtract:
      case ExprOp::Multiply:
      case ExprOp::Divide: {
        const auto x = arithmeticNumber(a), y = arithmeticNumber(b);
        if (!x || !y) return std::nullopt;
        if (op == ExprOp::Subtract) return Value::number(*x - *y);
        if (op == ExprOp::Multiply) return Value::number(*x * *y);
        if (*y == 0) return Value::number(0);  // division by zero yields 0
        return Value::number(*x / *y);
      }
      case ExprOp::Mod: {
        const auto x = modInteger(a);
        if (!x) return std::nullopt;
        if (e_.checkingMode) return Value::number(static_cast<double>(*x));  // check mode divides by 1
        const auto y = modInteger(b);
        if (!y || *y == 0) return std::nullopt;
        if (*y == -1) return Value::number(0);  // avoids the overflow of LLONG_MIN % -1
        return Value::number(static_cast<double>(*x % *y));
      }
      default:
        return std::nullopt;
    }
  }

  Value applyTrailingIndexes(const Value& v) {
    std::vector<Value> indexes;
    for (const auto& index : parsed_.trailingIndexes) indexes.push_back(eval(*index));
    if (e_.checkingMode) return Value::number(1);  // calls yield 1 in check mode, not arrays
    if (!v.isArray()) return failed(false);
    std::optional<Value> element = e_.arrayElement(v, indexes);
    if (!element) return failed(false);
    return *element;
  }

  TUScript& e_;
  THensuFmt& scope_;
  const ParsedExpression& parsed_;
  // X in "X = X + ...", when the statement appends to it.
  const CompiledTarget* const appendTarget_;
  const bool shortCircuit_;
  const int32_t startOffset_;
  CompareOptions compare_;
  bool error_ = false;
  bool quietError_ = false;
  bool shortCircuited_ = false;
  Value shortCircuitValue_;
};

// The number path of a tree with numberShape (TUScript::numberValue and
// numberCondition): runs its number code in
// doubles while every name it reads is a local variable holding a number.
// It has no effects at all, so code it cannot finish (another kind of
// value, a name that is no local, MOD by 0 or out of range) is left to the
// general evaluator, which then reports exactly as before. Where it
// finishes, it gives the general evaluator's result: + - * / and MOD by the
// number rules, a comparison of two numbers, the final rounding of a Double.

// True when the number path may run `tree` now.
bool numberPathApplies(const TUScript& e, const ParsedExpression& tree) {
  return tree.numberShape && !e.checkingMode.load(std::memory_order_relaxed) &&
         !e.stopFlag.load(std::memory_order_relaxed);
}

// Runs the steps; the results are on `stack` from 0 up.
bool runNumberCode(TUScript& e, const NumberCode& code, THensuFmt& scope, double* stack) {
  int top = -1;
  for (const NumberStep& step : code.steps) {
    switch (step.op) {
      case NumberOp::Constant:
        stack[++top] = step.constant;
        break;
      case NumberOp::Name: {
        const Value* v = e.localScalar(step.name->text, scope, &step.name->hint);
        if (v) {
          if (!v->isNumeric() || !v->toNumber(stack[++top])) return false;
        } else if (!e.fixedConstant(*step.name, stack[++top])) {
          return false;
        }
        break;
      }
      case NumberOp::Element: {
        // As the read path: the indexes truncated toward zero, each within
        // its bound, the element a number.
        const size_t dims = step.name->operands.size();
        const Variable* v = e.localVariable(step.name->text, scope, &step.name->hint);
        if (!v || v->bounds.size() != dims) return false;
        top -= static_cast<int>(dims);
        long long slot = 0;
        for (size_t k = 0; k < dims; ++k) {
          long long i = 0;
          if (!wholeIndex(stack[top + 1 + static_cast<int>(k)], i) || i < 0 || i > v->bounds[k]) return false;
          slot = slot * (v->bounds[k] + 1LL) + i;
        }
        const Value& element = v->slots[static_cast<size_t>(slot)];
        if (!element.isNumeric() || !element.toNumber(stack[++top])) return false;
        break;
      }
      case NumberOp::Negate:
        stack[top] = -stack[top];
        break;
      case NumberOp::Add:
        --top;
        stack[top] += stack[top + 1];
        break;
      case NumberOp::Subtract:
        --top;
        stack[top] -= stack[top + 1];
        break;
      case NumberOp::Multiply:
        --top;
        stack[top] *= stack[top + 1];
        break;
      case NumberOp::Divide:
        --top;
        stack[top] = stack[top + 1] == 0 ? 0 : stack[top] / stack[top + 1];  // division by zero yields 0
        break;
      case NumberOp::Mod: {
        --top;
        long long x = 0, y = 0;
        if (!modOperand(stack[top], x) || !modOperand(stack[top + 1], y) || y == 0) return false;
        stack[top] = y == -1 ? 0 : static_cast<double>(x % y);
        break;
      }
    }
  }
  return true;
}

}  // namespace

std::shared_ptr<const ParsedExpression> TUScript::parsed(u16v expression) {
  // Statements are parsed before the run; texts met while running (EVAL,
  // SELECT items, DIM lists, defaults) come here from any thread.
  std::lock_guard<std::mutex> lock(expressionCacheMutex_);
  auto it = expressionCache_.find(expression);
  if (it != expressionCache_.end()) return it->second;
  auto tree = parseExpression(expression);
  // The cache holds the expressions of the prepared program; texts made at
  // run time (EVAL) could grow it without bound, so it is emptied when full.
  if (expressionCache_.size() >= kExpressionCacheLimit) expressionCache_.clear();
  expressionCache_.emplace(u16(expression), tree);
  return tree;
}

std::optional<Value> TUScript::evaluate(u16v expression, THensuFmt& scope, bool wantShortCircuit) {
  const std::shared_ptr<const ParsedExpression> tree = parsed(expression);
  return evaluateParsed(*tree, scope, wantShortCircuit);
}

std::optional<Value> TUScript::evaluateParsed(const ParsedExpression& tree, THensuFmt& scope, bool wantShortCircuit) {
  Value v;
  if (numberValue(tree, scope, v)) return v;
  return Evaluator(*this, scope, tree, wantShortCircuit).run();
}

bool TUScript::fixedConstant(const ExprNode& n, double& out) {
  const uint8_t state = n.constantState.load(std::memory_order_acquire);
  if (state == 2) {
    out = n.constant.load(std::memory_order_relaxed);
    return true;
  }
  // Decided only once the program runs: parameterNames_ is made then.
  if (state == 1 || compiledGeneration_ != program.generation || checkingMode.load(std::memory_order_relaxed))
    return false;
  const bool fixed = isFixedConstant(*this, n.text) && !parameterNames_.contains(n.text);
  if (fixed) {
    out = constantValue(*this, n.text);
    n.constant.store(out, std::memory_order_relaxed);
  }
  n.constantState.store(fixed ? 2 : 1, std::memory_order_release);
  return fixed;
}

bool TUScript::numberValue(const ParsedExpression& tree, THensuFmt& scope, Value& out) {
  if (!numberPathApplies(*this, tree)) return false;
  const NumberCode& code = tree.numberCode;
  if (code.leaf) {
    // A single name or literal: its value as it is.
    const ExprNode& root = *tree.root;
    if (root.op == ExprOp::Number) {
      out = root.value;
    } else {
      const Value* v = localScalar(root.text, scope, &root.hint);
      if (!v || !v->isNumeric()) return false;
      out = *v;
    }
  } else {
    double stack[NumberCode::kMaxDepth];
    if (!runNumberCode(*this, code, scope, stack)) return false;
    if (code.compares) {
      out = applyCompare(code.comparison, stack[0], stack[1]) ? trueValue : falseValue;
      return true;
    }
    out = Value::number(stack[0]);
  }
  if (out.kind() == ValueKind::Double && !program.options.roundValue) out = Value::number(roundResult(out.doubleValue()));
  reloadFpControl(*this);
  return true;
}

bool TUScript::numberCondition(const ParsedExpression& tree, THensuFmt& scope, bool& truth) {
  if (!numberPathApplies(*this, tree) || tree.numberCode.leaf) return false;
  double stack[NumberCode::kMaxDepth];
  if (!runNumberCode(*this, tree.numberCode, scope, stack)) return false;
  // What isTrue makes of the value numberValue would give: a comparison's
  // TRUE or FALSE, a number compared with 0 after the final rounding.
  const NumberCode& code = tree.numberCode;
  if (code.compares) truth = applyCompare(code.comparison, stack[0], stack[1]);
  else truth = (program.options.roundValue ? stack[0] : roundResult(stack[0])) != 0;
  reloadFpControl(*this);
  return true;
}

bool TUScript::generalCondition(const ParsedExpression& tree, THensuFmt& scope, bool& truth) {
  const int32_t before = scope.offset;
  std::optional<Value> condition = evaluateParsed(tree, scope, true);
  if (!condition || scope.offset != before) return false;  // reported (or taken by a TRY)
  truth = isTrue(*condition);
  return true;
}

std::optional<Value> TUScript::evaluateAppending(const ParsedExpression& tree, THensuFmt& scope,
                                                 const CompiledTarget& target) {
  Value v;
  if (numberValue(tree, scope, v)) return v;  // "n = n + 1" on numbers
  return Evaluator(*this, scope, tree, false, &target).run();
}

bool TUScript::isTrue(const Value& v) {
  // A number is compared with 0 as a Double.
  double d = 0;
  if (v.isNumeric() && v.toNumber(d)) return d != 0;
  CompareOptions options;
  options.sameStr = program.options.sameStr;
  options.expand = expandThunk;
  options.expandContext = this;
  const auto equal = compareValues(CompareOp::Equal, v, Value::number(0), false, false, options);
  return !(equal && *equal);
}

}  // namespace kova
