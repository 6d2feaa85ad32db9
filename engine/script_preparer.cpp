// ScriptPreparer: the first pass of preparation. Turns the assembled line
// list into statements (multi-statement lines split, one-line IFs turned into
// blocks) with their origins, and processes the declarations that take
// effect before the run (functions, modules, textblocks, CONST, PUBLIC,
// module-level DIM and HASHTBL, OPTION, DEF_DLL). The second pass is the
// block check (block_check.cpp).

#include <exception>

#include "engine/compiled_statement.h"
#include "engine/dll_types.h"
#include "engine/front_end_messages.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"

namespace kova {

namespace {

bool isWrapperLine(u16v line) { return startsWith(line, u"PROCEDURE ") && endsWith(line, u".KOV()"); }

u16 firstWordToSpace(u16v s) {
  const size_t sp = s.find(u' ');
  return u16(sp == u16v::npos ? s : s.substr(0, sp));
}

u16 restAfterWord(u16v s) {
  const size_t sp = s.find(u' ');
  return sp == u16v::npos ? u16() : trimCtl(s.substr(sp + 1));
}

// True when one of `chars` occurs in `name` with more text after it.
bool hasCharFollowedByText(u16v name, u16v chars) {
  for (size_t i = 0; i + 1 < name.size(); ++i)
    if (chars.find(name[i]) != u16v::npos) return true;
  return false;
}

bool hasAnyChar(u16v s, u16v chars) { return s.find_first_of(chars) != u16v::npos; }

// True when the token RESULT occurs in `s`, tokens being separated by
// " ,+-*/=<>()!?".
bool containsResultToken(u16v s) {
  constexpr u16v kSeparators = u" ,+-*/=<>()!?";
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && kSeparators.find(s[i]) != u16v::npos) ++i;
    size_t e = i;
    while (e < s.size() && kSeparators.find(s[e]) == u16v::npos) ++e;
    if (e > i && upperAscii(s.substr(i, e - i)) == u"RESULT") return true;
    i = e;
  }
  return false;
}

// A mask telling which positions of `s` lie inside double quotes.
std::vector<bool> quoteMask(u16v s) {
  std::vector<bool> inside(s.size());
  bool q = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'"') {
      inside[i] = true;
      q = !q;
    } else {
      inside[i] = q;
    }
  }
  return inside;
}

// Turns "A.B(1).C" into "A.B[1].C": the parentheses of an indexed member
// access become brackets. Returns false when the parentheses do not match.
bool bracketIndexedMembers(u16& line) {
  for (;;) {
    const size_t close = findOutsideQuotes(line, u").");
    if (close == u16::npos) return true;
    const std::vector<bool> inside = quoteMask(line);
    int opens = 0, closes = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      if (inside[i]) continue;
      if (line[i] == u'(') ++opens;
      else if (line[i] == u')') ++closes;
    }
    if (opens != closes) return false;
    int depth = 0;
    size_t open = u16::npos;
    for (size_t i = close; i-- > 0;) {
      if (inside[i]) continue;
      if (line[i] == u')') ++depth;
      else if (line[i] == u'(') {
        if (depth == 0) {
          open = i;
          break;
        }
        --depth;
      }
    }
    if (open == u16::npos) return false;
    line[close] = u']';
    line[open] = u'[';
  }
}

}  // namespace

class ScriptPreparer {
 public:
  explicit ScriptPreparer(TUScript& engine) : e_(engine), p_(engine.program) {}

  void run(const std::vector<u16>& lines) {
    p_.reserve(lines.size());
    for (const u16& line : lines) {
      firstPassLine(line);
      if (e_.stopFlag) return;
    }
    // Blocks left open are shown at the statement that opened them.
    if (!currentModule_.empty()) {
      e_.fixedLocationLine = moduleLine_;
      e_.report(text(fe::kModuleNotClosed, currentModule_), nullptr);
      return;
    }
    if (textblockOpen_) {
      e_.fixedLocationLine = textblockLine_;
      e_.report(text(fe::kTextblockNotClosed), nullptr);
      return;
    }
    p_.statementKind.assign(p_.statementText.size(), kUnclassified);
    p_.headerParams.assign(p_.statementText.size(), {});
    p_.headerParamModes.assign(p_.statementText.size(), {});
    e_.checkBlocks();
    if (!e_.hasErrorMarker()) checkConstructors();
  }

