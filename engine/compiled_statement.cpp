// Compiled statements: each statement that the executor runs often (an
// assignment, PRINT, and the openers IFB, FOR, WHILE and REPEAT) is taken
// apart once, on its first execution, into the form of compiled_statement.h.

#include "engine/compiled_statement.h"

#include "engine/expression_tree.h"
#include "engine/uxscr.h"

namespace kova {

TUScript::~TUScript() = default;

// Splits an opener's text at the field separator, outside quotes.
std::vector<u16v> openerFields(u16v text) {
  std::vector<u16v> out;
  bool quote = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'"') quote = !quote;
    else if (!quote && text[i] == kFieldSeparator) {
      out.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(text.substr(start));
  return out;
}

namespace {

// A partner offset field; -1 when it is missing or not a number.
int32_t offsetField(const std::vector<u16v>& f, size_t i) {
  long long v = 0;
  if (i >= f.size() || !parseInt(f[i], v)) return -1;
  return static_cast<int32_t>(v);
}

u16v fieldAt(const std::vector<u16v>& f, size_t i) { return i < f.size() ? f[i] : u16v(); }

// True when no node of the tree is a call or a dotted word.
bool runsNoCode(const ExprNode& n) {
  if (n.op == ExprOp::Call || n.op == ExprOp::Dotted) return false;
  for (const auto& o : n.operands)
    if (!runsNoCode(*o)) return false;
  return true;
}

bool appendsTo(const CompiledTarget& target, const ParsedExpression& tree) {
  if (target.hasIndexes || tree.syntaxError || !tree.trailingIndexes.empty() || !tree.root) return false;
  const ExprNode& root = *tree.root;
  if (root.op != ExprOp::Chain || root.operands.size() < 2) return false;
  for (ExprOp op : root.ops)
    if (op != ExprOp::Add) return false;
  const ExprNode& first = *root.operands[0];
  if (first.op != ExprOp::Identifier || first.hasIndexes || first.text != target.name) return false;
  return runsNoCode(root);
}

}  // namespace

CompiledStatement& TUScript::compiledStatement(int line) { return compiledStatement(line, program.statementKind[line]); }

CompiledStatement& TUScript::compiledStatement(int line, int32_t kind) {
  if (compiled_.size() < program.statementText.size()) compiled_.resize(program.statementText.size());
  std::unique_ptr<CompiledStatement>& entry = compiled_[static_cast<size_t>(line)];
  if (entry && entry->kind == kind) return *entry;

  auto c = std::make_unique<CompiledStatement>();
  c->kind = kind;
  const u16& text = program.statementText[line];
  auto compileTarget = [&](u16v left) {
    // The split putValue and getValue make of a name with indexes.
    CompiledTarget& t = c->target;
    const u16v trimmed = left;
    const size_t open = trimmed.find(u'[');
    t.name = upperFull(trimCtl(trimmed.substr(0, open)));
    t.hasIndexes = open != u16v::npos;
    if (!t.hasIndexes) return;
    u16 inner(trimmed.substr(open + 1));
    if (!inner.empty() && inner.back() == u']') inner.pop_back();
    inner = replaceAll(inner, u"][", u",");
    for (const u16& piece : splitTopLevel(inner, u',')) t.indexes.push_back(parsed(piece));
  };
  switch (kind) {
    case kAssignment: {
      const size_t eq = findOutsideParens(text, u"=");
      c->expressions[0] = parsed(u16v(text).substr(eq + 1));
      compileTarget(trimCtl(u16v(text).substr(0, eq)));
      c->appendsToTarget = appendsTo(c->target, *c->expressions[0]);
      break;
    }
    case kPrint:
      c->expressions[0] = parsed(text);
      break;
    case kCallStatement:
      c->call = compileCall(text);
      break;
    case kCachedHeader:
      for (const u16& item : program.headerParams[static_cast<size_t>(line)]) {
        const size_t eq = item.find(u'=', 1);
        const u16 name = trimCtl(u16v(item).substr(0, eq));
        c->paramNames.push_back(upperFull(trimCtl(u16v(name).substr(0, name.find(u'[')))));
        c->paramDefaultAt.push_back(eq);
        c->paramTakesName.push_back(item.find(u'[') < eq ? 1 : 0);
        c->paramHasBracket.push_back(item.find(u'[') != u16::npos ? 1 : 0);
        if (c->paramNames.back() == u"RESULT") c->paramNamedResult = true;
        bool repeats = false;
        for (size_t j = 0; j + 1 < c->paramNames.size(); ++j) repeats = repeats || c->paramNames[j] == c->paramNames.back();
        c->paramRepeatsName.push_back(repeats ? 1 : 0);
      }
      break;
    case kIfb: {
      const std::vector<u16v> f = openerFields(text);
      c->expressions[0] = parsed(f[0]);
      for (size_t k = 0; k < 3; ++k) c->offsets[k] = offsetField(f, k + 1);
      break;
    }
    case kFor: {
      const std::vector<u16v> f = openerFields(text);
      compileTarget(f[0]);
      for (size_t k = 0; k < 3; ++k) c->expressions[k] = parsed(fieldAt(f, k + 1));
      c->offsets[0] = offsetField(f, 4);
      break;
    }
    case kWhile:
    case kRepeat: {
      const std::vector<u16v> f = openerFields(text);
      c->expressions[0] = parsed(f[0]);
      c->offsets[0] = offsetField(f, 1);
      break;
    }
    default:
      break;
  }
  entry = std::move(c);
  return *entry;
}

Value TUScript::getTarget(const CompiledTarget& target, THensuFmt& scope) {
  IndexValues indexes(target.indexes.size());
  for (const auto& tree : target.indexes) {
    std::optional<Value> v = evaluateParsed(*tree, scope);
    if (!v) return Value::integer(0);
    indexes.push_back(std::move(*v));
  }
  return getValueIndexed(target.name, target.hasIndexes, indexes, scope, &target.hint);
}

void TUScript::putTarget(const CompiledTarget& target, Value value, THensuFmt& scope) {
  IndexValues indexes(target.indexes.size());
  for (const auto& tree : target.indexes) {
    std::optional<Value> v = evaluateParsed(*tree, scope);
    if (!v) return;
    indexes.push_back(std::move(*v));
  }
  putValueIndexed(target.name, target.hasIndexes, indexes, std::move(value), scope, false, false, &target.hint);
}

}  // namespace kova
