// The block-structure check: the second pass of preparation. For every
// keyword statement it sets the statement kind and strips the keyword; for
// every block opener it finds the partners by a forward scan and writes
// their offsets into the opener's text, so the run-time handlers never
// search. Closers that no opener claimed, and every other structural
// fault, become error-marker statements that the pre-run check reports.
//
// Each opener's scan steps over the blocks nested in it by their partner,
// found beforehand by one stack pass, so deep nesting costs time linear in
// the script's length instead of depth times length.

#include <exception>
#include <optional>

#include "engine/front_end_messages.h"
#include "engine/uxscr.h"

namespace kova {

namespace {

constexpr char16_t kSep[] = {kFieldSeparator, 0};

class BlockChecker {
 public:
  explicit BlockChecker(PreparedProgram& p)
      : p_(p), text_(p.statementText), matched_(text_.size(), false), partner_(text_.size(), -1) {
    findPartners();
  }

  void run() {
    for (int i = 0; i < static_cast<int>(text_.size()); ++i) checkStatement(i);
  }

 private:
  int size() const { return static_cast<int>(text_.size()); }
  // Offset of a partner; a missing partner is stored as a negative number.
  static int offsetOf(int opener, int partner) { return partner >= 0 ? partner - opener : -1 - opener; }
  static u16 num(int v) { return toU16(v); }
  void mark(int i) {
    if (i >= 0) matched_[i] = true;
  }
  void setMarker(int i, u16v message) { text_[i] = errorMarker(message); }
  void setRest(int i, const u16& rest, int32_t kind) {
    text_[i] = rest;
    p_.statementKind[i] = kind;
  }
  void closerTest(int i, const char16_t* opener) {
    if (!matched_[i]) setMarker(i, text(fe::kNoCorresponding, opener));
  }
  void restMustBeEmpty(int i, const u16& rest, int32_t kind) {
    setRest(i, rest, kind);
    if (!trimCtl(rest).empty()) setMarker(i, u"SyntaxError-49");
  }

  // The kinds of block whose nested instances a scan steps over: IFB-ENDIF,
  // FOR-NEXT, WHILE-WEND, REPEAT-UNTIL and SELECT-SELEND.
  enum Pair { kIfPair, kForPair, kWhilePair, kRepeatPair, kSelectPair, kPairCount };
  static std::optional<Pair> openerPair(const u16& t) {
    if (startsWith(t, u"IFB ")) return kIfPair;
    if (startsWith(t, u"FOR ")) return kForPair;
    if (startsWith(t, u"WHILE ")) return kWhilePair;
    if (t == u"REPEAT") return kRepeatPair;
    if (startsWith(t, u"SELECT ")) return kSelectPair;
    return std::nullopt;
  }
  static std::optional<Pair> closerPair(const u16& t) {
    if (t == u"ENDIF") return kIfPair;
    if (t == u"NEXT") return kForPair;
    if (t == u"WEND") return kWhilePair;
    if (startsWith(t, u"UNTIL ")) return kRepeatPair;
    if (t == u"SELEND") return kSelectPair;
    return std::nullopt;
  }
  // partner_[q] is the closer that ends the block opened on line q, or -1.
  // It is what a forward scan from q counting only that pair finds: the
  // first closer that brings the depth to zero, before the next FEND. The
  // scans below change only the opener they run for and ELSE, "NEXT x" and
  // DEFAULT lines, none of which opens or closes a pair, so the partners
  // found here on the texts as prepared stay true while the checks run.
  void findPartners() {
    std::vector<int> open[kPairCount];
    namedNextsBefore_.assign(text_.size() + 1, 0);
    for (int q = 0; q < size(); ++q) {
      const u16& t = text_[q];
      namedNextsBefore_[q + 1] = namedNextsBefore_[q] + (startsWith(t, u"NEXT ") ? 1 : 0);
      if (t == u"FEND") {
        for (auto& stack : open) stack.clear();
      } else if (auto pair = openerPair(t)) {
        open[*pair].push_back(q);
      } else if (auto pair = closerPair(t); pair && !open[*pair].empty()) {
        partner_[open[*pair].back()] = q;
        open[*pair].pop_back();
      }
    }
  }
  // For a scan looking for the closer of `pair`: the line to go on after
  // when line q opens a nested block of that pair (its closer), or -1 when
  // that block is never closed, so the scan cannot find its own closer.
  int stepOver(int q) const { return partner_[q]; }
  // Whether a "NEXT x" line lies between lines `from` and `to`.
  bool namedNextBetween(int from, int to) const { return namedNextsBefore_[to] > namedNextsBefore_[from]; }

