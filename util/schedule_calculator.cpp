#include "util/schedule_calculator.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace kova {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isWordChar(char c) { return isDigit(c) || isUpper(c) || c == '$'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Nesting limit for parentheses and calls: deeper input is refused instead of
// exhausting the stack.
constexpr int kMaxDepth = 200;
constexpr size_t kMaxArgs = 16;

class Calculator {
 public:
  explicit Calculator(std::string text) : text_(std::move(text)) {}

  double run() {
    next();
    double v = orLevel();
    if (!token_.empty()) fail();
    if (failed_ || !std::isfinite(v)) return kScheduleCalcError;
    return v;
  }

 private:
  std::string text_;
  size_t pos_ = 0;  // 0-based here; the next character to read
  std::string token_;
  bool failed_ = false;
  int depth_ = 0;

  void fail() { failed_ = true; }

  char at(size_t i) const { return i < text_.size() ? text_[i] : '#'; }

  // A token grows while the character pair (previous, current, next) says it
  // goes on: exponent letter and sign, runs of digits/letters/'$', decimal
  // points next to digits, and the two-character comparison operators.
  void next() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    token_.clear();
    if (pos_ >= text_.size()) return;
    size_t i = pos_;
    for (;;) {
      const char p = i == 0 ? '#' : text_[i - 1];
      const char c = text_[i];
      const char n = at(i + 1);
      const bool more = (isDigit(p) && c == 'E' && (n == '+' || n == '-')) ||
                        (p == 'E' && (c == '+' || c == '-') && isDigit(n)) ||
                        (isWordChar(c) && isWordChar(n)) || (isDigit(c) && n == '.') ||
                        (c == '.' && isDigit(n)) || ((c == '>' || c == '<') && n == '=') ||
                        (c == '<' && n == '>');
      ++i;
      if (!more) break;
    }
    token_ = text_.substr(pos_, i - pos_);
    pos_ = i;
  }

  static bool toInt64(double v, int64_t& out) {
    // Doubles in [-2^63, 2^63) convert without overflow.
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return false;
    out = static_cast<int64_t>(v);
    return true;
  }

  double check(double v) {
    if (!std::isfinite(v)) fail();
    return v;
  }

  double orLevel() {
    double v = andLevel();
    while (token_ == "|" || token_ == "OR") {
      next();
      double r = andLevel();
      int64_t a = 0, b = 0;
      if (!toInt64(std::trunc(v), a) || !toInt64(std::trunc(r), b)) {
        fail();
        v = 0;
      } else {
        v = static_cast<double>(a | b);
      }
    }
    return v;
  }

  double andLevel() {
    double v = comparison();
    while (token_ == "&" || token_ == "AND") {
      next();
      double r = comparison();
      int64_t a = 0, b = 0;
      if (!toInt64(std::trunc(v), a) || !toInt64(std::trunc(r), b)) {
        fail();
        v = 0;
      } else {
        v = static_cast<double>(a & b);
      }
    }
    return v;
  }

  double comparison() {
    double v = additive();
    for (;;) {
      const std::string op = token_;
      if (op != ">" && op != "<" && op != "=" && op != ">=" && op != "<=" && op != "<>") return v;
      next();
      const double r = additive();
      bool holds = false;
      if (op == ">") holds = v > r;
      else if (op == "<") holds = v < r;
      else if (op == "=") holds = v == r;
      else if (op == ">=") holds = v >= r;
      else if (op == "<=") holds = v <= r;
      else holds = v != r;
      v = holds ? 1 : 0;
    }
  }

  double additive() {
    double v = multiplicative();
    while (token_ == "+" || token_ == "-") {
      const bool plus = token_ == "+";
      next();
      const double r = multiplicative();
      v = check(plus ? v + r : v - r);
    }
    return v;
  }

  double multiplicative() {
    double v = prefix();
    while (token_ == "*" || token_ == "/" || token_ == "MOD") {
      const std::string op = token_;
      next();
      const double r = prefix();
      if (op == "*") {
        v = check(v * r);
      } else if (op == "/") {
        v = r == 0 ? 0 : check(v / r);  // division by zero is 0, not an error
      } else {
        int64_t a = 0, b = 0;
        if (!toInt64(std::nearbyint(v), a) || !toInt64(std::nearbyint(r), b) || b == 0) {
          fail();
          v = 0;
        } else {
          v = b == -1 ? 0 : static_cast<double>(a % b);
        }
      }
    }
    return v;
  }

  double prefix() {
    if (token_ == "!") {
      next();
      return primary() == 0 ? 1 : 0;
    }
    return primary();
  }

  double primary() {
    if (++depth_ > kMaxDepth) {
      fail();
      token_.clear();  // stop the parse: nothing more is read
      pos_ = text_.size();
      --depth_;
      return 0;
    }
    const double v = primaryBody();
    --depth_;
    return v;
  }

  double primaryBody() {
    const char c = token_.empty() ? '\0' : token_[0];
    if (c == '(') {
      next();
      const double v = orLevel();
      if (token_ != ")") {
        fail();  // "()の括りに矛盾あり"
        return v;
      }
      next();
      return v;
    }
    if (c == '$' || c == '+' || c == '-' || c == '.' || isDigit(c)) {
      double sign = 1;
      if (token_ == "+" || token_ == "-") {
        sign = token_ == "-" ? -1 : 1;
        next();
      }
      const double v = number(token_);
      next();
      return sign * v;
    }
    return call();
  }

  // Reads a number token. Unreadable tokens (including a sign followed by
  // something other than a number) mark the expression invalid.
  double number(const std::string& t) {
    const size_t dot = t.find('.');
    if (t.empty() || t.size() > 64 || (t.size() > 32 && (dot == std::string::npos || dot >= 32))) {
      fail();
      return kScheduleCalcError;
    }
    if (t[0] == '$') {
      if (t.size() < 2 || t.size() > 17) {
        fail();
        return kScheduleCalcError;
      }
      uint64_t v = 0;
      for (size_t i = 1; i < t.size(); ++i) {
        const char h = t[i];
        int d = 0;
        if (isDigit(h)) d = h - '0';
        else if (h >= 'A' && h <= 'F') d = h - 'A' + 10;
        else {
          fail();
          return kScheduleCalcError;
        }
        v = v * 16 + static_cast<uint64_t>(d);
      }
      return static_cast<double>(static_cast<int64_t>(v));
    }
    // digits [. digits] [E [sign] digits], at least one mantissa digit
    size_t i = 0, digits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
      ++i;
      while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    }
    bool ok = digits > 0;
    if (ok && i < t.size() && t[i] == 'E') {
      ++i;
      if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
      size_t exp = 0;
      while (i < t.size() && isDigit(t[i])) ++i, ++exp;
      ok = exp > 0;
    }
    if (!ok || i != t.size()) {
      fail();
      return kScheduleCalcError;
    }
    return check(std::strtod(t.c_str(), nullptr));
  }

  double call() {
    const std::string name = token_;
    next();
    if (token_ != "(") {
      fail();  // "関数内に矛盾あり"
      return 0;
    }
    next();
    std::array<double, kMaxArgs + 1> args{};
    size_t count = 0;
    while (token_ != ")") {
      if (token_.empty() || count == kMaxArgs) {
        fail();  // unclosed call or more than 16 arguments
        return 0;
      }
      args[count++] = orLevel();
      if (failed_) return 0;
      if (token_ != ")") next();  // the separator, normally ","
    }
    next();
    // The argument count is checked exactly; an argument whose value happens
    // to equal the error value does not end the list early.
    auto want = [&](size_t n) {
      if (count == n) return true;
      fail();  // "<name>引数エラー"
      return false;
    };
    const double a = args[0], b = args[1];
    if (name == "IIF") return want(3) ? (a != 0 ? args[1] : args[2]) : 0;
    if (name == "ABS") return want(1) ? std::fabs(a) : 0;
    if (name == "ZCUT") return want(1) ? (a < 0 ? 0 : a) : 0;
    if (name == "INT") return want(1) ? std::trunc(a) : 0;
    if (name == "ROUND") return want(1) ? std::nearbyint(a) : 0;  // halves to even
    if (name == "SQRT") return want(1) ? (a < 0 ? (fail(), 0) : std::sqrt(a)) : 0;
    if (name == "POWER") return want(2) ? check(std::pow(a, b)) : 0;
    if (name == "SIN") return want(1) ? check(std::sin(a)) : 0;
    if (name == "COS") return want(1) ? check(std::cos(a)) : 0;
    if (name == "TAN") return want(1) ? check(std::tan(a)) : 0;
    if (name == "EXP") return want(1) ? check(std::exp(a)) : 0;
    if (name == "LN") return want(1) ? (a <= 0 ? (fail(), 0) : std::log(a)) : 0;
    if (name == "LOGN") {
      if (!want(2)) return 0;
      if (a <= 0 || a == 1 || b <= 0) {
        fail();
        return 0;
      }
      return check(std::log(b) / std::log(a));
    }
    fail();  // "計算式に矛盾あり": not a function
    return 0;
  }
};

}  // namespace

double evaluateScheduleExpression(std::string_view expression) {
  size_t b = 0, e = expression.size();
  while (b < e && static_cast<unsigned char>(expression[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(expression[e - 1]) <= ' ') --e;
  if (b == e) return 0;
  std::string text(expression.substr(b, e - b));
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return Calculator(std::move(text)).run();
}

double evaluateScheduleExpression(u16v expression) {
  std::string narrow;
  narrow.reserve(expression.size());
  for (char16_t c : expression) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '\x7F');
  return evaluateScheduleExpression(std::string_view(narrow));
}

}  // namespace kova
