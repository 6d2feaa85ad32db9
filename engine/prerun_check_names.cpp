// The pre-run check of names and calls: variable references and
// assignment targets resolved against the check scope, calls of user
// functions, built-ins, DLL functions and COM members, and the number of
// arguments a call gives. Everything here only looks: nothing is assigned,
// called or created outside the check scope.
//
// Names unknown to the check scope are declared in it as the walk meets
// them (as the write path would declare them at run time), unless OPTION
// EXPLICIT asks for declarations or the name is module-qualified.

#include <algorithm>
#include <exception>

#include "engine/expression_tree.h"
#include "engine/name_resolver.h"
#include "engine/named_constants.h"
#include "engine/prerun_check.h"
#include "engine/run_messages.h"

namespace kova {

namespace pc {

bool isVariableName(u16v name) {
  if (name.empty()) return false;
  if ((name[0] >= u'0' && name[0] <= u'9') || name[0] == u'$') return false;
  for (char16_t c : name)
    if (c <= u' ' || u16v(u"()\",+-*/=<>![]").find(c) != u16v::npos) return false;
  return true;
}

IndexedName splitIndexedName(u16v text) {
  IndexedName r;
  const u16 t = trimCtl(text);
  const size_t open = t.find(u'[');
  r.name = upperFull(trimCtl(u16v(t).substr(0, open)));
  if (open == u16::npos) return r;
  r.hasIndexes = true;
  size_t pos = open;
  while (pos < t.size()) {
    if (t[pos] != u'[') {
      r.trailing = true;
      return r;
    }
    int depth = 0;
    bool quote = false;
    size_t close = u16::npos;
    for (size_t i = pos; i < t.size(); ++i) {
      const char16_t c = t[i];
      if (c == u'"')
        quote = !quote;
      else if (!quote && c == u'[')
        ++depth;
      else if (!quote && c == u']' && --depth == 0) {
        close = i;
        break;
      }
    }
    if (close == u16::npos) {
      r.ok = false;
      return r;
    }
    // "[a][b]" and "[a, b]" both list indexes.
    for (const u16& piece : splitTopLevel(u16v(t).substr(pos + 1, close - pos - 1), u','))
      r.indexes.push_back(trimCtl(piece));
    pos = close + 1;
  }
  return r;
}

std::vector<u16> fields(u16v text) {
  std::vector<u16> out;
  bool quote = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'"')
      quote = !quote;
    else if (!quote && text[i] == kFieldSeparator) {
      out.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  out.emplace_back(text.substr(start));
  return out;
}

std::vector<HeaderParam> headerParams(u16v header) {
  std::vector<HeaderParam> out;
  const size_t open = header.find(u'(');
  if (open == u16v::npos) return out;
  u16v list = header.substr(open + 1);
  if (!list.empty() && list.back() == u')') list.remove_suffix(1);
  for (u16 item : splitTopLevel(list, u',')) {
    item = trimCtl(item);
    if (item.empty()) continue;
    HeaderParam p;
    if (startsWith(item, u"VAR ")) {
      p.isVar = true;
      item = trimCtl(u16v(item).substr(4));
    }
    const size_t eq = item.find(u'=', 1);
    if (eq != u16::npos) {
      p.hasDefault = true;
      p.defaultText = trimCtl(u16v(item).substr(eq + 1));
    }
    const u16 left = trimCtl(u16v(item).substr(0, eq));
    const size_t bracket = left.find(u'[');
    p.isArray = bracket != u16::npos;
    p.name = upperFull(trimCtl(u16v(left).substr(0, bracket)));
    out.push_back(std::move(p));
  }
  return out;
}

// --- Name resolution -----------------------------------------------------------

enum class Found { Local, Global, HashTable, Constant, Textblock, System, Nothing };

struct Resolution {
  Found found = Found::Nothing;
  const Variable* variable = nullptr;
};

namespace {

// Names the engine and the built-ins always provide.
bool isSystemName(const u16& name) {
  static const char16_t* const kNames[] = {
      u"NULL",         u"NOTHING",    u"EMPTY",      u"TRY_ERRMSG",   u"TRY_ERRLINE",   u"G_IMG_X",
      u"G_IMG_Y",      u"G_TIME_YY",  u"G_TIME_MM",  u"G_TIME_DD",    u"G_TIME_HH",     u"G_TIME_NN",
      u"G_TIME_SS",    u"G_TIME_ZZ",  u"G_TIME_WW",  u"G_TIME_YY4",   u"G_TIME_YY2",    u"G_TIME_MM2",
      u"G_TIME_DD2",   u"G_TIME_HH2", u"G_TIME_NN2", u"G_TIME_SS2",   u"G_TIME_ZZ2",    u"EVENT_ID",
      u"EVENT_PRM",    u"HOTKEY_VK",  u"HOTKEY_MOD", u"GETDIR_FILES", u"ALL_ITEM_LIST", u"ALL_WIN_ID",
      u"ALL_OLE_ITEM", u"ALL_IMG_X",  u"ALL_IMG_Y"};
  for (const char16_t* n : kNames)
    if (name == n) return true;
  return false;
}

// The global names `name` may stand for, as the read and write paths try
// them (name_resolver.h).
std::vector<u16> globalCandidates(const u16& name, const THensuFmt& scope) {
  const GlobalCandidates c(name, scope.moduleName, scope.instanceText);
  return std::vector<u16>(c.begin(), c.end());
}

bool isNamedConstant(TUScript& e, const u16& name) {
  return constantValue(e, name) != kNoSuchConstant || isTextConstantName(name);
}

}  // namespace

Resolution resolveName(TUScript& e, const u16& name, bool hasIndexes, THensuFmt& scope) {
  Resolution r;
  const int local = scope.variables.find(name);
  if (local >= 0) {
    r.found = Found::Local;
    r.variable = &scope.variables.value(local);
    return r;
  }
  if (!hasIndexes && (name == u"TRUE" || name == u"FALSE")) {
    r.found = Found::System;
    return r;
  }
  const std::vector<u16> candidates = globalCandidates(name, scope);
  // The check runs before the run starts; the lock keeps the one path.
  const auto lock = e.lockShared();
  for (const u16& c : candidates) {
    const int g = e.globalScope().variables.find(c);
    if (g >= 0) {
      r.found = Found::Global;
      r.variable = &e.globalScope().variables.value(g);
      return r;
    }
  }
  bool hash = scope.hashTables.contains(name);
  for (const u16& c : candidates) hash = hash || e.globalScope().hashTables.contains(c);
  if (hash) {
    r.found = Found::HashTable;
    return r;
  }
  if (isSystemName(name)) {
    r.found = Found::System;
    return r;
  }
  if (hasIndexes) return r;
  if (isNamedConstant(e, name)) {
    r.found = Found::Constant;
    return r;
  }
  for (const u16& c : candidates) {
    if (e.program.textblockTable.contains(c)) {
      r.found = Found::Textblock;
      return r;
    }
  }
  for (const u16& c : candidates) {
    if (e.program.constTable.contains(c)) {
      r.found = Found::Constant;
      return r;
    }
  }
  return r;
}

namespace {

void declareScalar(THensuFmt& scope, const u16& name) {
  if (!scope.variables.contains(name)) scope.variables.add(name, Variable{{}, {Value()}});
}

// A declared array addressed with fewer indexes than it has dimensions. A
// bare name (a whole array handed to a function) and more indexes (an
// array value held in an element) are left to the run.
bool dimensionMismatch(const Variable& v, const u16& name, bool hasIndexes, size_t indexCount) {
  return name != u"PARAM_STR" && hasIndexes && indexCount < v.bounds.size();
}

// Reports `message` for the check at the statement; a call check names the
// checked function first ("Function: <name>") and then the statement.
struct Where {
  TUScript& e;
  THensuFmt& scope;
  const u16* callFunction = nullptr;