  void checkStatement(int i) {
    const u16 s = text_[i];
    const size_t sp = s.find(u' ');
    const u16 w = sp == u16::npos ? s : s.substr(0, sp);
    const u16 rest = sp == u16::npos ? u16() : s.substr(sp + 1);
    auto guarded = [&](const char16_t* failure, auto scan) {
      try {
        scan();
      } catch (const std::exception&) {
        setMarker(i, failure);
      }
    };
    if (w == u"IFB" || w == u"ELSEIF") {
      guarded(u"IFB-ENDIF:SyntaxError", [&] { scanIf(i, rest); });
    } else if (w == u"FOR") {
      guarded(u"FOR-NEXT:SyntaxError", [&] { scanFor(i, rest); });
    } else if (w == u"WHILE") {
      guarded(u"WHILE-WEND:SyntaxError", [&] { scanWhile(i, rest); });
    } else if (w == u"REPEAT") {
      guarded(u"REPEAT-UNTIL:SyntaxError", [&] { scanRepeat(i, rest); });
    } else if (w == u"SELECT") {
      guarded(u"SELECT-SELEND:SyntaxError", [&] { scanSelect(i, rest); });
    } else if (w == u"TRY") {
      guarded(u"TRY:SyntaxError", [&] { scanTry(i, rest); });
    } else if (w == u"FINALLY") {
      setRest(i, rest, kFinally);
      if (finallyHasJump(p_, i)) setMarker(i, text(fe::kFinallyJump));
      closerTest(i, u"TRY");
    } else if (w == u"EXCEPT") {
      setRest(i, rest, kExcept);
      closerTest(i, u"TRY");
    } else if (w == u"ENDTRY") {
      setRest(i, rest, kEndtry);
      closerTest(i, u"TRY");
    } else if (w == u"ELSE") {
      setRest(i, rest, kElse);
      closerTest(i, u"IFB");
    } else if (w == u"ENDIF") {
      setRest(i, rest, kEndif);
      closerTest(i, u"IFB");
    } else if (w == u"NEXT") {
      setRest(i, rest, kNext);
      closerTest(i, u"FOR");
    } else if (w == u"WEND") {
      setRest(i, rest, kWend);
      closerTest(i, u"WHILE");
    } else if (w == u"UNTIL") {
      setRest(i, rest, kUntil);
      closerTest(i, u"REPEAT");
    } else if (w == u"SELEND") {
      setRest(i, rest, kSelend);
      closerTest(i, u"SELECT");
    } else if (w == u"CASE") {
      setRest(i, rest, kCase);
      closerTest(i, u"SELECT");
    } else if (w == u"DEFAULT") {
      setRest(i, rest, kDefault);
      closerTest(i, u"SELECT");
    } else if (w == u"PRINT") {
      setRest(i, rest, kPrint);
    } else if (w == u"THREAD") {
      setRest(i, rest, kThread);
    } else if (w == u"DEF_DLL") {
      setRest(i, rest, kDefDll);
    } else if (w == u"DIM") {
      setRest(i, rest, kDim);
    } else if (w == u"HASHTBL") {
      setRest(i, rest, kHashtbl);
    } else if (w == u"BREAK") {
      setRest(i, rest, kBreak);
    } else if (w == u"CONTINUE") {
      setRest(i, rest, kContinue);
    } else if (w == u"EXIT") {
      setRest(i, rest, kExit);
    } else if (w == u"CALL") {
      setRest(i, rest, kCall);
    } else if (w == u"EXITEXIT") {
      setRest(i, rest, kExitExit);
    } else if (w == u"WITH") {
      setRest(i, rest, kWith);
    } else if (w == u"ENDWITH") {
      restMustBeEmpty(i, rest, kEndwith);
    } else if (w == u"COM_ERR_IGN") {
      restMustBeEmpty(i, rest, kComErrIgn);
    } else if (w == u"COM_ERR_RET") {
      restMustBeEmpty(i, rest, kComErrRet);
    } else if (w == u"FEND") {
      restMustBeEmpty(i, rest, kFend);
    } else if (s == kNopMarker) {
      p_.statementKind[i] = kNop;
    }
  }