 private:
  // --- First pass ----------------------------------------------------------
  void firstPassLine(u16 line) {
    ++lineCounter_;
    const u16 source = line;
    if (!textblockOpen_) {
      if (line.find(u"<#") != u16::npos) {
        line = replaceAll(line, u"<#cr>", u"<#_CR>", true);
        line = replaceAll(line, u"<#tab>", u"<#_TAB>", true);
        line = replaceAll(line, u"<#dbl>", u"<#_DBL>", true);
      }
      if (!bracketIndexedMembers(line)) line = u16(kErrorMarker);
      if (line == kErrorMarker) line = errorMarker(u"SyntaxError-45");
    }
    if (!textblockOpen_ && isWrapperLine(line)) {
      lineCounter_ = 1;
      lineShift_ = 1;
      fendPending_ = true;
    }
    const int lineNumber = lineCounter_ - lineShift_;
    if (!textblockOpen_ && fendPending_ && line == u"FEND") {
      lineShift_ = 2;
      fendPending_ = false;
    }

    const bool keepWhole =
        (textblockOpen_ && !((startsWith(line, u"ENDTEXTBLOCK;") || startsWith(line, u"ENDTEXTBLOCK ")) &&
                             line.find(u';') != u16::npos)) ||
        startsWith(line, u"DEF_DLL ") ||
        (!startsWith(line, u"IF ") && findOutsideQuotes(line, u";") == u16::npos);
    if (keepWhole) {
      // A line that preparation found wrong keeps its source text as origin.
      append(line, lineNumber, isErrorMarker(line) ? source : line);
      return;
    }
    if (startsWith(line, u"IF ")) {
      oneLineIf(line, lineNumber);
      return;
    }
    bool afterTextblock = false;
    for (u16 piece : splitTopLevel(line, u';')) {
      piece = trimCtl(piece);
      if (piece.empty()) continue;
      if (afterTextblock) {
        append(errorMarker(u"SyntaxError-46"), lineNumber, piece);
        continue;
      }
      if (startsWith(piece, u"IF ")) {
        oneLineIf(piece, lineNumber);
      } else {
        append(piece, lineNumber, piece);
        if (textblockOpen_ && firstWordToSpace(piece) == u"TEXTBLOCK") afterTextblock = true;
      }
    }
  }

  void append(const u16& statement, int lineNumber, const u16& originText) {
    currentIndex_ = static_cast<int>(p_.statementText.size());
    p_.statementText.push_back(statement);
    p_.addOrigin(toU16(lineNumber) + u"," + originText);
    e_.fixedLocationLine = currentIndex_;
    declare(currentIndex_);
  }

  // "IF cond THEN a ELSE b" becomes IFB cond / a / ELSE / b / ENDIF.
  void oneLineIf(const u16& line, int lineNumber) {
    u16 rest = restAfterWord(line);
    u16 condition;
    u16 thenPart, elsePart;
    bool hasParts = false;
    if (findOutsideQuotes(rest, u" IF ") != u16::npos || findOutsideQuotes(rest, u" IFB ") != u16::npos ||
        findOutsideQuotes(rest, u" ELSEIF ") != u16::npos) {
      condition = errorMarker(u"SyntaxError-85");
    } else {
      const size_t semi = findOutsideQuotes(rest, u";");
      if (semi != u16::npos && semi + 1 < rest.size()) {
        condition = errorMarker(text(fe::kIfMultiStatement));
      } else {
        if (semi != u16::npos) rest.pop_back();
        size_t thenAt = findOutsideQuotes(rest, u" THEN ");
        size_t thenLen = 6;
        if (thenAt == u16::npos) {
          thenAt = findOutsideQuotes(rest, u")THEN ");
          if (thenAt != u16::npos) {
            ++thenAt;  // the ")" stays with the condition
            thenLen = 5;
          }
        }
        if (thenAt != u16::npos) {
          condition = trimCtl(u16v(rest).substr(0, thenAt));
          u16 parts = rest.substr(thenAt + thenLen);
          if (startsWith(parts, u"ELSE ")) parts = u" " + parts;
          size_t elseAt = findOutsideQuotes(parts, u" ELSE ");
          size_t elseSkip = 6;
          if (elseAt == u16::npos) {
            elseAt = findOutsideQuotes(parts, u")ELSE ");
            if (elseAt != u16::npos) {
              ++elseAt;
              elseSkip = 5;
            }
          }
          if (elseAt == u16::npos) {
            thenPart = trimCtl(parts);
          } else {
            thenPart = trimCtl(u16v(parts).substr(0, elseAt));
            elsePart = trimCtl(u16v(parts).substr(elseAt + elseSkip));
          }
          hasParts = true;
        } else if (findOutsideQuotes(rest, u" ELSE ") != u16::npos || findOutsideQuotes(rest, u")ELSE ") != u16::npos ||
                   endsWith(rest, u" ELSE")) {
          condition = errorMarker(u"THEN: SyntaxError");
        } else {
          condition = trimCtl(rest);
        }
      }
    }
    if (!definitionName_.empty() && containsResultToken(line)) {
      if (definitionKind_ == 2) {
        append(errorMarker(text(fe::kResultInProcedure, definitionName_)), lineNumber, line);
        return;
      }
      resultAssigned_ = true;
    }
    if (isErrorMarker(condition)) {
      append(condition, lineNumber, line);
      return;
    }
    append(u"IFB " + condition, lineNumber, line);
    if (!hasParts) return;
    append(thenPart.empty() ? u16(kNopMarker) : thenPart, lineNumber, line);
    append(u"ELSE", lineNumber, line);
    append(elsePart.empty() ? u16(kNopMarker) : elsePart, lineNumber, line);
    append(u"ENDIF", lineNumber, line);
  }

