#include "util/ini_file.h"

#include <vector>

#include "util/text_file.h"
#include "util/text_writer.h"

namespace kova {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Lead bytes of the double-byte code pages Windows uses as ANSI code pages.
bool isLeadByte(unsigned codePage, unsigned char b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
    default:
      return false;
  }
}

char foldAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

bool namesEqual(std::string_view a, std::string_view b, unsigned codePage) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (isLeadByte(codePage, static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (foldAscii(a[i]) != foldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

bool startsWithUtf8Mark(std::string_view s) { return s.size() >= 3 && s.substr(0, 3) == "\xEF\xBB\xBF"; }

enum class LineKind { Blank, Ignored, Section, Key };

// One line of the text. [begin, end) is its content without the line break;
// `next` is where the following line starts (== end for a last line without
// a line break).
struct Line {
  size_t begin = 0;
  size_t end = 0;
  size_t next = 0;
  LineKind kind = LineKind::Blank;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
  bool hasValue = false;
};

// Position of the last ']' of `s` that is not the second byte of a
// double-byte character; npos when none.
size_t lastCloseBracket(std::string_view s, unsigned codePage) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (isLeadByte(codePage, static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      ++i;
      continue;
    }
    if (s[i] == ']') found = i;
  }
  return found;
}

Line parseLine(std::string_view text, size_t begin, size_t end, size_t next, unsigned codePage) {
  Line line;
  line.begin = begin;
  line.end = end;
  line.next = next;
  const std::string_view t = trim(text.substr(begin, end - begin));
  if (t.empty()) return line;
  if (t.front() == '[') {
    const size_t close = lastCloseBracket(t, codePage);
    if (close == std::string_view::npos) {
      line.kind = LineKind::Ignored;
      return line;
    }
    line.kind = LineKind::Section;
    line.name = trim(t.substr(1, close - 1));
    return line;
  }
  line.kind = LineKind::Key;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    line.name = t;
    return line;
  }
  line.name = trim(t.substr(0, eq));
  line.value = trim(t.substr(eq + 1));
  line.hasValue = true;
  return line;
}

// Lines end at CR LF, LF or a lone CR, as the profile functions split them.
std::vector<Line> parseLines(std::string_view text, unsigned codePage) {
  std::vector<Line> lines;
  size_t pos = startsWithUtf8Mark(text) ? 3 : 0;
  while (pos < text.size()) {
    const size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.push_back(parseLine(text, pos, text.size(), text.size(), codePage));
      break;
    }
    const size_t next = text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
    lines.push_back(parseLine(text, pos, end, next, codePage));
    pos = next;
  }
  return lines;
}

constexpr size_t kNone = static_cast<size_t>(-1);
// The header "line" of the section of the lines before the first header.
constexpr size_t kPreamble = static_cast<size_t>(-2);

// Where a section and a key sit among the lines.
struct Place {
  size_t header = kNone;      // the section's header line, kPreamble, or kNone when missing
  size_t stop = 0;            // the line after the section (next header or the count)
  size_t lastFilled = kNone;  // its last non-blank line, the header when empty (kNone: empty preamble)
  size_t key = kNone;         // the key's line
};

// The lines before the first header form the section whose name is empty
// (the profile functions find "top=1" there with section ""); a later "[]"
// header is therefore never the first match.
Place locate(const std::vector<Line>& lines, std::string_view section, std::string_view key,
             unsigned codePage) {
  Place place;
  size_t i = 0;
  if (section.empty()) {
    place.header = kPreamble;
  } else {
    for (; i < lines.size(); ++i)
      if (lines[i].kind == LineKind::Section && namesEqual(lines[i].name, section, codePage)) break;
    if (i == lines.size()) return place;
    place.header = place.lastFilled = i++;
  }
  for (; i < lines.size() && lines[i].kind != LineKind::Section; ++i) {
    if (lines[i].kind != LineKind::Blank) place.lastFilled = i;
    if (place.key == kNone && lines[i].kind == LineKind::Key && namesEqual(lines[i].name, key, codePage))
      place.key = i;
  }
  place.stop = i;
  return place;
}

std::string_view lineBreakOf(std::string_view text) {
  const size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos || text.compare(end, 2, "\r\n") == 0) return "\r\n";
  return text[end] == '\n' ? "\n" : "\r";
}