  bool fault(const u16& message) const {
    if (callFunction) e.reportLocation = text(kCallLocation, *callFunction) + u"\r" + e.lineLocation(&scope);
    e.report(message, &scope);
    e.reportLocation.clear();
    return false;
  }
  // A fault whose run-time counterpart is a catchable error: inside a TRY
  // part it is the TRY's business (true: go on), elsewhere reported.
  bool catchable(const u16& message) const { return e.checkLeavesFailuresToTry || fault(message); }
};

// Checks index texts: each must parse, and names in it must resolve.
bool checkIndexes(TUScript& e, const std::vector<u16>& indexes, THensuFmt& scope) {
  for (const u16& index : indexes) {
    if (index.empty()) continue;  // an empty index reads as 0
    if (parseExpression(index)->syntaxError) return Where{e, scope}.fault(text(kBracketSyntax));
    e.checkExpression(index, scope);
    if (e.stopFlag) return false;
  }
  return true;
}

// The first "(" outside quotes and brackets.
size_t callParenthesis(u16v t) {
  bool quote = false;
  int brackets = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const char16_t c = t[i];
    if (c == u'"')
      quote = !quote;
    else if (quote)
      continue;
    else if (c == u'[')
      ++brackets;
    else if (c == u']' && brackets > 0)
      --brackets;
    else if (c == u'(' && brackets == 0)
      return i;
  }
  return u16v::npos;
}

// The arguments of a call text without its parentheses; none for "F" and "F()".
std::vector<u16> splitArguments(u16v argList) {
  std::vector<u16> out;
  if (trimCtl(argList).empty()) return out;
  for (const u16& piece : splitTopLevel(argList, u',')) out.push_back(trimCtl(piece));
  return out;
}

// A member chain "obj.A[i].B": members must not be empty; indexes and the
// object at its head are checked. A head that names a module (or THIS,
// GLOBAL) is the module's own business.
bool checkMemberChain(TUScript& e, u16v chain, const Where& where) {
  THensuFmt& scope = where.scope;
  size_t start = 0;
  bool quote = false;
  int depth = 0;
  std::vector<u16> segments;
  for (size_t i = 0; i < chain.size(); ++i) {
    const char16_t c = chain[i];
    if (c == u'"')
      quote = !quote;
    else if (quote)
      continue;
    else if (c == u'[' || c == u'(')
      ++depth;
    else if ((c == u']' || c == u')') && depth > 0)
      --depth;
    else if (c == u'.' && depth == 0) {
      segments.push_back(trimCtl(chain.substr(start, i - start)));
      start = i + 1;
    }
  }
  segments.push_back(trimCtl(chain.substr(start)));
  for (size_t k = 0; k < segments.size(); ++k) {
    if (k > 0 && segments[k].empty()) return where.fault(u"SyntaxError-107");
    if (segments[k].empty()) continue;  // ".X": the WITH value
    const IndexedName seg = splitIndexedName(segments[k]);
    if (!seg.ok || seg.trailing) return where.fault(text(kBracketSyntax));
    if (!checkIndexes(e, seg.indexes, scope)) return false;
    if (k > 0) continue;
    if (e.program.moduleIndex.contains(seg.name) || seg.name == u"THIS" || seg.name == u"GLOBAL") continue;
    if (!e.checkReference(seg.name, seg.hasIndexes, seg.indexes.size(), scope)) return false;
  }
  return true;
}

// Arguments of a COM method call: omitted ones are allowed, "VAR x" passes
// a variable by reference, "name := value" is a named argument.
bool checkComArguments(TUScript& e, u16v argList, const Where& where) {
  const std::vector<u16> args = splitArguments(argList);
  if (args.size() > kMaxComArguments) return where.fault(u"SyntaxError-108");
  for (const u16& arg : args) {
    if (arg.empty()) continue;
    if (startsWithNoCase(arg, u"VAR ")) {
      if (!checkTarget(e, u16v(arg).substr(4), where.scope)) return false;
      continue;
    }
    const size_t named = findTopLevel(arg, u":=");
    e.checkExpression(named == u16::npos ? u16v(arg) : u16v(arg).substr(named + 2), where.scope);
    if (e.stopFlag) return false;
  }
  return true;
}

// "obj.Method(args)", "obj.Method", ".Method(args)" inside a WITH.
bool checkComCall(TUScript& e, u16v callText, const Where& where) {
  const u16 t = trimCtl(callText);
  const size_t paren = callParenthesis(t);
  if (paren == u16::npos) return checkMemberChain(e, t, where);
  if (t.back() != u')') return where.fault(text(kOleNotClosed));
  if (!checkMemberChain(e, u16v(t).substr(0, paren), where)) return false;
  return checkComArguments(e, u16v(t).substr(paren + 1, t.size() - paren - 2), where);
}

}  // namespace

bool checkTarget(TUScript& e, u16v targetText, THensuFmt& scope) {
  if (e.stopFlag) return false;
  const Where where{e, scope};
  const IndexedName target = splitIndexedName(targetText);
  if (!target.ok) return where.fault(text(kBracketSyntax));
  if (target.trailing) return where.fault(u"SyntaxError-75");
  if (target.indexes.size() > kMaxIndexes) return where.fault(u"SyntaxError-76");
  if (!isVariableName(target.name))
    return where.fault(text(kBadVariableName, target.name.empty() ? trimCtl(targetText) : target.name));
  if (!checkIndexes(e, target.indexes, scope)) return false;
  const Resolution r = resolveName(e, target.name, target.hasIndexes, scope);
  switch (r.found) {
    case Found::Local:
    case Found::Global:
      if (dimensionMismatch(*r.variable, target.name, target.hasIndexes, target.indexes.size()))
        return where.catchable(text(rm::kDimensionMismatch, target.name));
      return true;
    case Found::HashTable:
      return true;
    case Found::Constant:
      return where.catchable(text(kConstantAssigned));
    case Found::System:
    case Found::Textblock:
    case Found::Nothing:
      break;
  }
  const u16 reserved = e.checkReserved(target.name);
  if (!reserved.empty()) return where.catchable(reserved);
  if (r.found == Found::System) return true;
  if (r.found == Found::Nothing) {
    if (e.program.options.explicitDecl || target.name.find(u'.') != u16::npos)
      return where.fault(text(rm::kUndefined, target.name));
    // The write path refuses to create an array by assigning an element.
    if (target.hasIndexes) return where.catchable(text(rm::kArrayWithoutDeclaration, target.name));
  }
  // A new name, or one that shadows a textblock, becomes a local variable.
  declareScalar(scope, target.name);
  return true;
}

bool checkComStatement(TUScript& e, u16v statement, THensuFmt& scope, const u16& functionName) {
  const u16 t = trimCtl(statement);
  if (startsWith(t, u".") && scope.withStack.empty()) return Where{e, scope}.fault(u"SyntaxError-105");
  return checkComCall(e, t, Where{e, scope, &functionName});
}

bool checkComProperty(TUScript& e, u16v left, THensuFmt& scope) {
  const Where where{e, scope};
  const u16 t = trimCtl(left);
  if (startsWith(t, u".") && scope.withStack.empty()) return where.fault(u"SyntaxError-105");
  // A final index list in parentheses is an indexed property.
  const size_t paren = callParenthesis(t);
  if (paren == u16::npos) return checkMemberChain(e, t, where);
  if (t.back() != u')') return where.fault(text(kOleNotClosed));
  if (!checkMemberChain(e, u16v(t).substr(0, paren), where)) return false;
  for (const u16& arg : splitArguments(u16v(t).substr(paren + 1, t.size() - paren - 2))) {
    if (arg.empty()) continue;
    e.checkExpression(arg, scope);
    if (e.stopFlag) return false;
  }
  return true;
}

}  // namespace pc