  // --- Declaration step ------------------------------------------------------
  u16 qualified(u16v name) const { return currentModule_.empty() ? u16(name) : currentModule_ + u"." + u16(name); }

  void setText(int index, u16 value) { p_.statementText[index] = std::move(value); }
  // Errors outside any definition are also registered as a pseudo-procedure
  // "CLASS <module>", so that the pre-run check, which walks functions,
  // visits the faulty line.
  void setError(int index, u16v message) {
    setText(index, errorMarker(message));
    if (!definitionName_.empty()) return;
    const u16 pseudo = u"CLASS " + (currentModule_.empty() ? toU16(index) : currentModule_);
    if (!p_.functionIndex.contains(pseudo)) p_.functionIndex.add(pseudo, FunctionEntry{2, index});
  }

  void declare(int index) {
    const u16 statement = p_.statementText[index];
    const u16 word = firstWordToSpace(statement);
    if (textblockOpen_ && word != u"ENDTEXTBLOCK") {
      if (textblockIndex_ >= 0) p_.textblockTable.value(textblockIndex_) += statement + u"\r\n";
      setText(index, {});
      return;
    }
    if (word == u"ENDTEXTBLOCK") return declareEndTextblock(index, statement);
    if (word == u"TEXTBLOCK") return declareTextblock(index, statement);
    if (word == u"MODULE" || word == u"CLASS") return declareModule(index, statement);
    if (word == u"ENDMODULE" || word == u"ENDCLASS") {
      if (currentModule_.empty()) return setError(index, u"SyntaxError-35");
      currentModule_.clear();
      return setText(index, {});
    }
    if (word == u"FUNCTION" || word == u"PROCEDURE") return declareFunction(index, statement, word);
    if (word == u"FEND") {
      if (definitionKind_ == 1 && !resultAssigned_) setError(index, text(fe::kNoResult, definitionName_));
      definitionName_.clear();
      definitionKind_ = 0;
      return;
    }
    if (word == u"OPTION") return declareOptions(index, restAfterWord(statement));
    if (word == u"DEF_DLL") return declareDll(index, restAfterWord(statement));
    if (word == u"CONST") {
      setText(index, {});
      const u16 error = e_.declareConst(qualified(restAfterWord(statement)));
      if (!error.empty()) setError(index, error);
      return;
    }
    const bool inDefinition = !definitionName_.empty();
    if (word == u"PUBLIC" || (word == u"DIM" && !inDefinition)) return declareGlobals(index, statement, word);
    if (word == u"HASHTBL" && !inDefinition) return declareHashtables(index, restAfterWord(statement));
    if (inDefinition) {
      if (containsResultToken(word)) {
        if (definitionKind_ == 2) return setError(index, text(fe::kResultInProcedure, definitionName_));
        resultAssigned_ = true;
      }
      return;
    }
    if (!currentModule_.empty() && !statement.empty()) setError(index, u"SyntaxError-40");
  }


