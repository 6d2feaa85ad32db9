#include "engine/script_assembler.h"

#include <exception>

#include "engine/front_end_messages.h"
#include "engine/line_normaliser.h"
#include "engine/program.h"
#include "util/text_file.h"

namespace kova {

namespace {

bool isWrapperLine(u16v line) { return startsWith(line, u"PROCEDURE ") && endsWith(line, u".KOV()"); }

size_t lastSeparator(u16v s) {
  const size_t a = s.rfind(u'\\');
  const size_t b = s.rfind(u'/');
  if (a == u16v::npos) return b;
  if (b == u16v::npos) return a;
  return a > b ? a : b;
}

bool isAbsolute(u16v p) {
  return startsWith(p, u"\\") || startsWith(p, u"/") || (p.size() >= 2 && p[1] == u':');
}

// The parent of a folder, up to and including its last separator.
u16 parentWithSeparator(u16v dir) {
  u16 d(dir);
  while (!d.empty() && (d.back() == u'\\' || d.back() == u'/')) d.pop_back();
  const size_t s = lastSeparator(d);
  return s == u16::npos ? u16() : d.substr(0, s + 1);
}

// Length of the file path in a resolved CALL path, which may carry an
// argument list: the path ends at the first ".KOV" followed by "(" or by
// the end of the text (folder names may contain parentheses themselves).
size_t pathLength(u16v resolved) {
  for (size_t p = findNoCase(resolved, u".KOV"); p != u16v::npos; p = findNoCase(resolved, u".KOV", p + 1)) {
    const size_t end = p + 4;
    if (end == resolved.size() || resolved[end] == u'(') return end;
  }
  const size_t paren = resolved.find(u'(');
  return paren == u16v::npos ? resolved.size() : paren;
}

// Encoded script containers start with a marker line "KOV01" ... "KOV05".
enum class ContainerKind { None, Known, Newer };

ContainerKind containerKind(const std::vector<u16>& lines) {
  if (lines.empty()) return ContainerKind::None;
  const u16 first = trimCtl(lines.front());
  if (first.size() != 5 || !startsWith(first, u"KOV0")) return ContainerKind::None;
  const char16_t d = first[4];
  if (d >= u'1' && d <= u'5') return ContainerKind::Known;
  if (d >= u'0' && d <= u'9') return ContainerKind::Newer;
  return ContainerKind::None;
}

}  // namespace

u16 ScriptAssembler::wrapperName(u16v resolved) {
  const size_t pathEnd = pathLength(resolved);
  const size_t sep = lastSeparator(resolved.substr(0, pathEnd));
  if (sep == u16::npos) return u16(resolved);
  u16 dir(resolved.substr(0, sep + 1));
  for (auto& c : dir) {
    if (c == u'(') c = u'（';
    else if (c == u')') c = u'）';
  }
  return dir + u16(resolved.substr(sep + 1));
}

u16 ScriptAssembler::fileKey(u16v resolved) {
  u16 path(resolved.substr(0, pathLength(resolved)));
  const size_t sep = lastSeparator(path);
  const size_t nameStart = sep == u16::npos ? 0 : sep + 1;
  const size_t cut = path.find_first_of(u",;", nameStart);
  if (cut != u16::npos) path.resize(cut);
  return upperFull(trimCtl(path));
}

u16 ScriptAssembler::resolveCallPath(u16v pathIn, u16v includeDir, u16v currentDir) {
  u16 path(pathIn);
  // Put ".KOV" on the file name, before its argument list.
  if (findNoCase(path, u".KOV") == u16::npos) {
    const size_t paren = path.find(u'(');
    const size_t sep = lastSeparator(u16v(path).substr(0, paren));
    const size_t firstParen = path.find(u'(', sep == u16::npos ? 0 : sep + 1);
    if (firstParen == u16::npos) path += u".KOV";
    else path.insert(firstParen, u".KOV");
  }
  // One separator form, so that "sub/x" and "sub\\x" name the same file
  // (and the same wrapper procedure).
  for (auto& c : path)
    if (c == u'/') c = u'\\';
  if (!includeDir.empty()) {
    if (path.find(u'\\') == u16::npos) return u16(includeDir) + u"\\" + path;
    if (startsWith(path, u".\\")) return u16(includeDir) + path.substr(1);
    if (startsWith(path, u"..\\")) return parentWithSeparator(includeDir) + path.substr(3);
    return path;
  }
  // Lines of the main file resolve against the current directory.
  u16 cur(currentDir);
  for (auto& c : cur)
    if (c == u'/') c = u'\\';
  while (!cur.empty() && cur.back() == u'\\') cur.pop_back();
  if (startsWith(path, u".\\")) return cur + u"\\" + path.substr(2);
  if (startsWith(path, u"..\\")) return parentWithSeparator(cur) + path.substr(3);
  if (isAbsolute(path)) return path;
  return cur + u"\\" + path;
}

void ScriptAssembler::noteTime(size_t slot, const u16& path, bool& changed) {
  const uint32_t t = platform_.fileDosTime(path).value_or(0);
  if (fileTimes.size() <= slot) fileTimes.resize(slot + 1, 0);
  if (t > fileTimes[slot]) {
    fileTimes[slot] = t;
    changed = true;
  }
}

bool ScriptAssembler::readFile(const u16& path, const u16& shownName, std::vector<u16>& out) {
  TextFileLines read = readTextFileLines(path, platform_);
  if (read.failure == ReadFailure::NotFound) {
    host_.showMessage(text(fe::kFileNotFound, shownName));
    return false;
  }
  if (read.failure == ReadFailure::Unreadable) {
    host_.showMessage(text(fe::kFileUnreadable, shownName));
    return false;
  }
  switch (containerKind(read.lines)) {
    case ContainerKind::None:
      break;
    case ContainerKind::Known:
      host_.showMessage(text(fe::kContainerUnsupported, shownName));
      return false;
    case ContainerKind::Newer:
      host_.showMessage(text(fe::kNewerVersion));
      return false;
  }
  out = std::move(read.lines);
  return true;
}

bool ScriptAssembler::normaliseAndWrap(const std::vector<u16>& source, const u16& wrapper, Lines& out) {
  LineNormaliser normaliser(moduleNumbers_);
  Lines file;
  file.text.reserve(source.size() + 3);
  for (const u16& raw : source) {
    const bool wasRaw = normaliser.inTextblock();
    u16 line = normaliser.normalise(raw);
    file.raw.push_back(wasRaw && normaliser.inTextblock());
    file.text.push_back(std::move(line));
  }
  // A continuation left open at the end of the file stands on its last line
  // rather than being lost.
  if (!normaliser.pendingContinuation().empty() && !file.text.empty())
    file.text.back() = LineNormaliser::upperKeepingMembers(trimBlank(normaliser.pendingContinuation()));

  size_t definitionAt = u16::npos;
  for (size_t i = 0; i < file.text.size(); ++i) {
    if (file.raw[i]) continue;
    const u16 word = LineNormaliser::firstWord(file.text[i]);
    if (word == u"FEND") {
      host_.showMessage(text(fe::kFendPosition));
      return false;
    }
    if (word == u"FUNCTION" || word == u"PROCEDURE" || word == u"MODULE" || word == u"CLASS") {
      definitionAt = i;
      break;
    }
  }
  out.text.push_back(u"PROCEDURE " + wrapper + u"()");
  out.raw.push_back(false);
  for (size_t i = 0; i < file.text.size(); ++i) {
    if (i == definitionAt) {
      out.text.push_back(u"FEND");
      out.raw.push_back(false);
    }
    out.text.push_back(std::move(file.text[i]));
    out.raw.push_back(file.raw[i]);
  }
  if (definitionAt == u16::npos) {
    out.text.push_back(u"FEND");
    out.raw.push_back(false);
  }
  return true;
}

bool ScriptAssembler::expandCall(u16& line, const u16& includeDir, const StringEvaluator& evaluate, Lines& all) {
  // "CALL " counts at the start of the line or after a space or ";".
  size_t at = u16::npos;
  for (size_t from = 0;;) {
    const size_t p = findOutsideQuotes(line, u"CALL ", from);
    if (p == u16::npos) break;
    if (p == 0 || line[p - 1] == u' ' || line[p - 1] == u';') {
      at = p;
      break;
    }
    from = p + 1;
  }
  if (at == u16::npos) return true;
  const u16 after = trimBlank(u16v(line).substr(at + 5));
  const size_t semi = findOutsideQuotes(after, u";");
  u16 filePart = trimBlank(u16v(after).substr(0, semi));
  const u16 rest = semi == u16::npos ? u16() : trimBlank(u16v(after).substr(semi + 1));
  // A quoted path is a string expression ("CALL "C:\My Dir\x.kov""). Quotes
  // that only belong to arguments ("CALL x.kov("a")") leave the path as
  // written: evaluating such a text as one expression could never succeed.
  const size_t argOpen = findOutsideQuotes(filePart, u"(");
  if (u16v(filePart).substr(0, argOpen).find(u'"') != u16v::npos) {
    std::optional<u16> value = evaluate(filePart);
    if (!value) return false;
    filePart = upperOutsideQuotes(*value);
  }
  if (filePart.empty()) return true;  // nothing to include; the statement fails when it runs
  const u16 resolved = resolveCallPath(filePart, includeDir, platform_.currentDirectory());
  line = line.substr(0, at + 5) + wrapperName(resolved);
  if (!rest.empty()) line += u"; " + rest;

  const u16 key = fileKey(resolved);
  if (includedKeys_.count(key)) return true;
  includedKeys_.insert(key);
  if (!platform_.fileExists(key)) {
    host_.showMessage(text(fe::kFileNotFound, key));
    return false;
  }
  std::vector<u16> source;
  if (!readFile(key, key, source)) return false;
  if (!normaliseAndWrap(source, wrapperName(key), all)) return false;
  noteTime(nextSlot_++, key, changed_);
  return true;
}

AssemblyResult ScriptAssembler::assemble(const u16& mainPath, const StringEvaluator& evaluate,
                                         const std::vector<u16>* inMemory) {
  AssemblyResult result;
  moduleNumbers_.clear();
  includedKeys_.clear();
  nextSlot_ = 1;
  changed_ = false;
  try {
    std::vector<u16> source;
    if (platform_.fileExists(mainPath) || !inMemory) {
      if (!readFile(mainPath, mainPath, source)) {
        result.failed = true;
        return result;
      }
      noteTime(0, mainPath, changed_);
    } else {
      source = *inMemory;
    }
    Lines all;
    if (!normaliseAndWrap(source, kMainProcedure, all)) {
      result.failed = true;
      return result;
    }
    u16 includeDir;
    bool inTextblock = false;
    for (size_t i = 0; i < all.text.size(); ++i) {
      if (all.raw[i]) continue;
      u16& line = all.text[i];
      const u16 word = LineNormaliser::firstWord(line);
      if (inTextblock) {
        if (word == u"ENDTEXTBLOCK") inTextblock = false;
        continue;
      }
      if (word == u"TEXTBLOCK") {
        inTextblock = true;
        continue;
      }
      if (isWrapperLine(line)) {
        u16 path = line.substr(10, line.size() - 12);
        for (auto& c : path)
          if (c == u'/') c = u'\\';
        const size_t sep = path.rfind(u'\\');
        includeDir = sep == u16::npos ? u16() : path.substr(0, sep);
        continue;
      }
      if (startsWith(line, u"PROCEDURE __MAIN__(")) {
        includeDir.clear();
        continue;
      }
      // expandCall may append to `all`, which invalidates `line`: work on a copy.
      u16 rewritten = line;
      if (!expandCall(rewritten, includeDir, evaluate, all)) {
        result.failed = true;
        return result;
      }
      all.text[i] = std::move(rewritten);
    }
    result.lines = std::move(all.text);
    result.changed = changed_ && !(inMemory && !platform_.fileExists(mainPath));
  } catch (const std::exception& e) {
    host_.showMessage(u"creUscrptFil:" + fromUtf8(e.what()));
    result.failed = true;
    result.lines.clear();
  }
  return result;
}

}  // namespace kova
