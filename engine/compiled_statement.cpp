// Compiled statements: every statement is taken apart once, before the run
// (compileProgram), into the form of compiled_statement.h.

#include "engine/compiled_statement.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <mutex>

#include "engine/expression_tree.h"
#include "engine/uxscr.h"
#include "engine/value_rules.h"

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

namespace {

// Forces the split of every call node of a tree, so that no evaluation
// writes to the tree later.
void compileCallsOf(TUScript& e, const ExprNode& n) {
  if (n.op == ExprOp::Call && n.call) std::call_once(n.call->once, [&] { n.call->form = e.compileCall(n.text); });
  for (const auto& o : n.operands) compileCallsOf(e, *o);
  if (n.op == ExprOp::Call && n.call && n.call->form)
    for (const auto& tree : n.call->form->argTrees)
      if (tree && tree->root) compileCallsOf(e, *tree->root);
}

void compileCallsOf(TUScript& e, const ParsedExpression* tree) {
  if (!tree) return;
  if (tree->root) compileCallsOf(e, *tree->root);
  for (const auto& index : tree->trailingIndexes) compileCallsOf(e, *index);
}

}  // namespace

const CompiledStatement& TUScript::compiledStatementOutsideProgram(int line) {
  // Only a program that did not go through compileProgram (an engine driven
  // statement by statement, as some tests do) gets here.
  std::lock_guard<std::mutex> lock(compileMutex_);
  const int32_t kind = program.statementKind[line];
  return compiledStatement(line, classifiedByText(kind) ? kDynamicEntry : kind);
}

const CompiledStatement& TUScript::headerStatement(int line) {
  if (static_cast<size_t>(line) < compiled_.size()) {
    const auto& entry = compiled_[static_cast<size_t>(line)];
    if (entry && entry->kind == kCachedHeader) return *entry;
  }
  std::lock_guard<std::mutex> lock(compileMutex_);
  cacheHeaderParams(line);
  if (static_cast<size_t>(line) < compiled_.size()) {
    const auto& entry = compiled_[static_cast<size_t>(line)];
    if (entry && entry->kind == kCachedHeader) return *entry;
  }
  return compiledStatement(line, kCachedHeader);
}

int TUScript::procedureLengthAt(int header) const {
  int n = 0;
  for (int i = header; i < program.size() && program.statementKind[i] != kFend; ++i) ++n;
  return n;
}