  void declareEndTextblock(int index, const u16& statement) {
    if (!restAfterWord(statement).empty()) return setError(index, u"SyntaxError-30");
    if (!textblockOpen_) return setError(index, text(fe::kTextblockUnpaired));
    if (textblockIndex_ >= 0) {
      u16& value = p_.textblockTable.value(textblockIndex_);
      if (endsWith(value, u"\r\n")) value.resize(value.size() - 2);
    }
    textblockOpen_ = false;
    textblockIndex_ = -1;
    setText(index, {});
  }

  void declareTextblock(int index, const u16& statement) {
    const u16 name = restAfterWord(statement);
    if (hasCharFollowedByText(name, u" ,+*/=<>()![]?")) return setError(index, u"SyntaxError-31");
    setText(index, {});
    textblockOpen_ = true;
    textblockIndex_ = -1;
    textblockLine_ = index;
    if (name.empty()) return;
    const u16 q = qualified(name);
    if (p_.textblockTable.contains(q) || e_.isGlobalName(q) || p_.constTable.contains(q)) {
      // The block is still opened so that its lines do not become statements.
      return setError(index, text(fe::kAlreadyDefined, q));
    }
    textblockIndex_ = p_.textblockTable.add(q, u16());
  }

  void declareModule(int index, const u16& statement) {
    if (!currentModule_.empty()) return setError(index, text(fe::kModuleNested));
    // The normaliser appended the module sequence number as the last word.
    u16 rest = restAfterWord(statement);
    int number = 0;
    const size_t sp = rest.rfind(u' ');
    if (sp != u16::npos) {
      long long n = 0;
      if (parseInt(u16v(rest).substr(sp + 1), n)) {
        number = static_cast<int>(n);
        rest = trimCtl(u16v(rest).substr(0, sp));
      }
    }
    const u16& name = rest;
    if (hasCharFollowedByText(name, u" ,+*/=<>()![]?") || name.find(u'.') != u16::npos || name.empty())
      return setError(index, u"SyntaxError-32");
    if (name == u"THIS" || name == u"GLOBAL") return setError(index, u"prohibition word: " + name);
    if (p_.moduleIndex.contains(name)) return setError(index, text(fe::kMultiplexDefinition));
    p_.moduleIndex.add(name, number);
    currentModule_ = name;
    moduleLine_ = index;
    setText(index, {});
  }

  void declareFunction(int index, const u16& statement, const u16& word) {
    if (!definitionName_.empty()) {
      e_.report(text(fe::kFunctionNested, definitionName_), nullptr);
      return;
    }
    definitionKind_ = word == u"FUNCTION" ? 1 : 2;
    resultAssigned_ = false;
    u16 rest = restAfterWord(statement);
    const size_t paren = rest.find(u'(');
    u16 name = trimCtl(u16v(rest).substr(0, paren));
    definitionName_ = name.empty() ? u16(u"?") : name;
    if (hasCharFollowedByText(name, u",+*=<>()!?")) {
      e_.report(u"SyntaxError-36:" + name, nullptr);
      return;
    }
    const u16 q = qualified(name);
    definitionName_ = q;
    if (p_.functionIndex.contains(q)) {
      e_.report(text(fe::kFunctionMultiplex, q), nullptr);
      return;
    }
    p_.functionIndex.add(q, FunctionEntry{definitionKind_, index});
  }

  void declareGlobals(int index, const u16& statement, const u16& word) {
    u16 rest = restAfterWord(statement);
    setText(index, {});
    if (word == u"PUBLIC" && startsWith(rest, u"HASHTBL ")) return declareHashtables(index, restAfterWord(rest));
    std::vector<u16> items;
    const size_t eq = rest.find(u'=');
    const size_t br = rest.find(u'[');
    if (eq != u16::npos && eq > 0 && br != u16::npos && br > 0) items.push_back(rest);
    else items = splitTopLevel(rest, u',');
    for (u16 item : items) {
      item = trimCtl(item);
      if (word == u"PUBLIC" && startsWith(item, u"DIM ")) item = trimCtl(u16v(item).substr(4));
      const u16 error = e_.declarePublic(qualified(item), word == u"PUBLIC");
      if (!error.empty()) return setError(index, error);
    }
  }