using namespace pc;

std::optional<Value> TUScript::checkExpression(u16v text, THensuFmt& scope) { return evaluate(text, scope); }

bool TUScript::checkReference(const u16& name, bool hasIndexes, size_t indexCount, THensuFmt& scope) {
  if (stopFlag) return false;
  const Resolution r = resolveName(*this, name, hasIndexes, scope);
  const Where where{*this, scope};
  if (r.found == Found::Local || r.found == Found::Global) {
    if (dimensionMismatch(*r.variable, name, hasIndexes, indexCount))
      return where.catchable(text(rm::kDimensionMismatch, name));
    return true;
  }
  if (r.found != Found::Nothing) return true;
  // A function or module name read as a variable (a call without its
  // parentheses): the read path knows no such variable.
  u16 module;
  int kind = 0;
  if (findFunction(name, scope, module, false, kind) >= 0 || program.moduleIndex.contains(name))
    return where.catchable(text(kNotReferable, name));
  if (program.options.explicitDecl) return where.fault(text(rm::kUndefined, name));
  if (name.find(u'.') != u16::npos) return where.catchable(text(rm::kUndefined, name));
  // Not known yet: a later pass of a loop, or a built-in that writes to a
  // variable by name, may give it its value before this runs.
  declareScalar(scope, name);
  return true;
}

