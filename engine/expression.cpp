// Evaluation of expression texts. This is the engine's single entry for
// every expression; it currently understands the literal subset the front
// end needs (string and number literals, variables with indexes, function
// calls, parentheses, unary minus and "+"), and reports anything else with
// the evaluator's run-time message. The full operator set, caching of parse
// trees and the coercion rules replace this body without changing callers.

#include "engine/run_messages.h"
#include "engine/uxscr.h"

namespace kova {

namespace {

bool isNameStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c == u'@' || c >= 0x80;
}
bool isNameChar(char16_t c) { return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'$' || c == u'.'; }

class LiteralEvaluator {
 public:
  LiteralEvaluator(TUScript& engine, THensuFmt& scope, u16v text) : e_(engine), scope_(scope), s_(text) {}

  std::optional<Value> run() {
    skipBlanks();
    if (pos_ >= s_.size()) return Value();
    Value v = sum();
    skipBlanks();
    if (pos_ < s_.size()) failed_ = true;
    if (failed_) return std::nullopt;
    return v;
  }

 private:
  void skipBlanks() {
    while (pos_ < s_.size() && s_[pos_] <= u' ') ++pos_;
  }

  Value sum() {
    Value left = primary();
    for (;;) {
      skipBlanks();
      if (pos_ >= s_.size() || s_[pos_] != u'+') return left;
      ++pos_;
      Value right = primary();
      double a = 0, b = 0;
      if (!left.isString() && !right.isString() && left.toNumber(a) && right.toNumber(b)) left = Value::number(a + b);
      else left = Value::string(left.toText() + right.toText());
    }
  }

  Value primary() {
    skipBlanks();
    if (pos_ >= s_.size()) return fail();
    const char16_t c = s_[pos_];
    if (c == u'-' || c == u'+') {
      ++pos_;
      Value v = primary();
      double d = 0;
      if (!v.toNumber(d)) return fail();
      return Value::number(c == u'-' ? -d : d);
    }
    if (c == u'"') return stringLiteral();
    if (c >= u'0' && c <= u'9') return numberLiteral();
    if (c == u'(') {
      ++pos_;
      Value v = sum();
      skipBlanks();
      if (pos_ >= s_.size() || s_[pos_] != u')') return fail();
      ++pos_;
      return v;
    }
    if (isNameStart(c)) return name();
    return fail();
  }

  Value stringLiteral() {
    u16 out;
    ++pos_;
    for (;;) {
      if (pos_ >= s_.size()) return fail();
      const char16_t c = s_[pos_++];
      if (c != u'"') {
        out.push_back(c);
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == u'"') {
        out.push_back(u'"');
        ++pos_;
        continue;
      }
      break;
    }
    return Value::string(e_.expandEscapes(out));
  }

  Value numberLiteral() {
    const size_t start = pos_;
    while (pos_ < s_.size() && ((s_[pos_] >= u'0' && s_[pos_] <= u'9') || s_[pos_] == u'.')) ++pos_;
    double d = 0;
    if (!parseNumber(s_.substr(start, pos_ - start), d)) return fail();
    return Value::number(d);
  }

  // A variable (with "[...]" indexes) or a function call "NAME(...)".
  Value name() {
    const size_t start = pos_;
    while (pos_ < s_.size() && isNameChar(s_[pos_])) ++pos_;
    if (pos_ < s_.size() && s_[pos_] == u'(') {
      const size_t close = matching(pos_, u'(', u')');
      if (close == u16::npos) return fail();
      pos_ = close + 1;
      Value result;
      e_.callByText(s_.substr(start, pos_ - start), scope_, result, false, false);
      return result;
    }
    u16 ref(s_.substr(start, pos_ - start));
    while (pos_ < s_.size() && s_[pos_] == u'[') {
      const size_t close = matching(pos_, u'[', u']');
      if (close == u16::npos) return fail();
      // Indexes are evaluated here so that GetValue sees plain numbers.
      const u16 inner(s_.substr(pos_ + 1, close - pos_ - 1));
      u16 evaluated;
      for (const u16& index : splitTopLevel(inner, u',')) {
        std::optional<Value> v = LiteralEvaluator(e_, scope_, index).run();
        if (!v) return fail();
        if (!evaluated.empty()) evaluated += u",";
        evaluated += v->toText();
      }
      ref += u"[" + evaluated + u"]";
      pos_ = close + 1;
    }
    return e_.getValue(ref, scope_);
  }

  size_t matching(size_t open, char16_t o, char16_t c) const {
    int depth = 0;
    bool quote = false;
    for (size_t i = open; i < s_.size(); ++i) {
      if (s_[i] == u'"') quote = !quote;
      if (quote) continue;
      if (s_[i] == o) ++depth;
      else if (s_[i] == c && --depth == 0) return i;
    }
    return u16::npos;
  }

  Value fail() {
    failed_ = true;
    pos_ = s_.size();
    return Value::integer(0);
  }

  TUScript& e_;
  THensuFmt& scope_;
  u16v s_;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace

std::optional<Value> TUScript::evaluate(u16v expression, THensuFmt& scope) {
  const int line = scope.currentLine();
  const bool stoppedBefore = stopFlag;
  LiteralEvaluator evaluator(*this, scope, expression);
  std::optional<Value> v = evaluator.run();
  if (stopFlag && !stoppedBefore) return std::nullopt;  // reported inside (a variable or a call)
  if (!v) {
    // An error inside a called function was reported there already.
    if (scope.currentLine() == line) report(text(checkingMode ? rm::kExpressionCheck : rm::kExpressionRuntime), &scope);
    return std::nullopt;
  }
  return v;
}

}  // namespace kova