  void declareHashtables(int index, const u16& list) {
    setText(index, {});
    for (u16 name : splitTopLevel(list, u',')) {
      name = trimCtl(name);
      // Flags may follow the name ("HASHTBL h = HASH_CASECARE"): only the
      // name itself is checked here.
      const size_t eq = name.find(u'=');
      const u16 bare = trimCtl(u16v(name).substr(0, eq));
      if (hasAnyChar(bare, u",+*/<>()![]?")) return setError(index, u"SyntaxError-37");
      const u16 error = e_.declareHashtbl(qualified(name));
      if (!error.empty()) return setError(index, error);
    }
  }

  void declareOptions(int index, const u16& list) {
    setText(index, {});
    ScriptOptions& o = p_.options;
    const std::vector<u16> items = splitTopLevel(list, u',');
    for (size_t k = 0; k < items.size(); ++k) {
      const u16 item = trimCtl(items[k]);
      const size_t eq = item.find(u'=');
      const u16 key = upperAscii(trimCtl(u16v(item).substr(0, eq)));
      const u16 value = eq == u16::npos ? u16() : trimCtl(u16v(item).substr(eq + 1));
      const bool hasValue = eq != u16::npos;
      long long n = 0;
      if (!hasValue && key == u"EXPLICIT") o.explicitDecl = true;
      else if (!hasValue && key == u"SAMESTR") o.sameStr = true;
      else if (!hasValue && key == u"OPTPUBLIC") o.optPublic = true;
      else if (!hasValue && key == u"OPTFINALLY") o.optFinally = true;
      else if (!hasValue && key == u"SPECIALCHAR") o.specialChar = true;
      else if (!hasValue && key == u"SHORTCIRCUIT") o.shortCircuit = true;
      else if (!hasValue && key == u"ROUNDVALUE") o.roundValue = true;
      else if (!hasValue && key == u"OLDBUSY") o.oldBusy = true;
      else if (!hasValue && key == u"OLDBOOL") {
        o.oldBool = true;
        e_.trueValue = Value::smallInt(1);
        e_.falseValue = Value::smallInt(0);
      } else if (hasValue && key == u"DLGTITLE") {
        u16 t = value;
        if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"') t = t.substr(1, t.size() - 2);
        o.dlgTitle = e_.expandEscapes(t);
      } else if (hasValue && key == u"LOGFILE" && parseInt(value, n)) {
        o.logModeSet = true;
        o.logMode = static_cast<int>(n);
      } else if (hasValue && key == u"LOGPATH" && !value.empty()) {
        u16 t = value;
        if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"') t = t.substr(1, t.size() - 2);
        o.logPathSet = true;
        o.logPath = t;
      } else if (hasValue && key == u"LOGLINES" && parseInt(value, n) && n >= 0 && n <= INT32_MAX) {
        o.logLinesSet = true;
        o.logLines = static_cast<int>(n);
      } else if (hasValue && key == u"DEFAULTFONT") {
        u16 t = value;
        if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"') t = t.substr(1, t.size() - 2);
        const size_t comma = t.rfind(u',');
        long long size = 0;
        if (comma != u16::npos && !(parseInt(u16v(t).substr(comma + 1), size) && size >= 0)) {
          return setError(index, text(fe::kOptionError));
        }
        o.defaultFontSet = true;
        o.defaultFontName = trimCtl(u16v(t).substr(0, comma));
        o.defaultFontSize = static_cast<int>(size);
      } else if (hasValue && key == u"POSITION") {
        // Errors in POSITION are ignored; the y value may be the next item.
        u16 xy = value;
        if (xy.find(u',') == u16::npos && k + 1 < items.size()) xy += u"," + items[++k];
        const std::vector<u16> parts = splitTopLevel(xy, u',');
        long long x = 0, y = 0;
        if (parts.size() == 2 && parseInt(parts[0], x) && parseInt(parts[1], y)) {
          o.positionSet = true;
          o.positionX = static_cast<int>(x);
          o.positionY = static_cast<int>(y);
        }
      } else {
        return setError(index, text(fe::kOptionError));
      }
    }
  }