bool TUScript::checkDotted(u16v word, THensuFmt& scope) {
  if (stopFlag) return false;
  if (!isModuleQualified(word, scope)) return checkMemberChain(*this, word, Where{*this, scope});
  const IndexedName member = splitIndexedName(word);
  if (!member.ok || member.trailing) return Where{*this, scope}.fault(text(kBracketSyntax));
  if (!checkIndexes(*this, member.indexes, scope)) return false;
  return checkReference(member.name, member.hasIndexes, member.indexes.size(), scope);
}

namespace {

// The built-ins whose raw (by-name) positions take a variable to write.
bool isTokenTarget(const u16& builtin, int position) { return builtin == u"TOKEN" && position == 1; }

}  // namespace

bool TUScript::checkCall(u16v callText, THensuFmt& scope, bool threadFlag, bool callFlag) {
  if (stopFlag) return false;
  const u16 functionName = checkState_ ? checkState_->functionName : u16();
  const Where where{*this, scope, &functionName};
  if (stackExhausted()) return where.fault(text(rm::kCallTooDeep, callText));
  try {
    const u16 t = trimCtl(callText);
    // A CALLed file's name is a path, read up to its first "(" as the call does.
    const size_t paren = callFlag ? t.find(u'(') : callParenthesis(t);
    const bool hasParens = paren != u16::npos;
    const u16 name = trimCtl(u16v(t).substr(0, paren));
    if (hasParens && t.back() != u')') return where.fault(text(kNotClosed));
    const u16 argList = hasParens ? t.substr(paren + 1, t.size() - paren - 2) : u16();

    u16 module = scope.moduleName;
    int kind = 0;
    const int header = findFunction(name, scope, module, callFlag, kind);

    // A built-in: each argument is checked, then their number.
    if (header < 0 && !threadFlag && !callFlag && builtins) {
      u16 builtinName = upperFull(name);
      if (startsWith(builtinName, u"GLOBAL.")) builtinName = builtinName.substr(7);
      const int number = builtins->find(builtinName);
      if (number >= 0) {
        // Arguments are counted the way the dispatcher takes them.
        int count = 0;
        u16 rest = trimCtl(argList);
        while (!rest.empty()) {
          const size_t comma = findTopLevel(rest, u",");
          const u16 arg = trimCtl(u16v(rest).substr(0, comma));
          rest = comma == u16::npos ? u16() : trimCtl(u16v(rest).substr(comma + 1));
          if (isTokenTarget(builtinName, count)) {
            if (isNamedConstant(*this, upperFull(arg))) return where.fault(text(kConstantArgument, arg));
            if (upperFull(arg) != u"RESULT" && !isVariableName(splitIndexedName(arg).name))
              return where.fault(text(kBadVariableName, arg));
            if (!checkTarget(*this, arg, scope)) return false;
          } else if (builtins->isRawPosition(number, count)) {
            // A variable or array name, or a text: names are resolved,
            // texts are the built-in's business. Fewer indexes than the
            // array has are allowed here ("LENGTH(m[1])" reads one row).
            if (arg.find(u'"') == u16::npos) {
              const IndexedName raw = splitIndexedName(arg);
              if (raw.ok && !raw.trailing && raw.hasIndexes && isVariableName(raw.name)) {
                if (!checkIndexes(*this, raw.indexes, scope)) return false;
                checkExpression(raw.name, scope);
              } else {
                checkExpression(arg, scope);
              }
            }
          } else if (builtinName == u"SCKEY" && count >= 1 && arg.size() == 1) {
            // A single character names a key: "A" is VK_A.
            const u16 key = u"VK_" + upperFull(arg);
            if (!isNamedConstant(*this, key) && !Where{*this, scope}.catchable(text(rm::kUndefined, key)))
              return false;
          } else {
            checkExpression(arg, scope);
          }
          if (stopFlag) return false;
          ++count;
        }
        const int minimum = builtins->minimumArguments(number);
        if (count < minimum) return where.catchable(text(kArgumentLacking, builtinName));
        return true;
      }
    }

    // Neither user function nor built-in: a dotted name is a COM call.
    if (header < 0 && !callFlag && findTopLevel(name, u".") != u16::npos && !isModuleQualified(name, scope))
      return checkComCall(*this, t, where);

    const std::vector<u16> args = splitArguments(argList);
    for (const u16& arg : args)
      if (arg.empty()) return where.fault(u"SyntaxError-110");

    std::vector<HeaderParam> params;
    if (header >= 0 && !callFlag) params = headerParams(program.statementText[header]);
    for (size_t k = 0; k < args.size() && k < params.size(); ++k) {
      const u16& arg = args[k];
      if (params[k].isArray) {
        // An array or hash table is handed over by its name.
        const bool split = startsWithNoCase(arg, u"SPLIT(") && arg.find(u'[') == u16::npos;
        if (!split && !isVariableName(arg)) return where.fault(u"SyntaxError-111");
      } else if (isVariableName(arg)) {
        // A whole declared array cannot be read as one value.
        const Resolution r = resolveName(*this, upperFull(arg), false, scope);
        if (r.variable && !r.variable->bounds.empty() && upperFull(arg) != u"PARAM_STR")
          return where.fault(u"SyntaxError-112");
      }
    }

    if (header < 0) {
      const bool dll =
          hasDllDeclaration(name) ||
          (!scope.moduleName.empty() && hasDllDeclaration(scope.moduleName + u"." + name));
      if (!dll) {
        // The run reports an unknown function as a catchable error.
        if (!hasParens)
          return where.catchable(callFlag ? u16(u"System Error: Don't CALL") : u16(u"SyntaxError-113"));
        return where.catchable(text(kNoSuchFunction, name));
      }
    }

    for (size_t k = 0; k < args.size(); ++k) {
      const u16& arg = args[k];
      if (callFlag && arg.find(u"<#") != u16::npos) continue;  // passed as written
      if (k < params.size() && params[k].isArray && !startsWithNoCase(arg, u"SPLIT(")) {
        if (!checkReference(upperFull(arg), false, 0, scope)) return false;
        continue;
      }
      checkExpression(arg, scope);
      if (stopFlag) return false;
    }

    // A CALLed script file takes its arguments as PARAM_STR.
    if (header >= 0 && !callFlag) return checkArity(header, name, module, args.size(), scope);
    return true;
  } catch (const std::exception& ex) {
    return where.fault(internalFailure(u"ChkKB_Call:", ex));
  }
}