void TUScript::compileProgram() {
  const size_t n = program.statementText.size();
  if (compiledGeneration_ == program.generation && compiled_.size() == n) return;
  compiled_.clear();
  compiled_.resize(n);
  // Procedure headers: their parameters, split once.
  for (int f = 0; f < program.functionIndex.size(); ++f) {
    const int header = program.functionIndex.value(f).headerLine;
    if (header < 0 || static_cast<size_t>(header) >= n) continue;
    const u16& text = program.statementText[static_cast<size_t>(header)];
    if (startsWith(text, u"FUNCTION ") || startsWith(text, u"PROCEDURE ")) cacheHeaderParams(header);
  }
  static const THensuFmt kNoScope;
  for (size_t i = 0; i < n; ++i) {
    const int line = static_cast<int>(i);
    const int32_t kind = program.statementKind[i];
    const u16& text = program.statementText[i];
    if (classifiedByText(kind)) {
      if (trimCtl(text).empty()) continue;
      // A text without a "." outside parentheses, or one naming a member of
      // a module, means the same in every scope: its kind is fixed now, as
      // the executor would fix it on the first run. Others are decided per
      // execution.
      const size_t eq = findOutsideParens(text, u"=");
      const u16 subject = eq == u16::npos ? u16(text) : trimCtl(u16v(text).substr(0, eq));
      const bool dotted = findTopLevel(subject, u".") != u16::npos;
      if (kind == kUnclassified && (!dotted || isModuleQualified(subject, kNoScope))) {
        program.statementKind[i] = eq == u16::npos ? kCallStatement : kAssignment;
        compiledStatement(line, program.statementKind[i]);
      } else {
        compiledStatement(line, kDynamicEntry);
      }
      continue;
    }
    compiledStatement(line, kind);
  }
  for (const auto& c : compiled_) {
    if (!c) continue;
    for (const auto& tree : c->expressions) compileCallsOf(*this, tree.get());
    for (const auto& tree : c->target.indexes) compileCallsOf(*this, tree.get());
    for (const auto& item : c->cases)
      for (const auto& tree : item.items) compileCallsOf(*this, tree.get());
    for (const DeclItem& d : c->declarations) {
      for (const auto& tree : d.boundTrees) compileCallsOf(*this, tree.get());
      compileCallsOf(*this, d.valueTree.get());
      for (const auto& tree : d.valueItemTrees) compileCallsOf(*this, tree.get());
    }
    for (const HashItem& h : c->hashItems) compileCallsOf(*this, h.flagsTree.get());
    for (const auto& tree : c->paramDefaults) compileCallsOf(*this, tree.get());
    if (c->call)
      for (const auto& tree : c->call->argTrees) compileCallsOf(*this, tree.get());
  }
  parameterNames_.clear();
  for (const auto& c : compiled_)
    if (c && c->kind == kCachedHeader) parameterNames_.insert(c->paramNames.begin(), c->paramNames.end());
  compiledGeneration_ = program.generation;
}

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
    case kDynamicEntry: {
      const size_t eq = findOutsideParens(text, u"=");
      c->hasAssignment = eq != u16::npos;
      if (c->hasAssignment) {
        const u16 left = trimCtl(u16v(text).substr(0, eq));
        c->dotted = findTopLevel(left, u".") != u16::npos;
        c->expressions[0] = parsed(u16v(text).substr(eq + 1));
        compileTarget(left);
        c->appendsToTarget = appendsTo(c->target, *c->expressions[0]);
      } else {
        c->dotted = findTopLevel(text, u".") != u16::npos;
        c->call = compileCall(text);
      }
      break;
    }
    case kCachedHeader:
      c->procedureLength.store(procedureLengthAt(line), std::memory_order_relaxed);
      for (int32_t mode : program.headerParamModes[static_cast<size_t>(line)])
        c->paramsWriteBack = c->paramsWriteBack || mode == 1;
      for (const u16& item : program.headerParams[static_cast<size_t>(line)]) {
        const size_t eq = item.find(u'=', 1);
        const u16 name = trimCtl(u16v(item).substr(0, eq));
        c->paramNames.push_back(upperFull(trimCtl(u16v(name).substr(0, name.find(u'[')))));
        c->paramDefaultAt.push_back(eq);
        c->paramDefaults.push_back(eq == u16::npos ? nullptr : parsed(u16v(item).substr(eq + 1)));
        c->paramTakesName.push_back(item.find(u'[') < eq ? 1 : 0);
        c->paramHasBracket.push_back(item.find(u'[') != u16::npos ? 1 : 0);
        if (c->paramNames.back() == u"RESULT") c->paramNamedResult = true;
        bool repeats = false;
        for (size_t j = 0; j + 1 < c->paramNames.size(); ++j) repeats = repeats || c->paramNames[j] == c->paramNames.back();
        c->paramRepeatsName.push_back(repeats ? 1 : 0);
        c->paramRepeats = c->paramRepeats || repeats;
        c->paramsWriteBack = c->paramsWriteBack || c->paramTakesName.back() != 0;
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
    case kSelect: {
      const std::vector<u16v> f = openerFields(text);
      c->expressions[0] = parsed(f[0]);
      for (size_t k = 1; k < f.size(); ++k) {
        const size_t comma = f[k].find(u',');
        long long off = 0;
        if (comma == u16v::npos || !parseInt(f[k].substr(0, comma), off)) continue;
        const u16v rest = f[k].substr(comma + 1);
        if (rest == u16v(u"DEFAULT")) {
          c->offsets[0] = static_cast<int32_t>(off);
        } else if (rest == u16v(u"SELEND")) {
          c->offsets[1] = static_cast<int32_t>(off);
        } else {
          CompiledStatement::Case item;
          item.offset = static_cast<int32_t>(off);
          for (const u16& piece : splitTopLevel(rest, u','))
            if (!trimCtl(piece).empty()) item.items.push_back(parsed(piece));
          c->cases.push_back(std::move(item));
        }
      }
      break;
    }
    case kTry: {
      const std::vector<u16> parts = splitTopLevel(text, u' ');
      long long v[3] = {0, 0, 0};
      c->malformed = parts.size() != 3;
      for (size_t k = 0; k < 3 && !c->malformed; ++k)
        c->malformed = !parseInt(parts[k], v[k]) || v[k] < INT32_MIN || v[k] > INT32_MAX;
      for (size_t k = 0; k < 3 && !c->malformed; ++k) c->offsets[k] = static_cast<int32_t>(v[k]);
      break;
    }
    case kBreak:
    case kContinue: {
      long long n = 1;
      if (!trimCtl(text).empty() && !parseInt(text, n)) n = 1;
      // Counts outside int32 are refused at run time as any count above the
      // loops' depth is.
      c->offsets[0] = static_cast<int32_t>(std::clamp<long long>(n, 0, INT32_MAX));
      break;
    }
    case kWith: {
      const u16 t = upperFull(trimCtl(text));
      c->withIsThis = t == u"THIS";
      c->withIsModule = !c->withIsThis && program.moduleIndex.contains(t);
      if (c->withIsModule) c->withModule = t;
      else if (!c->withIsThis) c->expressions[0] = parsed(text);
      break;
    }
    case kExitExit:
      if (!trimCtl(text).empty()) c->expressions[0] = parsed(text);
      break;
    case kCall:
      try {
        c->call = compileCall(text);
      } catch (const std::exception&) {
        c->call.reset();  // reported when the statement runs
      }
      break;
    case kDim:
      for (const u16& raw : declarationItems(text)) {
        DeclItem d = splitDeclarationItem(raw);
        for (const u16& b : d.boundTexts) d.boundTrees.push_back(b.empty() ? nullptr : parsed(b));
        if (d.hasValue && !d.hasBrackets) d.valueTree = parsed(d.valueText);
        for (const u16& v : d.valueItems) d.valueItemTrees.push_back(trimCtl(v).empty() ? nullptr : parsed(v));
        c->declarations.push_back(std::move(d));
      }
      break;
    case kHashtbl:
      c->hashItems = hashItems(text);
      for (HashItem& h : c->hashItems)
        if (!h.flagsText.empty()) h.flagsTree = parsed(h.flagsText);
      break;
    case kDefDll: {
      const size_t cut = text.find_first_of(u"( :;");
      c->dllName = text.substr(0, cut);
      c->dllRest = cut == u16::npos ? u16() : trimCtl(replaceAll(u16v(text).substr(cut), u"[ ]", u"[]"));
      break;
    }
    default:
      break;
  }
  entry = std::move(c);
  return *entry;
}

