// Call resolution: the single entry for every call of a user function or
// procedure, a CALLed script file, a built-in, a COM member or an external
// DLL function, and the binding of arguments to parameters.

#include <exception>
#include <new>
#include <span>

#include "engine/call_form.h"
#include "engine/compiled_statement.h"
#include "engine/expression_tree.h"
#include "engine/name_resolver.h"
#include "engine/named_constants.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"

namespace kova {

int TUScript::findFunction(u16v nameIn, THensuFmt& caller, u16& moduleName, bool callFlag, int& kind) const {
  const u16 name = upperFull(trimCtl(nameIn));
  kind = 0;
  auto lookup = [&](const u16& candidate) -> int {
    const int f = program.functionIndex.find(candidate);
    if (f < 0) return -1;
    kind = program.functionIndex.value(f).kind;
    return program.functionIndex.value(f).headerLine;
  };
  if (!callFlag) {
    const GlobalCandidates candidates(name, caller.moduleName, caller.instanceText);
    // A member of the current WITH value names a function only when the
    // WITH value is a module's name.
    const bool usable = !candidates.withMember() ||
                        (!caller.instanceText.empty() && program.moduleIndex.contains(caller.instanceText));
    // The last candidate of a name inside a module is the name itself: found
    // there, the function runs in the caller's module, as a plain call does.
    const size_t qualifiedCount = candidates.size() == 2 ? 1 : candidates.size();
    for (size_t k = 0; usable && k < qualifiedCount; ++k) {
      const u16& qualified = candidates.begin()[k];
      const int header = lookup(qualified);
      if (header >= 0) {
        const size_t dot = qualified.find(u'.');
        moduleName = dot == u16::npos ? u16() : qualified.substr(0, dot);
        return header;
      }
    }
  }
  return lookup(name);
}

bool TUScript::isModuleQualified(u16v text, const THensuFmt& scope) const {
  const size_t dot = findTopLevel(text, u".");
  if (dot == u16::npos) return false;
  if (findTopLevel(text, u".", dot + 1) != u16::npos) return false;
  const u16 head = upperFull(trimCtl(text.substr(0, dot)));
  if (program.moduleIndex.contains(head)) return true;
  if (!scope.moduleName.empty() && (head == u"THIS" || head == u"GLOBAL")) return true;
  if (head.empty() && !scope.instanceText.empty() && program.moduleIndex.contains(scope.instanceText)) return true;
  return false;
}

namespace {

// A text that can receive a VAR parameter's value: a name, optionally with
// indexes ("A", "A[2]", "M.A[I, J]").
bool isAssignableName(u16v t) {
  if (t.empty()) return false;
  const size_t open = t.find(u'[');
  const u16v head = t.substr(0, open);
  if (head.empty()) return false;
  for (char16_t c : head) {
    const bool ok = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' ||
                    c == u'$' || c == u'@' || c == u'.' || c >= 0x80;
    if (!ok) return false;
  }
  if (head[0] >= u'0' && head[0] <= u'9') return false;
  return open == u16v::npos || t.back() == u']';
}

}  // namespace

std::unique_ptr<CallForm> TUScript::compileCall(u16v textIn) {
  auto form = std::make_unique<CallForm>();
  const u16 callText = trimCtl(textIn);
  const size_t paren = callText.find(u'(');
  form->name = trimCtl(u16v(callText).substr(0, paren));
  form->upperName = upperFull(form->name);
  form->hasDot = form->upperName.find(u'.') != u16::npos;
  if (paren != u16::npos) {
    form->argList = callText.substr(paren + 1);
    if (!form->argList.empty()) form->argList.pop_back();  // the closing ")"
  }
  form->noArguments = trimCtl(form->argList).empty();
  if (!form->noArguments) {
    for (const u16& piece : splitTopLevel(form->argList, u',')) {
      form->argTexts.push_back(trimCtl(piece));
      form->upperArgTexts.push_back(upperFull(form->argTexts.back()));
      form->argTrees.push_back(parsed(form->argTexts.back()));
      const u16& t = form->argTexts.back();
      form->argIsPlainName.push_back(isAssignableName(t) && t.find(u'[') == u16::npos ? 1 : 0);
    }
    form->argHints = std::vector<SlotHint>(form->argTexts.size());
  }
  return form;
}

void TUScript::callByText(u16v textIn, THensuFmt& caller, Value& result, bool threadFlag, bool callFlag) {
  result = Value::integer(0);
  if (caller.exitFlag || stopFlag) return;
  std::unique_ptr<CallForm> form;
  try {
    form = compileCall(textIn);
  } catch (const std::exception& ex) {
    report(u"KansuCall:" + fromUtf8(ex.what()), &caller);
    return;
  }
  callForm(*form, caller, result, threadFlag, callFlag);
}

namespace {

// The argument values of one call, in order. Calls with up to kInline
// arguments keep them without a heap block.
class ArgumentValues {
 public:
  explicit ArgumentValues(size_t capacity) : onHeap_(capacity > kInline) {
    if (onHeap_) more_.reserve(capacity);
  }
  ArgumentValues(const ArgumentValues&) = delete;
  ArgumentValues& operator=(const ArgumentValues&) = delete;
  ~ArgumentValues() {
    for (size_t k = 0; k < count_; ++k) inlineValues()[k].~Value();
  }
  void push_back(Value v) {
    if (!onHeap_ && count_ == kInline) {
      // More values than announced: continue on the heap.
      more_.reserve(kInline * 2);
      for (size_t k = 0; k < count_; ++k) more_.push_back(std::move(inlineValues()[k]));
      for (size_t k = 0; k < count_; ++k) inlineValues()[k].~Value();
      count_ = 0;
      onHeap_ = true;
    }
    if (onHeap_) {
      more_.push_back(std::move(v));
      return;
    }
    new (storage_ + count_ * sizeof(Value)) Value(std::move(v));
    ++count_;
  }
  std::span<const Value> values() const {
    return onHeap_ ? std::span<const Value>(more_) : std::span<const Value>(inlineValues(), count_);
  }