  void declareDll(int index, const u16& declaration) {
    size_t cut = declaration.find_first_of(u"( :;");
    const u16 name = qualified(trimCtl(u16v(declaration).substr(0, cut)));
    u16 rest = cut == u16::npos ? u16() : trimCtl(replaceAll(u16v(declaration).substr(cut), u"[ ]", u"[]"));
    const int existing = p_.dllDeclTable.find(name);
    if (existing < 0) p_.dllDeclTable.add(name, rest);
    // Check every parameter type of the list between the parentheses.
    const size_t open = rest.find(u'(');
    const size_t close = rest.rfind(u')');
    if (open == u16::npos || close == u16::npos || close < open) return;
    for (u16 item : splitTopLevel(u16v(rest).substr(open + 1, close - open - 1), u',')) {
      item = trimCtl(item);
      while (!item.empty()) {
        if (item.front() == u'{' || item.front() == u'}') {
          item = trimCtl(u16v(item).substr(1));
          continue;
        }
        if (item.back() == u'{' || item.back() == u'}') {
          item = trimCtl(u16v(item).substr(0, item.size() - 1));
          continue;
        }
        break;
      }
      if (item.empty()) continue;
      if (startsWithNoCase(item, u"VAR ")) item = trimCtl(u16v(item).substr(4));
      const bool isArray = endsWith(item, u"[]");
      u16 typeName = upperAscii(trimCtl(isArray ? u16v(item).substr(0, item.size() - 2) : u16v(item)));
      const DllType type = dllTypeCode(typeName);
      if (type == kDllInvalid) return setError(index, text(fe::kDefDllType, typeName));
      if (isArray && !dllTypeAllowsArray(type)) return setError(index, text(fe::kDefDllArray, typeName));
    }
  }

  // A module's constructor (procedure M inside module M) takes no parameters.
  void checkConstructors() {
    for (int m = 0; m < p_.moduleIndex.size(); ++m) {
      const u16& name = p_.moduleIndex.name(m);
      const int f = p_.functionIndex.find(name + u"." + name);
      if (f < 0) continue;
      const int header = p_.functionIndex.value(f).headerLine;
      const u16& h = p_.statementText[header];
      const size_t open = h.find(u'(');
      const size_t close = h.rfind(u')');
      if (open != u16::npos && close != u16::npos && close > open + 1 &&
          !trimCtl(u16v(h).substr(open + 1, close - open - 1)).empty()) {
        THensuFmt where;
        where.startLine = header;
        where.offset = 0;
        e_.report(text(fe::kConstructorArgs), &where);
        return;
      }
    }
  }

  TUScript& e_;
  PreparedProgram& p_;
  int lineCounter_ = 0;
  int lineShift_ = 1;
  bool fendPending_ = true;
  int currentIndex_ = 0;
  bool textblockOpen_ = false;
  int textblockIndex_ = -1;
  int textblockLine_ = -1;
  int moduleLine_ = -1;
  u16 currentModule_;
  u16 definitionName_;
  int definitionKind_ = 0;
  bool resultAssigned_ = false;
};

bool TUScript::prepare(const std::vector<u16>& lines) {
  // A clean engine for the new program.
  program.clear();
  compiled_.clear();
  {
    const auto lock = lockShared();
    globals_ = THensuFmt();
    runDllDeclarations_.clear();
  }
  trueValue = Value::boolean(1);
  falseValue = Value::boolean(0);
  stopFlag = false;
  stopRequest = 0;
  endedByScript = false;
  errorOccurred = false;
  comErrorIgnore = false;
  comErrorOccurred = false;
  suppressErrors = 0;
  exitCode.reset();
  heldInputs.clear();
  fixedLocationLine = -1;
  mainThreadId = platform_.currentThreadId();
  try {
    ScriptPreparer(*this).run(lines);
  } catch (const std::exception& ex) {
    report(internalFailure(u"SyntaxError(FReLoad):", ex), nullptr);
  }
  // Log settings of this run: the setting, then the script's OPTIONs.
  log.resetForRun(ScriptLog::maxLinesFromSetting(host_.readSetting(u"SET", u"LogLines")));
  if (program.options.logModeSet) log.setMode(program.options.logMode);
  if (program.options.logPathSet) log.clearLines();
  if (program.options.logLinesSet) log.setMaxLines(program.options.logLines);
  // The per-statement tables always match the statement table, also when
  // preparation stopped early.
  const size_t n = program.statementText.size();
  program.statementKind.resize(n, kUnclassified);
  program.headerParams.resize(n);
  program.headerParamModes.resize(n);
  return !stopFlag;
}

bool TUScript::hasErrorMarker() const {
  for (const u16& s : program.statementText)
    if (isErrorMarker(s)) return true;
  return false;
}

}  // namespace kova