Value* TUScript::localElement(const CompiledTarget& target, THensuFmt& scope) {
  const size_t dims = target.indexes.size();
  if (dims == 0 || dims > NumberCode::kMaxElementIndexes) return nullptr;
  for (const auto& tree : target.indexes)
    if (!tree->numberShape) return nullptr;
  Variable* v = localVariable(target.name, scope, &target.hint);
  if (!v || v->bounds.size() != dims) return nullptr;
  long long slot = 0;
  for (size_t k = 0; k < dims; ++k) {
    // The index's value as evaluateParsed gives it (number expressions have
    // no effects, so the general path may evaluate them again).
    Value index;
    double d = 0;
    long long i = 0;
    if (!numberValue(*target.indexes[k], scope, index) || !index.toNumber(d) || !wholeIndex(d, i) || i < 0 ||
        i > v->bounds[k])
      return nullptr;
    slot = slot * (v->bounds[k] + 1LL) + i;
  }
  return &v->slots.at(static_cast<size_t>(slot));
}

Value TUScript::getTarget(const CompiledTarget& target, THensuFmt& scope) {
  if (!target.hasIndexes && !stopFlag.load(std::memory_order_relaxed))
    if (const Value* slot = localScalar(target.name, scope, &target.hint)) return *slot;
  IndexValues indexes(target.indexes.size());
  for (const auto& tree : target.indexes) {
    std::optional<Value> v = evaluateParsed(*tree, scope);
    if (!v) return Value::integer(0);
    indexes.push_back(std::move(*v));
  }
  return getValueIndexed(target.name, target.hasIndexes, indexes, scope, &target.hint);
}

void TUScript::putTarget(const CompiledTarget& target, Value value, THensuFmt& scope) {
  if (!target.hasIndexes) {
    if (Value* slot = localScalar(target.name, scope, &target.hint)) {
      *slot = std::move(value);
      return;
    }
  } else if (Value* slot = localElement(target, scope)) {
    *slot = std::move(value);
    return;
  }
  IndexValues indexes(target.indexes.size());
  for (const auto& tree : target.indexes) {
    std::optional<Value> v = evaluateParsed(*tree, scope);
    if (!v) return;
    indexes.push_back(std::move(*v));
  }
  putValueIndexed(target.name, target.hasIndexes, indexes, std::move(value), scope, false, false, &target.hint);
}

}  // namespace kova