  void scanIf(int i, const u16& rest) {
    u16 condition = rest;
    if (endsWith(condition, u" THEN") || endsWith(condition, u")THEN"))
      condition = trimCtl(u16v(condition).substr(0, condition.size() - 4));
    int nextElseif = -1, elsePos = -1, endif = -1;
    for (int q = i + 1; q < size(); ++q) {
      const u16& t = text_[q];
      if (t == u"FEND") break;
      if (startsWith(t, u"IFB ")) {
        if ((q = stepOver(q)) < 0) break;
      } else if (t == u"ENDIF") {
        endif = q;
        break;
      } else {
        if (startsWith(t, u"ELSEIF ")) {
          if (nextElseif < 0) nextElseif = q;
        } else if (startsWith(t, u"ELSE ")) {
          setMarker(q, text(fe::kElseText));
        } else if (t == u"ELSE") {
          if (elsePos < 0) elsePos = q;
          else setMarker(q, text(fe::kElseMultiplex));
        }
      }
    }
    if (endif < 0) return setMarker(i, text(fe::kNoEndif));
    mark(nextElseif);
    mark(elsePos);
    mark(endif);
    text_[i] = condition + kSep + num(offsetOf(i, nextElseif)) + kSep + num(offsetOf(i, elsePos)) + kSep +
               num(offsetOf(i, endif));
    p_.statementKind[i] = kIfb;
  }

  void scanSelect(int i, const u16& rest) {
    u16 result = rest;
    bool haveDefault = false;
    int selend = -1;
    for (int q = i + 1; q < size(); ++q) {
      const u16& t = text_[q];
      if (t == u"FEND") break;
      if (startsWith(t, u"SELECT ")) {
        if ((q = stepOver(q)) < 0) break;
      } else if (t == u"SELEND") {
        selend = q;
        break;
      } else {
        if (startsWith(t, u"CASE ")) {
          result += kSep + num(q - i) + u"," + t.substr(5);
          mark(q);
        } else if (startsWith(t, u"DEFAULT")) {
          if (t != u"DEFAULT" || haveDefault) {
            setMarker(q, text(fe::kDefaultMultiplex));
          } else {
            haveDefault = true;
            result += kSep + num(q - i) + u",DEFAULT";
            mark(q);
          }
        }
      }
    }
    if (selend < 0) return setMarker(i, text(fe::kNoSelend));
    result += kSep + num(selend - i) + u",SELEND";
    mark(selend);
    text_[i] = result;
    p_.statementKind[i] = kSelect;
  }

