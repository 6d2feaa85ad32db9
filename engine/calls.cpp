// Call resolution: the single entry for every call of a user function or
// procedure, a CALLed script file, a built-in, a COM member or an external
// DLL function, and the binding of arguments to parameters.

#include <exception>

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
  if (!callFlag && (!caller.moduleName.empty() || name.find(u'.') != u16::npos)) {
    u16 qualifiedName;
    bool candidate = true;
    if (startsWith(name, u".")) {
      // A member of the current WITH value; only a module name qualifies it.
      candidate = false;
      if (!caller.instanceText.empty() && program.moduleIndex.contains(caller.instanceText)) {
        qualifiedName = upperFull(caller.instanceText) + name;
        candidate = true;
      }
    } else if (startsWith(name, u"THIS.")) {
      qualifiedName = caller.moduleName + name.substr(4);
    } else if (startsWith(name, u"GLOBAL.")) {
      qualifiedName = name.substr(7);
    } else if (name.find(u'.') == u16::npos) {
      qualifiedName = caller.moduleName + u"." + name;
    } else {
      qualifiedName = name;
    }
    if (candidate) {
      const int header = lookup(qualifiedName);
      if (header >= 0) {
        const size_t dot = qualifiedName.find(u'.');
        moduleName = dot == u16::npos ? u16() : qualifiedName.substr(0, dot);
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

void TUScript::callByText(u16v textIn, THensuFmt& caller, Value& result, bool threadFlag, bool callFlag) {
  result = Value::integer(0);
  if (caller.exitFlag || stopFlag) return;
  try {
    const u16 callText = trimCtl(textIn);
    const size_t paren = callText.find(u'(');
    const u16 name = trimCtl(u16v(callText).substr(0, paren));
    u16 argList;
    if (paren != u16::npos) {
      argList = callText.substr(paren + 1);
      if (!argList.empty()) argList.pop_back();  // the closing ")"
    }
    u16 module = caller.moduleName;
    int kind = 0;
    const int header = findFunction(name, caller, module, callFlag, kind);
    if (header < 0 && !callFlag && !threadFlag) {
      // Built-ins, COM members and DLL functions arrive with later stages.
      if (findTopLevel(name, u".") != u16::npos && !isModuleQualified(name, caller)) {
        report(text(rm::kNotAvailableYet, u"COM"), &caller);
        return;
      }
      if (program.dllDeclTable.contains(name)) {
        report(text(rm::kNotAvailableYet, u"DEF_DLL " + name), &caller);
        return;
      }
    }
    if (header < 0) {
      report(u"SyntaxError-25", &caller);
      return;
    }

    std::vector<u16> argTexts;
    std::vector<Value> args;
    if (!trimCtl(argList).empty()) {
      const std::vector<u16>* params = nullptr;
      if (!callFlag) {
        cacheHeaderParams(header);
        params = &program.headerParams[header];
      }
      const std::vector<u16> pieces = splitTopLevel(argList, u',');
      for (size_t k = 0; k < pieces.size(); ++k) {
        if (stopRequest >= 1 || stopFlag) return;
        const u16 argText = trimCtl(pieces[k]);
        argTexts.push_back(argText);
        if (callFlag && argText.find(u"<#") != u16::npos) {
          args.push_back(Value::string(argText));
        } else if (params && k < params->size() && (*params)[k].find(u'[') != u16::npos) {
          args.push_back(Value::string(argText));
        } else {
          std::optional<Value> v = evaluate(argText, caller);
          if (!v) return;
          args.push_back(std::move(*v));
        }
      }
    }
    runProcedure(name, header, result, &caller, argTexts, args, callFlag, kind, module);
  } catch (const std::exception& ex) {
    report(u"KansuCall:" + fromUtf8(ex.what()), &caller);
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

void TUScript::bindParameters(int header, THensuFmt& scope, const std::vector<Value>& args) {
  cacheHeaderParams(header);
  const std::vector<u16>& params = program.headerParams[header];
  for (size_t k = 0; k < params.size(); ++k) {
    const u16& item = params[k];
    const size_t eq = item.find(u'=', 1);
    u16 name = trimCtl(u16v(item).substr(0, eq));
    Value value;
    if (k < args.size()) {
      value = args[k];
    } else if (eq != u16::npos) {
      std::optional<Value> v = evaluate(u16v(item).substr(eq + 1), scope);
      if (!v) return;
      value = std::move(*v);
    }
    const size_t bracket = name.find(u'[');
    if (bracket != u16::npos) name = trimCtl(u16v(name).substr(0, bracket));
    const int existing = scope.variables.find(name);
    if (existing >= 0) scope.variables.value(existing) = Variable{{}, {std::move(value)}};
    else scope.variables.add(name, Variable{{}, {std::move(value)}});
  }
}

}  // namespace kova