 private:
  static constexpr size_t kInline = 6;
  Value* inlineValues() { return std::launder(reinterpret_cast<Value*>(storage_)); }
  const Value* inlineValues() const { return std::launder(reinterpret_cast<const Value*>(storage_)); }
  alignas(Value) unsigned char storage_[kInline * sizeof(Value)];
  size_t count_ = 0;
  bool onHeap_;
  std::vector<Value> more_;
};

}  // namespace

void TUScript::callForm(const CallForm& call, THensuFmt& caller, Value& result, bool threadFlag, bool callFlag) {
  result = Value::integer(0);
  if (caller.exitFlag || stopFlag) return;
  try {
    const u16& name = call.name;
    u16 module = caller.moduleName;
    int kind = 0;
    // A plain name outside a module means the same function wherever it is
    // called from: it is looked up once per program.
    const bool plain = !call.hasDot && caller.moduleName.empty();
    const bool mayBeBuiltin = !callFlag && !threadFlag && builtins;
    int header = plain ? call.resolved.headerFor(program.generation, kind) : -1;
    int number = header < 0 && plain && mayBeBuiltin ? call.resolved.builtinFor(program.generation) : -1;
    if (header < 0 && number < 0) {
      header = findFunction(name, caller, module, callFlag, kind);
      if (plain) call.resolved.remember(program.generation, header, kind);
      if (header < 0 && mayBeBuiltin) {
        const u16v builtinName =
            startsWith(call.upperName, u"GLOBAL.") ? u16v(call.upperName).substr(7) : u16v(call.upperName);
        number = builtins->find(builtinName);
        // Not while preparing: a function defined further down is not known
        // yet and may have the name of a built-in.
        if (plain && compiledGeneration_ == program.generation)
          call.resolved.rememberBuiltin(program.generation, number);
      }
    }
    if (header >= static_cast<int>(program.statementKind.size())) {
      // Statement kinds, block partners and parameter tables exist only
      // once preparation is over.
      report(text(rm::kCalledWhilePreparing, call.upperName), &caller);
      return;
    }
    if (header < 0 && mayBeBuiltin) {
      if (number >= 0) {
        // A built-in that runs script code (EVAL) may run other statements'
        // built-ins: the outer statement's start is put back afterwards.
        startStatementClock(caller);
        const uint32_t outerStart = builtinStatementStart.exchange(caller.statementStart, std::memory_order_relaxed);
        builtins->call(*this, number, call, result, caller);
        builtinStatementStart.store(outerStart, std::memory_order_relaxed);
        return;
      }
    }
    if (header < 0 && !callFlag && !threadFlag) {
      // COM members and DLL functions arrive with later stages.
      if (findTopLevel(name, u".") != u16::npos && !isModuleQualified(name, caller)) {
        report(text(rm::kNotAvailableYet, u"COM"), &caller);
        return;
      }
      if (hasDllDeclaration(name)) {
        report(text(rm::kNotAvailableYet, u"DEF_DLL " + name), &caller);
        return;
      }
    }
    if (header < 0) {
      report(u"SyntaxError-25", &caller);
      return;
    }

    // The time the function takes counts towards its caller's statement.
    startStatementClock(caller);
    ArgumentValues args(call.argTexts.size());
    if (!call.noArguments) {
      const std::vector<uint8_t>* hasBracket = nullptr;
      if (!callFlag) {
        hasBracket = &headerStatement(header).paramHasBracket;
      }
      for (size_t k = 0; k < call.argTexts.size(); ++k) {
        if (stopRequest >= 1 || stopFlag) return;
        const u16& argText = call.argTexts[k];
        if (callFlag && argText.find(u"<#") != u16::npos) {
          args.push_back(Value::string(argText));
        } else if (hasBracket && k < hasBracket->size() && (*hasBracket)[k]) {
          args.push_back(Value::string(argText));
        } else {
          std::optional<Value> v = evaluateParsed(*call.argTrees[k], caller);
          if (!v) return;
          args.push_back(std::move(*v));
        }
      }
    }
    static const std::vector<u16> kNoArgumentTexts;
    runProcedure(name, header, result, &caller, call.noArguments ? kNoArgumentTexts : call.argTexts, args.values(), callFlag,
                 kind, module, &call);
  } catch (const std::exception& ex) {
    report(internalFailure(u"KansuCall:", ex), &caller);
  }
}

void TUScript::cacheHeaderParams(int header) {
  if (program.statementKind[header] == kCachedHeader) return;
  const u16& h = program.statementText[header];
  const size_t open = h.find(u'(');
  std::vector<u16> params;
  std::vector<int32_t> modes;
  if (open != u16::npos) {
    // Split at "(", "," and ")" outside quotes; a default value keeps its
    // own parentheses intact because splitTopLevel tracks nesting.
    u16 list = h.substr(open + 1);
    if (!list.empty() && list.back() == u')') list.pop_back();
    for (u16 item : splitTopLevel(list, u',')) {
      item = trimCtl(item);
      if (item.empty()) continue;
      if (startsWith(item, u"VAR ")) {
        modes.push_back(1);
        item = trimCtl(u16v(item).substr(4));
      } else {
        modes.push_back(0);
      }
      params.push_back(item);
    }
  }
  program.headerParams[header] = std::move(params);
  program.headerParamModes[header] = std::move(modes);
  program.statementKind[header] = kCachedHeader;
}

namespace {

constexpr Msg kValueCannotBeSubstituted{u"変数には値を代入できません", u"Value cannot be substituted"};
constexpr Msg kMultiDimResize{u"多次元配列の引数をサイズ変更して返す事はできません",
                              u"Size cannot change by argument of multidimensional array"};

// Binding marks of array and hash-table parameters.
constexpr int kMarkValue = 0;
constexpr int kMarkArray = 1;
// Array parameters whose slots a local of the caller lent (lendArrays):
// kMarkLentBase + the local's index in the caller's variables.
constexpr int kMarkLentBase = -1000000;
bool isLent(int mark) { return mark < 0; }
constexpr int kMarkGlobalHash = 10000;
constexpr int kMarkLocalHash = 20000;
constexpr int kMarkSplit = 50000;

}  // namespace

ParamMarks TUScript::bindParameters(int header, const CompiledStatement& compiled, THensuFmt& scope,
                                   THensuFmt* caller, const std::vector<u16>& argTexts, std::span<const Value> args,
                                   const CallForm* form, bool& ok) {
  ok = true;
  const std::vector<u16>& params = program.headerParams[header];
  const std::vector<int32_t>& modes = program.headerParamModes[header];
  ParamMarks marks(params.size());
  const std::vector<u16>& upperNames = compiled.paramNames;
  // The parameters and RESULT; more variables are rare in short procedures.
  scope.variables.reserve(params.size() + 1);
  for (size_t k = 0; k < params.size(); ++k) {
    const u16& item = params[k];
    const u16v argText = k < argTexts.size() ? u16v(argTexts[k]) : u16v();
    if (modes[k] == 1 && caller && !argText.empty()) {
      u16 made;
      const bool known = form && k < form->upperArgTexts.size() && &form->argTexts[k] == &argTexts[k];
      const u16& upper = known ? form->upperArgTexts[k] : (made = upperFull(argText));
      if (program.constTable.contains(upper) || program.textblockTable.contains(upper) ||
          constantValue(*this, upper) != kNoSuchConstant) {
        report(text(kValueCannotBeSubstituted), caller);
        ok = false;
        return marks;
      }
    }
    const size_t eq = compiled.paramDefaultAt[k];
    const u16& name = upperNames[k];
    if (compiled.paramTakesName[k]) {
      // An array or hash-table parameter: the argument is the caller's name.
      if (k >= args.size()) {
        scope.variables.addUpperCased(name, Variable{{}, {Value()}});
        continue;
      }
      const u16 source = trimCtl(args[k].toText());
      if (startsWithNoCase(source, u"SPLIT(") && source.find(u'[') == u16::npos) {
        std::optional<Value> v = evaluate(source, scope);
        if (!v) {
          ok = false;
          return marks;
        }
        scope.variables.addUpperCased(name, Variable{{}, {std::move(*v)}});
        marks[k] = kMarkSplit;
        continue;
      }
      const u16 sourceName = upperFull(source);
      const int localHash = caller ? caller->hashTables.find(sourceName) : -1;
      if (localHash >= 0) {
        scope.hashTables.add(name, std::make_shared<TSZHash>(*caller->hashTables.value(localHash)));
        marks[k] = kMarkLocalHash + localHash;
        continue;
      }
      const auto lock = lockShared();
      const int globalHash = globals_.hashTables.find(sourceName);
      if (globalHash >= 0) {
        scope.hashTables.add(name, std::make_shared<TSZHash>(*globals_.hashTables.value(globalHash)));
        marks[k] = kMarkGlobalHash + globalHash;
        continue;
      }
      Variable* from = caller ? findVariable(sourceName, *caller) : nullptr;
      // The copy shares the caller's slots until one side writes.
      scope.variables.addUpperCased(name, from ? *from : Variable{{}, {Value()}});
      marks[k] = kMarkArray;
      if (from && modes[k] == 1 && caller->openTries.empty()) {
        const int local = caller->variables.find(sourceName);
        if (local >= 0 && &caller->variables.value(local) == from) marks[k] = kMarkLentBase + local;
      }
      continue;
    }
    Value value;
    if (k < args.size()) {
      value = args[k];
    } else if (eq != u16::npos) {
      // Defaults are evaluated in the new scope: they may use earlier parameters.
      const auto& tree = compiled.paramDefaults[k];
      std::optional<Value> v = tree ? evaluateParsed(*tree, scope) : evaluate(u16v(item).substr(eq + 1), scope);
      if (!v) {
        ok = false;
        return marks;
      }
      value = std::move(*v);
    } else {
      report(u"SyntaxError:" + program.statementText[header], caller ? caller : &scope);
      ok = false;
      return marks;
    }
    // The new scope holds only the parameters bound so far, so only a name
    // that an earlier parameter has can be there already.
    const int existing = compiled.paramRepeatsName[k] ? scope.variables.find(name) : -1;
    if (existing >= 0) scope.variables.value(existing) = Variable{{}, ValueRow(std::move(value))};
    else scope.variables.addUpperCased(name, Variable{{}, ValueRow(std::move(value))});
  }
  if (caller && compiled.paramsWriteBack) lendArrays(scope, *caller, marks, upperNames);
  return marks;
}

// A VAR array parameter copies the caller's array in and back out. When the
// array is a local of the caller, bound to no other parameter of the call,
// and the caller has no open TRY, nothing can read it before the copy comes
// back: the caller's procedure does not run during the call, no other
// procedure sees its locals, and no EXCEPT or FINALLY part of it can run
// while an error travels outwards. Its slots are then lent to the callee
// instead of shared, so that the callee's writes (a recursive sort) change
// them in place instead of copying the whole array on each call.
void TUScript::lendArrays(THensuFmt& scope, THensuFmt& caller, ParamMarks& marks, const std::vector<u16>& names) {
  for (size_t k = 0; k < marks.size(); ++k) {
    if (!isLent(marks[k])) continue;
    Variable& source = caller.variables.value(marks[k] - kMarkLentBase);
    // Every parameter bound to the same slots, whatever name or scope
    // they came from, shares them: the slots are lent only when one does.
    int bindings = 0;
    for (size_t j = 0; j < marks.size(); ++j) {
      if (marks[j] != kMarkArray && !isLent(marks[j])) continue;
      const int param = scope.variables.find(names[j]);
      if (param >= 0 && scope.variables.value(param).slots.data() == source.slots.data()) ++bindings;
    }
    if (bindings != 1 || source.slots.size() < 2) {
      marks[k] = kMarkArray;
      continue;
    }
    source.slots = ValueRow();  // the callee's copy is now the only holder
  }
}

void TUScript::returnLentArrays(THensuFmt& scope, THensuFmt& caller, const ParamMarks& marks,
                                const std::vector<u16>& names) {
  for (size_t k = 0; k < marks.size(); ++k) {
    if (!isLent(marks[k])) continue;
    const int param = scope.variables.find(names[k]);
    if (param >= 0) caller.variables.value(marks[k] - kMarkLentBase).slots = scope.variables.value(param).slots;
  }
}

void TUScript::writeBackParameters(int header, const CompiledStatement& compiled, THensuFmt& scope,
                                   THensuFmt& caller, const std::vector<u16>& argTexts, const ParamMarks& marks,
                                   const CallForm* form) {
  const std::vector<u16>& params = program.headerParams[header];
  const std::vector<int32_t>& modes = program.headerParamModes[header];
  const std::vector<u16>& names = compiled.paramNames;
  for (size_t k = 0; k < params.size() && k < argTexts.size() && k < marks.size(); ++k) {
    if (modes[k] != 1) continue;
    const u16& name = names[k];
    const int mark = marks[k];
    if (mark == kMarkSplit) continue;
    if (mark >= kMarkLocalHash || (mark >= kMarkGlobalHash && mark < kMarkLocalHash)) {
      const int local = scope.hashTables.find(name);
      if (local < 0) continue;
      const bool global = mark < kMarkLocalHash;
      const int n = mark - (global ? kMarkGlobalHash : kMarkLocalHash);
      const auto lock = lockShared();
      NameList<std::shared_ptr<TSZHash>>& target = global ? globals_.hashTables : caller.hashTables;
      if (n < target.size()) target.value(n)->copyFrom(*scope.hashTables.value(local));
      continue;
    }
    // In a scope whose parameters sit at their own positions, parameter k
    // is variable k.
    const int local = scope.layoutKey != 0 ? static_cast<int>(k) : scope.variables.find(name);
    if (local < 0) continue;
    // The call site's own texts: their upper-cased forms were made once.
    const bool known = form && k < form->upperArgTexts.size() && &form->argTexts[k] == &argTexts[k];
    if (mark == kMarkArray || isLent(mark)) {
      auto lock = lockShared();
      Variable* target = findVariable(known ? form->upperArgTexts[k] : upperFull(argTexts[k]), caller);
      if (!target) continue;
      const Variable& changed = scope.variables.value(local);
      if (target->bounds.size() > 1 && changed.bounds != target->bounds) {
        if (isLent(mark)) target->slots = changed.slots;  // never left without its slots
        lock.unlock();
        report(text(kMultiDimResize), &caller);
        return;
      }
      *target = changed;  // shares the slots: the callee's scope ends now
      continue;
    }
    if (known && form->argIsPlainName[k]) {
      // A plain name: what putValue would write, without taking the text
      // apart again; a local scalar of the caller is written in place.
      const Value& value = scope.variables.value(local).slots[0];
      if (Value* slot = localScalar(form->upperArgTexts[k], caller, &form->argHints[k])) {
        *slot = value;
      } else {
        static const std::vector<Value> kNoIndexes;
        putValueIndexed(form->upperArgTexts[k], false, kNoIndexes, value, caller, false, false, &form->argHints[k]);
      }
    } else if (!isAssignableName(argTexts[k])) {
      continue;
    } else {
      putValue(argTexts[k], scope.variables.value(local).slots[0], caller);
    }
    if (stopFlag) return;
  }
}

Variable* TUScript::findVariable(const u16& name, THensuFmt& scope) {
  const int local = scope.variables.find(name);
  if (local >= 0) return &scope.variables.value(local);
  for (const u16& candidate : GlobalCandidates(name, scope.moduleName, scope.instanceText)) {
    const int g = globals_.variables.find(candidate);
    if (g >= 0) return &globals_.variables.value(g);
  }
  return nullptr;
}

}  // namespace kova
