#include "engine/line_normaliser.h"

namespace kova {

namespace {

bool isIdentifierChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'$' ||
         c == u'_' || c == u'@' || c >= 0x80;
}

bool hasTabOrWideSpace(u16v s) {
  return s.find(u'\t') != u16v::npos || s.find(kIdeographicSpace) != u16v::npos;
}

// The upper-casing of PROCEDURE and CALL lines: without a double quote the
// whole line with full Unicode case mapping, else a-z outside quotes only.
u16 upperProcedureLine(u16v line) {
  if (line.find(u'"') == u16v::npos) return upperFull(line);
  return upperOutsideQuotes(line);
}

// Finds the word CALL at the start of the line or after a blank or ";",
// followed by a blank. Returns the index after "CALL", or npos.
size_t findCallWord(u16v line) {
  const u16 up = upperAscii(line);
  bool inQuote = false;
  for (size_t i = 0; i + 4 <= up.size(); ++i) {
    if (up[i] == u'"') inQuote = !inQuote;
    if (inQuote) continue;
    if (up.compare(i, 4, u"CALL") != 0) continue;
    const bool startOk = i == 0 || up[i - 1] == u' ' || up[i - 1] == u';' || up[i - 1] == u'\t' ||
                         up[i - 1] == kIdeographicSpace;
    const bool endOk = i + 4 < up.size() && (up[i + 4] == u' ' || up[i + 4] == u'\t' || up[i + 4] == kIdeographicSpace);
    if (startOk && endOk) return i + 4;
  }
  return u16::npos;
}

}  // namespace

u16 LineNormaliser::cutComment(u16v line) {
  const size_t p = findOutsideQuotes(line, u"//");
  return u16(p == u16::npos ? line : line.substr(0, p));
}

u16 LineNormaliser::firstWord(u16v line) {
  size_t e = 0;
  while (e < line.size() && line[e] != u';' && line[e] != u' ') ++e;
  return upperAscii(line.substr(0, e));
}

u16 LineNormaliser::upperKeepingMembers(u16v line) {
  u16 out(line);
  bool inQuote = false;
  bool afterDot = false;
  for (auto& c : out) {
    if (c == u'"') {
      inQuote = !inQuote;
      afterDot = false;
      continue;
    }
    if (inQuote) continue;
    if (c == u'.') {
      afterDot = true;
      continue;
    }
    if (afterDot && isIdentifierChar(c)) continue;
    afterDot = false;
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
  }
  return out;
}

u16 LineNormaliser::normalise(u16v raw) {
  if (inTextblock_) {
    // Inside a textblock lines pass unchanged; only ENDTEXTBLOCK ends it and
    // is then treated as an ordinary line.
    const u16 probe = trimBlank(cutComment(raw));
    if (firstWord(probe) != u"ENDTEXTBLOCK") return u16(raw);
    inTextblock_ = false;
  }
  return normaliseOrdinary(raw);
}

u16 LineNormaliser::normaliseOrdinary(u16v raw) {
  // 1. Comment.
  u16 line = cutComment(raw);
  // 2. Blanks and continuation.
  line = trimBlank(line);
  if (!line.empty() && line.back() == u'_') {
    line.pop_back();
    continuation_ += line;
    return {};
  }
  if (!continuation_.empty()) {
    line = cutComment(continuation_ + line);
    continuation_.clear();
  }
  // 3. TABs and ideographic spaces become spaces (inside literals too).
  line = trimBlank(line);
  const u16 beforeBlanks = line;
  const bool hadWideSpace = line.find(kIdeographicSpace) != u16::npos;
  if (hasTabOrWideSpace(line)) {
    for (auto& c : line)
      if (c == u'\t' || c == kIdeographicSpace) c = u' ';
    line = trimBlank(line);
  }
  // 4.-5. Textblocks.
  const u16 word = firstWord(line);
  if (word == u"TEXTBLOCK") {
    inTextblock_ = true;
    return upperFull(line);
  }
  // 6. DEF_DLL keeps the case of DLL, function and type names.
  if (line.size() >= 8 && upperAscii(u16v(line).substr(0, 8)) == u"DEF_DLL ") return u"DEF_DLL" + line.substr(7);
  // 7. PROCEDURE headers.
  if (startsWithNoCase(line, u"PROCEDURE ")) return upperProcedureLine(line);
  // 8. A CALL whose path holds ideographic spaces keeps them.
  if (hadWideSpace) {
    const size_t afterCall = findCallWord(beforeBlanks);
    if (afterCall != u16::npos) {
      u16 head = beforeBlanks.substr(0, afterCall);
      for (auto& c : head)
        if (c == u'\t' || c == kIdeographicSpace) c = u' ';
      head = trimBlank(head);
      const u16 tail = trimBlank(u16v(beforeBlanks).substr(afterCall));
      return upperProcedureLine(head + u" " + tail);
    }
  }
  // 9. Everything else.
  line = upperKeepingMembers(line);
  // 10. Module sequence numbers.
  if (word == u"MODULE" || word == u"CLASS") {
    u16 name = trimBlank(u16v(line).substr(word.size()));
    const size_t sp = name.find(u' ');
    if (sp != u16::npos) name = name.substr(0, sp);
    int n = modules_.find(name);
    const int number = n >= 0 ? modules_.value(n) : modules_.size();
    if (n < 0) modules_.add(name, number);
    line += u" " + toU16(number);
  }
  return line;
}

}  // namespace kova
