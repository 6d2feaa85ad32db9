// Tokeniser and recursive-descent parser of expression texts.
//
// Precedence, lowest first: OR XOR | AND | > < = >= <= <> | + - | * / MOD |
// ! (prefix) | primaries (numbers, strings, names, calls, parentheses).

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/expression_tree.h"

namespace kova {

namespace {

enum class Tok : uint8_t { End, String, LParen, RParen, Number, Call, Word, Operator, Bad };

struct Token {
  Tok kind = Tok::End;
  ExprOp op = ExprOp::Invalid;  // for operators and the word operators AND OR XOR MOD
  u16 text;
  Value value;
  size_t start = 0;  // position of the token in the text
};

bool isWordDelimiter(char16_t c) {
  switch (c) {
    case u'(':
    case u')':
    case u' ':
    case u',':
    case u'+':
    case u'-':
    case u'*':
    case u'/':
    case u'=':
    case u'<':
    case u'>':
    case u'!':
      return true;
    default:
      return c < u' ';
  }
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isHexLetter(char16_t c) { return (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'); }

class Tokenizer {
 public:
  explicit Tokenizer(u16v text) : s_(text) {}

  Token next() {
    while (pos_ < s_.size() && s_[pos_] <= u' ') ++pos_;
    Token t;
    t.start = pos_;
    if (pos_ >= s_.size()) return t;
    const char16_t c = s_[pos_];
    if (c == u'"') return stringLiteral(t);
    if (c == u'(' || c == u')') {
      ++pos_;
      t.kind = c == u'(' ? Tok::LParen : Tok::RParen;
      return t;
    }
    if (isDigit(c) || c == u'$') return number(t);
    if (isWordDelimiter(c)) return operatorToken(t);
    return word(t);
  }

  size_t position() const { return pos_; }

 private:
  Token stringLiteral(Token& t) {
    ++pos_;
    u16 out;
    for (;;) {
      const size_t close = s_.find(u'"', pos_);
      if (close == u16v::npos) {
        // A missing closing quote takes the rest of the text and fails.
        out.append(s_.substr(pos_));
        pos_ = s_.size();
        t.kind = Tok::Bad;
        t.text = out;
        return t;
      }
      out.append(s_.substr(pos_, close - pos_));
      pos_ = close + 1;
      if (pos_ < s_.size() && s_[pos_] == u'"') {
        out.push_back(u'"');
        ++pos_;
        continue;
      }
      break;
    }
    t.kind = Tok::String;
    t.value = Value::string(std::move(out));
    return t;
  }

  Token number(Token& t) {
    const size_t start = pos_;
    ++pos_;
    while (pos_ < s_.size()) {
      const char16_t c = s_[pos_];
      const char16_t prev = s_[pos_ - 1];
      const bool prevHexish = isDigit(prev) || isHexLetter(prev) || prev == u'$';
      const bool nextIsDigit = pos_ + 1 < s_.size() && isDigit(s_[pos_ + 1]);
      if (isDigit(c)) {
        ++pos_;
      } else if ((isHexLetter(c) || c == u'$') && prevHexish) {
        ++pos_;
      } else if (c == u'.' && nextIsDigit) {
        ++pos_;
      } else if ((c == u'+' || c == u'-') && (prev == u'E' || prev == u'e') && nextIsDigit) {
        ++pos_;
      } else {
        break;
      }
    }
    t.text = u16(s_.substr(start, pos_ - start));
    double d = 0;
    if (parseNumberToken(t.text, d)) {
      t.kind = Tok::Number;
      t.value = Value::number(d);
    } else {
      t.kind = Tok::Bad;
    }
    return t;
  }

  Token operatorToken(Token& t) {
    const char16_t c = s_[pos_++];
    const char16_t n = pos_ < s_.size() ? s_[pos_] : 0;
    t.kind = Tok::Operator;
    switch (c) {
      case u'+': t.op = ExprOp::Add; break;
      case u'-': t.op = ExprOp::Subtract; break;
      case u'*': t.op = ExprOp::Multiply; break;
      case u'/': t.op = ExprOp::Divide; break;
      case u'!': t.op = ExprOp::Not; break;
      case u'=': t.op = ExprOp::Equal; break;
      case u'>':
        if (n == u'=') {
          ++pos_;
          t.op = ExprOp::GreaterEqual;
        } else {
          t.op = ExprOp::Greater;
        }
        break;
      case u'<':
        if (n == u'=') {
          ++pos_;
          t.op = ExprOp::LessEqual;
        } else if (n == u'>') {
          ++pos_;
          t.op = ExprOp::NotEqual;
        } else {
          t.op = ExprOp::Less;
        }
        break;
      default:  // "," or a control character: not part of any expression
        t.kind = Tok::Bad;
        t.text = u16(1, c);
        break;
    }
    return t;
  }

  // A word runs to the next delimiter; brackets and the quotes inside them
  // belong to the word ("A[I + 1]", "H["key"]").
  Token word(Token& t) {
    const size_t start = pos_;
    int brackets = 0;
    bool quote = false;
    while (pos_ < s_.size()) {
      const char16_t c = s_[pos_];
      if (brackets > 0) {
        if (c == u'"') quote = !quote;
        else if (!quote && c == u'[') ++brackets;
        else if (!quote && c == u']') --brackets;
        ++pos_;
        continue;
      }
      if (c == u'[') {
        ++brackets;
        ++pos_;
        continue;
      }
      if (isWordDelimiter(c)) break;
      ++pos_;
    }
    t.text = u16(s_.substr(start, pos_ - start));
    const u16 upper = upperAscii(t.text);
    if (upper == u"AND" || upper == u"OR" || upper == u"XOR" || upper == u"MOD") {
      t.kind = Tok::Operator;
      t.op = upper == u"AND" ? ExprOp::And : upper == u"OR" ? ExprOp::Or : upper == u"XOR" ? ExprOp::Xor : ExprOp::Mod;
      return t;
    }
    if (pos_ < s_.size() && s_[pos_] == u'(') {
      // A function call: the text up to the matching ")".
      int depth = 0;
      bool q = false;
      size_t i = pos_;
      for (; i < s_.size(); ++i) {
        const char16_t c = s_[i];
        if (c == u'"') q = !q;
        if (q) continue;
        if (c == u'(') ++depth;
        else if (c == u')' && --depth == 0) break;
      }
      if (i >= s_.size()) {
        pos_ = s_.size();
        t.kind = Tok::Bad;
        return t;
      }
      pos_ = i + 1;
      t.kind = Tok::Call;
      t.text = u16(s_.substr(start, pos_ - start));
      return t;
    }
    t.kind = Tok::Word;
    return t;
  }

  u16v s_;
  size_t pos_ = 0;
};

class Parser {
 public:
  explicit Parser(u16v text) : text_(text), tok_(text) { advance(); }

  std::unique_ptr<ParsedExpression> run() {
    auto out = std::make_unique<ParsedExpression>();
    out->hasOr = text_.find(u" OR ") != u16v::npos || text_.find(u")OR(") != u16v::npos ||
                 text_.find(u" OR(") != u16v::npos || text_.find(u")OR ") != u16v::npos;
    if (cur_.kind == Tok::End) return out;
    out->root = level(1);
    if (cur_.kind != Tok::End) {
      // Only a trailing index on an array result may follow.
      const u16 rest = trimCtl(text_.substr(cur_.start));
      if (rest.size() >= 3 && rest.front() == u'[' && rest.back() == u']') {
        for (const u16& piece : splitTopLevel(u16v(rest).substr(1, rest.size() - 2), u',')) {
          Parser sub(piece);
          sub.depth_ = depth_;
          auto parsed = sub.run();
          if (parsed->syntaxError || !parsed->root) error_ = true;
          if (parsed->root) out->trailingIndexes.push_back(std::move(parsed->root));
        }
        if (out->trailingIndexes.empty() || out->trailingIndexes.size() > 3) error_ = true;
      } else {
        error_ = true;
      }
    }
    out->syntaxError = error_;
    return out;
  }

 private:
  void advance() { cur_ = tok_.next(); }

  static bool levelHas(int lvl, ExprOp op) {
    switch (lvl) {
      case 1: return op == ExprOp::Or || op == ExprOp::Xor;
      case 2: return op == ExprOp::And;
      case 3:
        return op == ExprOp::Greater || op == ExprOp::Less || op == ExprOp::Equal || op == ExprOp::GreaterEqual ||
               op == ExprOp::LessEqual || op == ExprOp::NotEqual;
      case 4: return op == ExprOp::Add || op == ExprOp::Subtract;
      case 5: return op == ExprOp::Multiply || op == ExprOp::Divide || op == ExprOp::Mod;
      default: return false;
    }
  }

  std::unique_ptr<ExprNode> level(int lvl) {
    if (lvl == 6) return notLevel();
    const bool firstIsEmpty = lvl == 3 && startsWithEmptyWord();
    auto first = level(lvl + 1);
    if (!(cur_.kind == Tok::Operator && levelHas(lvl, cur_.op))) return first;
    auto chain = std::make_unique<ExprNode>();
    chain->op = ExprOp::Chain;
    chain->topLevel = depth_ == 0;
    chain->operands.push_back(std::move(first));
    chain->startsWithEmpty.push_back(firstIsEmpty);
    while (cur_.kind == Tok::Operator && levelHas(lvl, cur_.op)) {
      chain->ops.push_back(cur_.op);
      advance();
      chain->startsWithEmpty.push_back(lvl == 3 && startsWithEmptyWord());
      chain->operands.push_back(level(lvl + 1));
    }
    return chain;
  }

  bool startsWithEmptyWord() const { return cur_.kind == Tok::Word && upperAscii(cur_.text) == u"EMPTY"; }

  std::unique_ptr<ExprNode> notLevel() {
    if (cur_.kind == Tok::Operator && cur_.op == ExprOp::Not) {
      advance();
      if (!enter()) return invalid();
      auto node = std::make_unique<ExprNode>();
      node->op = ExprOp::Not;
      node->operands.push_back(notLevel());
      leave();
      return node;
    }
    return primary();
  }

  bool enter() {
    if (++nesting_ > kMaxExpressionNesting) {
      error_ = true;
      return false;
    }
    return true;
  }
  void leave() { --nesting_; }

  std::unique_ptr<ExprNode> invalid() {
    error_ = true;
    auto node = std::make_unique<ExprNode>();
    node->op = ExprOp::Invalid;
    // Skip the rest: nothing sensible can follow.
    while (cur_.kind != Tok::End) advance();
    return node;
  }

  std::unique_ptr<ExprNode> primary() {
    if (cur_.kind == Tok::Operator && (cur_.op == ExprOp::Add || cur_.op == ExprOp::Subtract)) {
      const bool negate = cur_.op == ExprOp::Subtract;
      advance();
      if (!enter()) return invalid();
      auto operand = notLevelOrPrimary();
      leave();
      if (!negate) return operand;
      auto node = std::make_unique<ExprNode>();
      node->op = ExprOp::Negate;
      node->operands.push_back(std::move(operand));
      return node;
    }
    auto node = std::make_unique<ExprNode>();
    switch (cur_.kind) {
      case Tok::Number:
        node->op = ExprOp::Number;
        node->value = cur_.value;
        advance();
        return node;
      case Tok::String:
        node->op = ExprOp::String;
        node->value = cur_.value;
        advance();
        return node;
      case Tok::Call:
        node->op = ExprOp::Call;
        node->text = cur_.text;
        node->call = std::make_shared<CallSlot>();
        advance();
        return node;
      case Tok::Word:
        wordNode(*node, cur_.text);
        advance();
        return node;
      case Tok::LParen: {
        advance();
        if (!enter()) return invalid();
        ++depth_;
        auto inner = level(1);
        --depth_;
        leave();
        if (cur_.kind != Tok::RParen) {
          error_ = true;
        } else {
          advance();
        }
        return inner;
      }
      default:
        return invalid();
    }
  }

  // After a sign: a parenthesised expression, a primary or another sign.
  std::unique_ptr<ExprNode> notLevelOrPrimary() { return primary(); }

  void wordNode(ExprNode& node, const u16& word) {
    const size_t bracket = word.find(u'[');
    const u16v head = u16v(word).substr(0, bracket);
    if (head.find(u'.') != u16v::npos) {
      node.op = ExprOp::Dotted;
      node.text = word;
      return;
    }
    node.op = ExprOp::Identifier;
    node.text = upperFull(head);
    if (bracket == u16::npos) return;
    node.hasIndexes = true;
    // "[a][b]" and "[a, b]" both list indexes; "][" reads as ",".
    u16 inner = word.substr(bracket + 1);
    if (inner.empty() || inner.back() != u']') {
      error_ = true;
      return;
    }
    inner.pop_back();
    inner = replaceAll(inner, u"][", u",");
    for (const u16& piece : splitTopLevel(inner, u',')) {
      const u16 index = trimCtl(piece);
      if (index.empty()) {
        // An empty index reads as 0.
        auto zero = std::make_unique<ExprNode>();
        zero->op = ExprOp::Number;
        zero->value = Value::number(0);
        node.operands.push_back(std::move(zero));
        continue;
      }
      Parser sub(index);
      sub.nesting_ = nesting_ + 1;
      auto parsed = sub.run();
      if (parsed->syntaxError || !parsed->root) error_ = true;
      if (parsed->root) node.operands.push_back(std::move(parsed->root));
      else node.operands.push_back(std::make_unique<ExprNode>());
    }
  }

  u16v text_;
  Tokenizer tok_;
  Token cur_;
  int depth_ = 0;    // parentheses
  int nesting_ = 0;  // parentheses, signs and "!" together (recursion guard)
  bool error_ = false;
};

}  // namespace

bool parseNumberToken(u16v text, double& out) {
  if (text.empty()) return false;
  if (text[0] == u'$') {
    if (text.size() < 2 || text.size() > 17) return false;
    unsigned long long v = 0;
    for (size_t i = 1; i < text.size(); ++i) {
      const char16_t c = text[i];
      int d;
      if (isDigit(c)) d = c - u'0';
      else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
      else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else return false;
      v = v * 16 + static_cast<unsigned>(d);
    }
    // Sixteen hex digits are a 64-bit integer, read with its sign.
    out = static_cast<double>(static_cast<long long>(v));
    return true;
  }
  std::string s;
  s.reserve(text.size());
  for (char16_t c : text) {
    if (!(isDigit(c) || c == u'.' || c == u'e' || c == u'E' || c == u'+' || c == u'-')) return false;
    s.push_back(static_cast<char>(c));
  }
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end && *end == 0 && std::isfinite(out);
}

namespace {

bool isArithmeticOp(ExprOp op) {
  return op == ExprOp::Add || op == ExprOp::Subtract || op == ExprOp::Multiply || op == ExprOp::Divide ||
         op == ExprOp::Mod;
}

bool isComparisonOp(ExprOp op) { return op >= ExprOp::Greater && op <= ExprOp::NotEqual; }

NumberOp numberOpOf(ExprOp op) {
  switch (op) {
    case ExprOp::Add: return NumberOp::Add;
    case ExprOp::Subtract: return NumberOp::Subtract;
    case ExprOp::Multiply: return NumberOp::Multiply;
    case ExprOp::Divide: return NumberOp::Divide;
    default: return NumberOp::Mod;
  }
}

// Appends the steps of a number-valued node (a number literal, a name
// without indexes, unary minus or a chain of arithmetic operators over such
// nodes); false when the node is none. `depth` is the stack height before
// the node's steps, `most` the greatest height reached.
bool emitArithmetic(const ExprNode& n, NumberCode& code, int depth, int& most) {
  if (depth + 1 > NumberCode::kMaxDepth) return false;
  switch (n.op) {
    case ExprOp::Number:
      code.steps.push_back({NumberOp::Constant, n.value.doubleValue(), nullptr});
      most = std::max(most, depth + 1);
      return true;
    case ExprOp::Identifier:
      if (!n.hasIndexes && n.operands.empty()) {
        code.steps.push_back({NumberOp::Name, 0, &n});
        most = std::max(most, depth + 1);
        return true;
      }
      if (!n.hasIndexes || n.operands.empty() || n.operands.size() > NumberCode::kMaxElementIndexes) return false;
      for (size_t k = 0; k < n.operands.size(); ++k)
        if (!emitArithmetic(*n.operands[k], code, depth + static_cast<int>(k), most)) return false;
      code.steps.push_back({NumberOp::Element, 0, &n});
      return true;
    case ExprOp::Negate:
      if (!emitArithmetic(*n.operands[0], code, depth, most)) return false;
      code.steps.push_back({NumberOp::Negate, 0, nullptr});
      return true;
    case ExprOp::Chain:
      if (n.ops.empty() || !emitArithmetic(*n.operands[0], code, depth, most)) return false;
      for (size_t k = 0; k < n.ops.size(); ++k) {
        if (!isArithmeticOp(n.ops[k]) || !emitArithmetic(*n.operands[k + 1], code, depth + 1, most)) return false;
        code.steps.push_back({numberOpOf(n.ops[k]), 0, nullptr});
      }
      return true;
    default:
      return false;
  }
}

void compileNumberCode(ParsedExpression& p) {
  if (p.syntaxError || !p.root || !p.trailingIndexes.empty()) return;
  const ExprNode& root = *p.root;
  NumberCode code;
  int most = 0;
  bool ok = false;
  if (root.op == ExprOp::Chain && root.ops.size() == 1 && isComparisonOp(root.ops[0])) {
    code.compares = true;
    code.comparison = compareOpOf(root.ops[0]);
    ok = emitArithmetic(*root.operands[0], code, 0, most) && emitArithmetic(*root.operands[1], code, 1, most);
  } else {
    code.leaf = root.op == ExprOp::Number || root.op == ExprOp::Identifier;
    ok = emitArithmetic(root, code, 0, most);
  }
  if (!ok) return;
  code.depth = static_cast<uint8_t>(most);
  p.numberCode = std::move(code);
  p.numberShape = true;
}

}  // namespace

std::shared_ptr<const ParsedExpression> parseExpression(u16v text) {
  std::unique_ptr<ParsedExpression> parsed = Parser(text).run();
  compileNumberCode(*parsed);
  return parsed;
}

}  // namespace kova