  static bool isNameLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c == u'$' || c == u'@' || c >= 0x80;
  }
  // "TO " counts only where no name letter precedes it: "AUTO " inside a
  // bound is not the keyword, "1TO " is.
  static size_t findTo(u16v s, size_t from) {
    for (size_t p = s.find(u"TO ", from); p != u16v::npos; p = s.find(u"TO ", p + 1))
      if (p == 0 || !isNameLetter(s[p - 1])) return p;
    return u16v::npos;
  }
  // " STEP" counts only when no identifier character follows it.
  static size_t findStep(u16v s, size_t from) {
    for (size_t p = s.find(u" STEP", from); p != u16v::npos; p = s.find(u" STEP", p + 1)) {
      const size_t after = p + 5;
      if (after >= s.size()) return p;
      const char16_t c = s[after];
      const bool ident = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                         c == u'_' || c == u'$' || c == u'@' || c >= 0x80;
      if (!ident) return p;
    }
    return u16v::npos;
  }

  struct ForHeader {
    u16 variable, start, end, step;
  };
  // Takes "v = a TO b [STEP c]" apart; on a malformed header, the fault.
  static const Msg* parseForHeader(const u16& rest, ForHeader& h) {
    const size_t eq = rest.find(u'=');
    if (eq == u16::npos) return &fe::kForNoEquals;
    h.variable = trimCtl(u16v(rest).substr(0, eq));
    if (h.variable.empty()) return &fe::kForNoVariable;
    const size_t to = findTo(rest, eq + 1);
    if (to == u16::npos) return &fe::kForNoTo;
    h.start = trimCtl(u16v(rest).substr(eq + 1, to - eq - 1));
    const size_t step = findStep(rest, to + 3);
    h.end = trimCtl(u16v(rest).substr(to + 3, step == u16::npos ? u16::npos : step - to - 3));
    h.step = step == u16::npos ? u16(u"1") : trimCtl(u16v(rest).substr(step + 5));
    return nullptr;
  }

  // A FOR scan marks every "NEXT x" up to its NEXT, at any depth. It may step
  // over a nested FOR only when that one scans its own body, which it does
  // when its header is whole.
  void scanFor(int i, const u16& rest) {
    ForHeader h;
    if (const Msg* fault = parseForHeader(rest, h)) return setMarker(i, text(*fault));
    int depth = 1, next = -1;
    int q = i + 1;
    for (; q < size(); ++q) {
      const u16& t = text_[q];
      if (t == u"FEND") break;
      if (startsWith(t, u"FOR ")) {
        ForHeader nested;
        if (stepOver(q) >= 0 && !parseForHeader(t.substr(4), nested)) q = stepOver(q);
        else ++depth;
      } else if (startsWith(t, u"NEXT ")) {
        setMarker(q, text(fe::kNextText));
      } else if (t == u"NEXT") {
        if (--depth == 0) {
          next = q;
          break;
        }
      }
    }
    // A FOR closed only by "NEXT x" is reported at that NEXT, with what
    // is wrong there, not as a FOR without NEXT. So is one whose NEXT a
    // nested FOR took because the nested one's own "NEXT x" closes nothing.
    // (The count is of the texts as prepared: a reported "NEXT x" line
    // holds its message now.)
    if (next < 0 && namedNextBetween(i + 1, q)) return;
    if (next < 0) return setMarker(i, text(fe::kNoNext));
    mark(next);
    text_[i] = h.variable + kSep + h.start + kSep + h.end + kSep + h.step + kSep + num(next - i);
    p_.statementKind[i] = kFor;
  }

  void scanWhile(int i, const u16& rest) {
    int wend = -1;
    for (int q = i + 1; q < size(); ++q) {
      const u16& t = text_[q];
      if (t == u"FEND") break;
      if (startsWith(t, u"WHILE ")) {
        if ((q = stepOver(q)) < 0) break;
      } else if (t == u"WEND") {
        wend = q;
        break;
      }
    }
    if (wend < 0) return setMarker(i, text(fe::kNoWend));
    mark(wend);
    text_[i] = rest + kSep + num(wend - i);
    p_.statementKind[i] = kWhile;
  }