std::string_view stripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// The part of a value that can be written: up to its first line break.
std::string_view writableValue(std::string_view value) {
  return value.substr(0, value.find_first_of("\r\n"));
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::optional<std::string> iniFindValue(std::string_view text, std::string_view section, std::string_view key,
                                        unsigned codePage) {
  const std::vector<Line> lines = parseLines(text, codePage);
  const Place place = locate(lines, trim(section), trim(key), codePage);
  if (place.key == kNone || !lines[place.key].hasValue) return std::nullopt;
  return std::string(stripQuotes(lines[place.key].value));
}

IniEdit iniSetValue(std::string& text, std::string_view section, std::string_view key, std::string_view value,
                    unsigned codePage) {
  section = trim(section);
  key = trim(key);
  if (hasLineBreak(section) || hasLineBreak(key) || key.find('=') != std::string_view::npos ||
      (!key.empty() && key.front() == '['))
    return IniEdit::Refused;
  value = writableValue(value);

  const std::vector<Line> lines = parseLines(text, codePage);
  const Place place = locate(lines, section, key, codePage);
  const std::string_view eol = lineBreakOf(text);

  if (place.key != kNone) {
    const Line& line = lines[place.key];
    if (line.hasValue && line.value == trim(value)) return IniEdit::Unchanged;
    std::string replacement(line.name);
    replacement += '=';
    replacement += value;
    text.replace(line.begin, line.end - line.begin, replacement);
    return IniEdit::Changed;
  }

  std::string entry(key);
  entry += '=';
  entry += value;
  const size_t start = startsWithUtf8Mark(text) ? 3 : 0;
  if (place.header != kNone && place.lastFilled == kNone) {  // an empty preamble
    text.insert(start, entry + std::string(eol));
    return IniEdit::Changed;
  }
  if (place.header != kNone) {
    const Line& after = lines[place.lastFilled];
    if (after.next == after.end) {  // the last line of a file without a final line break
      text.insert(after.end, std::string(eol) + entry);
    } else {
      text.insert(after.next, entry + std::string(eol));
    }
    return IniEdit::Changed;
  }

  if (text.size() > start && text.back() != '\n' && text.back() != '\r') text += eol;
  text += '[';
  text += section;
  text += ']';
  text += eol;
  text += entry;
  text += eol;
  return IniEdit::Changed;
}

bool iniDeleteKey(std::string& text, std::string_view section, std::string_view key, unsigned codePage) {
  const std::vector<Line> lines = parseLines(text, codePage);
  const Place place = locate(lines, trim(section), trim(key), codePage);
  if (place.key == kNone) return false;
  const Line& line = lines[place.key];
  text.erase(line.begin, line.next - line.begin);
  return true;
}

bool iniEraseSection(std::string& text, std::string_view section, unsigned codePage) {
  const std::vector<Line> lines = parseLines(text, codePage);
  const Place place = locate(lines, trim(section), {}, codePage);
  if (place.header == kNone) return false;
  const size_t from =
      place.header == kPreamble ? (startsWithUtf8Mark(text) ? 3 : 0) : lines[place.header].begin;
  const size_t to = place.stop < lines.size() ? lines[place.stop].begin : text.size();
  if (from == to) return false;  // an empty preamble
  text.erase(from, to - from);
  return true;
}

IniText iniTextFromFileBytes(std::string_view fileBytes) {
  IniText out;
  if (detectTextEncoding(fileBytes) != TextEncoding::Utf16Le) {
    out.bytes = std::string(fileBytes);
    return out;
  }
  u16 text;
  text.reserve((fileBytes.size() - 2) / 2);
  for (size_t i = 2; i + 1 < fileBytes.size(); i += 2)
    text.push_back(char16_t(static_cast<unsigned char>(fileBytes[i]) |
                            (static_cast<unsigned char>(fileBytes[i + 1]) << 8)));
  out.bytes = toUtf8(text);
  out.utf16 = true;
  return out;
}

std::string iniTextToFileBytes(const IniText& text) {
  if (!text.utf16) return text.bytes;
  std::string out = "\xFF\xFE";
  for (char16_t c : fromUtf8(text.bytes)) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

IniStatus loadIniFile(const u16& path, TextFileHost& host, IniText& out) {
  FileBytes file = readFileBytesRetrying(path, host);
  switch (file.failure) {
    case ReadFailure::NotFound:
      return IniStatus::Missing;
    case ReadFailure::Unreadable:
      return IniStatus::Unreadable;
    case ReadFailure::None:
      break;
  }
  out = iniTextFromFileBytes(file.bytes);
  return IniStatus::Ok;
}

bool saveIniFile(const u16& path, const IniText& text, TextFileHost& host) {
  return writeTextFile(path, iniTextToFileBytes(text), host);
}

std::string readIniValue(const u16& path, std::string_view section, std::string_view key,
                         std::string_view def, TextFileHost& host, unsigned codePage, IniStatus* status) {
  IniText text;
  const IniStatus loaded = loadIniFile(path, host, text);
  if (status) *status = loaded;
  if (loaded != IniStatus::Ok) return std::string(def);
  std::optional<std::string> value = iniFindValue(text.bytes, section, key, codePage);
  return value ? std::move(*value) : std::string(def);
}

IniStatus writeIniValue(const u16& path, std::string_view section, std::string_view key,
                        std::string_view value, TextFileHost& host, unsigned codePage) {
  IniText text;
  const IniStatus loaded = loadIniFile(path, host, text);
  if (loaded == IniStatus::Unreadable) return loaded;
  switch (iniSetValue(text.bytes, section, key, value, codePage)) {
    case IniEdit::Refused:
      return IniStatus::Refused;
    case IniEdit::Unchanged:
      return IniStatus::Ok;
    case IniEdit::Changed:
      break;
  }
  return saveIniFile(path, text, host) ? IniStatus::Ok : IniStatus::WriteFailed;
}

IniStatus deleteIniKey(const u16& path, std::string_view section, std::string_view key, TextFileHost& host,
                       unsigned codePage) {
  IniText text;
  const IniStatus loaded = loadIniFile(path, host, text);
  if (loaded != IniStatus::Ok) return loaded;
  if (!iniDeleteKey(text.bytes, section, key, codePage)) return IniStatus::Ok;
  return saveIniFile(path, text, host) ? IniStatus::Ok : IniStatus::WriteFailed;
}

IniStatus eraseIniSection(const u16& path, std::string_view section, TextFileHost& host, unsigned codePage) {
  IniText text;
  const IniStatus loaded = loadIniFile(path, host, text);
  if (loaded != IniStatus::Ok) return loaded;
  if (!iniEraseSection(text.bytes, section, codePage)) return IniStatus::Ok;
  return saveIniFile(path, text, host) ? IniStatus::Ok : IniStatus::WriteFailed;
}

}  // namespace kova