bool TUScript::checkArity(int headerLine, const u16& calledName, const u16& calledModule,
                          size_t argumentCount, THensuFmt& scope) {
  const u16 functionName = checkState_ ? checkState_->functionName : u16();
  const Where where{*this, scope, &functionName};
  const std::vector<HeaderParam> params = headerParams(program.statementText[headerLine]);
  size_t firstDefault = params.size();
  for (size_t k = 0; k < params.size(); ++k) {
    if (params[k].isVar && params[k].hasDefault) return where.fault(u"SyntaxError-120");
    if (params[k].hasDefault)
      firstDefault = std::min(firstDefault, k);
    else if (firstDefault < k)
      return where.fault(u"SyntaxError-121");
  }
  if (firstDefault < params.size()) {
    // Defaults are evaluated in the callee's scope when the call binds its
    // parameters: they may use the parameters before them.
    THensuFmt callee;
    callee.startLine = headerLine;
    callee.offset = 0;
    callee.moduleName = calledModule;
    for (const HeaderParam& p : params) declareScalar(callee, p.name);
    const bool tolerant = checkLeavesFailuresToTry;
    checkLeavesFailuresToTry = false;
    for (const HeaderParam& p : params) {
      if (!p.hasDefault) continue;
      checkExpression(p.defaultText, callee);
      if (stopFlag) break;
    }
    checkLeavesFailuresToTry = tolerant;
    if (stopFlag) return false;
  }
  const bool fits =
      argumentCount == params.size() ||
      (firstDefault < params.size() && argumentCount >= firstDefault && argumentCount <= params.size());
  if (fits) return true;
  if (upperFull(calledName) == kMainProcedure) return where.fault(u"Don't call " + calledName);
  return where.fault(text(kArgumentCount, calledName));
}

}  // namespace kova