  void scanRepeat(int i, const u16& rest) {
    if (!trimCtl(rest).empty()) return setMarker(i, text(fe::kRepeatText));
    int until = -1;
    for (int q = i + 1; q < size(); ++q) {
      const u16& t = text_[q];
      if (t == u"FEND") break;
      if (t == u"REPEAT") {
        if ((q = stepOver(q)) < 0) break;
      } else if (startsWith(t, u"UNTIL ")) {
        until = q;
        break;
      }
    }
    if (until < 0) return setMarker(i, text(fe::kNoUntil));
    mark(until);
    text_[i] = text_[until].substr(6) + kSep + num(until - i);
    p_.statementKind[i] = kRepeat;
  }

  // Counts block openers up and closers down, for the TRY rules.
  static int blockDelta(const u16& t) {
    if (startsWith(t, u"IFB ") || startsWith(t, u"FOR ") || startsWith(t, u"WHILE ") || t == u"REPEAT") return 1;
    if (t == u"ENDIF" || t == u"NEXT" || t == u"WEND" || startsWith(t, u"UNTIL ")) return -1;
    return 0;
  }

  void scanTry(int i, const u16& rest) {
    if (!trimCtl(rest).empty()) return setMarker(i, text(fe::kTryText));
    int depth = 1, blocks = 0, handler = -1, kind = 0;
    for (int q = i + 1; q < size(); ++q) {
      const u16& t = text_[q];
      if (t == u"FEND") break;
      if (t == u"TRY") {
        ++depth;
      } else if (t == u"FINALLY" || t == u"EXCEPT") {
        if (--depth == 0) {
          handler = q;
          kind = t == u"FINALLY" ? 0 : 1;
          break;
        }
      }
      blocks += blockDelta(t);
    }
    if (handler < 0) return setMarker(i, text(fe::kNoHandler));
    if (blocks != 0) return setMarker(i, text(fe::kTryCrossesBlock));
    depth = 1;
    blocks = 0;
    int endtry = -1;
    for (int q = handler + 1; q < size(); ++q) {
      const u16& t = text_[q];
      if (t == u"FEND") break;
      if (t == u"FINALLY" || t == u"EXCEPT") {
        ++depth;
      } else if (t == u"ENDTRY") {
        if (--depth == 0) {
          endtry = q;
          break;
        }
      }
      blocks += blockDelta(t);
    }
    if (endtry < 0) return setMarker(i, text(fe::kNoEndtry));
    if (blocks != 0) return setMarker(i, text(fe::kHandlerCrossesBlock));
    mark(handler);
    mark(endtry);
    text_[i] = num(kind) + u" " + num(handler - i) + u" " + num(endtry - handler);
    p_.statementKind[i] = kTry;
  }

 public:
  static bool finallyHasJump(const PreparedProgram& p, int index) {
    int depth = 1, loops = 0;
    for (int q = index + 1; q < p.size(); ++q) {
      const u16& t = p.statementText[q];
      if (t == u"TRY") ++depth;
      else if (t == u"ENDTRY" && --depth == 0) return false;
      if (startsWith(t, u"FOR ") || startsWith(t, u"WHILE ") || t == u"REPEAT") ++loops;
      else if (t == u"NEXT" || t == u"WEND" || startsWith(t, u"UNTIL ")) --loops;
      if (t == u"EXIT") return true;
      if ((t == u"BREAK" || t == u"CONTINUE") && depth == 1 && loops == 0) return true;
    }
    return false;
  }

 private:
  PreparedProgram& p_;
  std::vector<u16>& text_;
  std::vector<bool> matched_;
  std::vector<int> partner_;
  std::vector<int> namedNextsBefore_;  // [q]: "NEXT x" lines before line q
};

}  // namespace

void TUScript::checkBlocks() { BlockChecker(program).run(); }

bool TUScript::finallyHasJump(int index) const { return BlockChecker::finallyHasJump(program, index); }

}  // namespace kova
