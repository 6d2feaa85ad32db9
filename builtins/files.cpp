// File and INI built-ins: FOPEN, FCLOSE, FGET, FPUT, FDELLINE, GETDIR,
// READINI, WRITEINI, DELETEINI.
//
// Lines are numbered from 1. Column access splits a line at "," (or TAB
// with F_TAB); a separator between double quotes does not split. FGET's
// fourth argument, when true, returns a quoted column without its quotes.
// FPUT: no line (or 0) appends; a line beyond the end first adds empty
// lines; F_ALLTEXT as the line replaces the whole list with the text's
// lines; F_INSERT as the column inserts the text as a new line before the
// given line. GETDIR's orders: 1 last write time, 2 creation time, 3 last
// access time, 4 size; oldest (smallest) first, equal entries by name.

#include <algorithm>
#include <mutex>

#include "builtins/file_functions.h"
#include "builtins/file_table.h"
#include "engine/messages.h"
#include "util/settings_file.h"
#include "util/text_file.h"
#include "util/text_writer.h"

namespace kova {
namespace {

constexpr Msg kTooManyFiles{u"Error: 最大FILE_OEPN数=32 を超えました", u"Error: It exceeded maximum FILE_OEPN number =32"};
constexpr Msg kBadOpenMode{u"ファイルオープンモードの間違い", u"Error of the file open mode"};
constexpr Msg kBadFileId{u"ファイルがオープン出来てない、もしくはファイルIDが違う", u"File can't open or File ID is wrong"};
constexpr Msg kNotWritable{u"書き込む事は出来ません= %s", u"It can't be written= %s"};
constexpr Msg kFileTooLarge{u"FOPEN: ファイルが大きすぎます (128 MB まで): %s",
                            u"FOPEN: The file is too large (up to 128 MB): %s"};
constexpr Msg kTooManyLines{u"FOPEN: 行が多すぎます (8388608 行まで): %s",
                            u"FOPEN: The file has too many lines (up to 8388608): %s"};
constexpr Msg kLineTooFar{u"FPUT: 行が多すぎます (8388608 行まで): %s",
                          u"FPUT: Too many lines (up to 8388608): %s"};
constexpr Msg kColumnTooFar{u"FPUT: 列番号が大きすぎます (1048576 まで): %s",
                            u"FPUT: The column number is too large (up to 1048576): %s"};

constexpr long long kLineCount = -1;  // F_LINECOUNT
constexpr long long kAllText = -2;    // F_ALLTEXT
constexpr long long kInsert = -1;     // F_INSERT

Value integerValue(long long v) {
  return v >= INT32_MIN && v <= INT32_MAX ? Value::integer(static_cast<int32_t>(v)) : Value::number(double(v));
}

bool endsWithSeparator(const u16& path) { return !path.empty() && (path.back() == u'\\' || path.back() == u'/'); }

int writeCodeFor(std::optional<TextEncoding> detected) {
  return detected ? static_cast<int>(writeEncodingFor(*detected)) : static_cast<int>(WriteEncoding::AnsiOrUtf8);
}

}  // namespace

void fopenFn(BuiltinCall& c) {
  long long mode = c.has(1) ? c.integer(1) : static_cast<long long>(kFileRead);
  const u16 rawPath = c.expandEscapes(c.str(0));
  if (mode == kFileExists) {
    Platform& p = c.platform();
    const bool found = endsWithSeparator(rawPath) ? p.directoryExists(rawPath) : p.fileExists(rawPath);
    c.result = c.truth(found);
    return;
  }
  FileTable& table = FileTable::of(c);
  if (rawPath.empty()) {  // nothing to open or to write back
    c.result = Value::integer(-1);
    return;
  }
  const int index = table.freeSlot();
  if (index < 0) {
    c.fail(text(kTooManyFiles));
    return;
  }
  OpenFile& f = *table.slot(index + 1);
  c.result = Value::integer(index + 1);
  if (mode == 0) mode = kFileRead;
  const bool writing = (mode & kFileAnyWrite) != 0;
  const bool exclusive = (mode & kFileExclusive) != 0;
  f.path = rawPath;
  Platform& p = c.platform();
  std::optional<TextEncoding> detected;
  auto failOpen = [&] {
    table.release(f);
    c.result = Value::integer(-1);
  };
  // Bounded memory: a file too large, or of too many lines, is refused
  // with a message before (or instead of) being held.
  auto tooLarge = [&](const Msg& m) {
    failOpen();
    c.fail(text(m, rawPath));
  };
  if ((mode & (kFileRead | kFileExclusive)) == 0) {
    if (!writing) {
      failOpen();
      c.fail(text(kBadOpenMode), false);
      return;
    }
  } else if (p.fileExists(rawPath) || (writing && exclusive)) {
    if (const std::optional<uint64_t> size = p.fileSize(rawPath); size && *size > kMaxFileBytes)
      return tooLarge(kFileTooLarge);
    if (exclusive) {
      std::string bytes;
      f.lock = p.openExclusive(rawPath, writing, bytes);
      if (f.lock == 0) return failOpen();
      if (bytes.size() > kMaxFileBytes) return tooLarge(kFileTooLarge);
      DecodedText d = decodeTextBytesDetected(bytes, p);
      if (!bytes.empty()) detected = d.encoding;
      std::string().swap(bytes);
      if (!splitLinesAtMost(d.text, kMaxLines, f.lines)) return tooLarge(kTooManyLines);
    } else {
      TextFileText t = readTextFile(rawPath, p);
      if (t.failure != ReadFailure::None) return failOpen();
      if (t.text.size() > kMaxFileBytes) return tooLarge(kFileTooLarge);  // grew after the size check
      if (!splitLinesAtMost(t.text, kMaxLines, f.lines)) return tooLarge(kTooManyLines);
      detected = t.encoding;
    }
  } else if (!writing) {
    return failOpen();
  }
  if (mode & kFileWrite) f.writeEncoding = writeCodeFor(detected);
  for (int code : {kFileWrite1, kFileWrite8, kFileWrite8B, kFileWrite16})
    if (mode & code) f.writeEncoding = code;
  f.noFinalBreak = (mode & kFileNoCr) != 0;
  f.exclusive = exclusive;
  f.tab = (mode & kFileTab) != 0;
}

void fcloseFn(BuiltinCall& c) {
  FileTable& table = FileTable::of(c);
  OpenFile* f = table.slot(c.integer(0));
  if (!f) return;
  c.result = c.trueValue();
  if (!f->inUse()) return;
  if (f->writeEncoding != 0) {
    Platform& p = c.platform();
    const std::optional<WriteEncoding> enc = writeEncodingFromCode(f->writeEncoding);
    EncodeOptions options;
    options.yenToBackslash = japanese();
    const std::string bytes = encodeLines(f->lines, enc.value_or(WriteEncoding::AnsiOrUtf8), p, !f->noFinalBreak, options);
    // The lock goes first: on Windows the held file could not be replaced.
    if (f->lock != 0) {
      p.closeExclusive(f->lock);
      f->lock = 0;
    }
    // Written through a temporary file: a failure leaves the old file whole.
    if (!writeTextFile(f->path, bytes, p)) {
      c.result = c.falseValue();
      if (!c.has(1)) c.warn(f->path + u"：Can't be written in");
    }
  }
  table.release(*f);
}

namespace {

// The open file of argument 0 for FPUT and FDELLINE; reports a bad ID or a
// file opened without a write flag.
OpenFile* writableFile(BuiltinCall& c) {
  OpenFile* f = FileTable::of(c).slot(c.integer(0));
  if (!f || !f->inUse()) {
    c.fail(text(kBadFileId));
    return nullptr;
  }
  if (f->writeEncoding == 0) {
    c.fail(text(kNotWritable, f->path));
    return nullptr;
  }
  return f;
}

}  // namespace

void fgetFn(BuiltinCall& c) {
  OpenFile* f = FileTable::of(c).slot(c.integer(0));
  if (!f || !f->inUse()) return;
  const long long line = c.integer(1);
  const long long count = static_cast<long long>(f->lines.size());
  if (line == kLineCount) {
    c.result = integerValue(count);
    return;
  }
  if (line == kAllText) {
    u16 all;
    for (size_t i = 0; i < f->lines.size(); ++i) {
      if (i) all += u"\r\n";
      all += f->lines[i];
    }
    c.result = Value::string(std::move(all));
    return;
  }
  if (line < 0) {
    c.result = Value::integer(-1);
    return;
  }
  if (line == 0 || line > count) {
    c.result = Value::string({});
    return;
  }
  const u16& text = f->lines[static_cast<size_t>(line - 1)];
  const long long column = c.has(2) ? c.integer(2) : 0;
  if (column < 1) {
    c.result = Value::string(text);
    return;
  }
  const std::vector<u16> cols = splitColumns(text, f->separator());
  u16 out = static_cast<size_t>(column) <= cols.size() ? cols[static_cast<size_t>(column - 1)] : u16();
  if (c.has(3) && c.num(3) != 0) out = unquoteColumn(out);
  c.result = Value::string(std::move(out));
}

void fputFn(BuiltinCall& c) {
  OpenFile* f = writableFile(c);
  if (!f) return;
  std::vector<u16>& lines = f->lines;
  const u16& text = c.str(1);
  const long long line = c.has(2) ? c.integer(2) : 0;
  const long long column = c.has(3) ? c.integer(3) : 0;
  // The list may hold at most kMaxLines lines and a line kMaxColumns columns.
  auto tooFar = [&](const Msg& m, long long n) { c.fail(kova::text(m, toU16(n))); };
  if (line == kAllText) {
    std::vector<u16> all;
    if (!splitLinesAtMost(text, kMaxLines, all)) return tooFar(kLineTooFar, static_cast<long long>(kMaxLines) + 1);
    lines = std::move(all);
    return;
  }
  if (line < 0) return;
  const size_t count = lines.size();
  if (line == 0) {
    if (count >= kMaxLines) return tooFar(kLineTooFar, static_cast<long long>(count + 1));
    lines.push_back(text);
    return;
  }
  const size_t index = static_cast<size_t>(line - 1);
  if (column == kInsert) {
    if (count >= kMaxLines) return tooFar(kLineTooFar, static_cast<long long>(count + 1));
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(std::min(index, count)), text);
    return;
  }
  if (column < 0) return;
  if (static_cast<unsigned long long>(line) > kMaxLines) return tooFar(kLineTooFar, line);
  if (static_cast<unsigned long long>(column) > kMaxColumns) return tooFar(kColumnTooFar, column);
  if (index >= count) lines.resize(index + 1);
  if (column == 0) lines[index] = text;
  else lines[index] = replaceColumn(lines[index], static_cast<size_t>(column), text, f->separator());
}

void fdellineFn(BuiltinCall& c) {
  OpenFile* f = writableFile(c);
  if (!f) return;
  const long long line = c.integer(1);
  if (line >= 1 && line <= static_cast<long long>(f->lines.size()))
    f->lines.erase(f->lines.begin() + static_cast<std::ptrdiff_t>(line - 1));
}

void getdirFn(BuiltinCall& c) {
  u16 folder = replaceAll(c.str(0), u"/", u"\\");
  if (folder.empty() || folder.back() != u'\\') folder.push_back(u'\\');
  u16 pattern = c.has(1) ? replaceAll(c.str(1), u"/", u"\\") : u16();
  bool folders = false;
  if (!pattern.empty() && pattern[0] == u'\\') {
    folders = true;
    pattern.erase(0, 1);
  }
  if (pattern.empty()) pattern = u"*";
  const bool hidden = c.has(2) && c.num(2) != 0;
  const long long order = c.has(3) ? c.integer(3) : 0;

  std::vector<Platform::DirectoryEntry> found;
  if (auto all = c.platform().listDirectory(folder)) {
    for (Platform::DirectoryEntry& e : *all) {
      if (e.isDirectory != folders || (e.hidden && !hidden) || !matchesWildcard(e.name, pattern)) continue;
      found.push_back(std::move(e));
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return upperFull(a.name) < upperFull(b.name);
  });
  auto key = [order](const Platform::DirectoryEntry& e) -> int64_t {
    switch (order) {
      case 1: return e.writeTime;
      case 2: return e.creationTime;
      case 3: return e.accessTime;
      default: return static_cast<int64_t>(e.size);
    }
  };
  if (order >= 1 && order <= 4)
    std::stable_sort(found.begin(), found.end(), [&](const auto& a, const auto& b) { return key(a) < key(b); });

  auto array = std::make_shared<ArrayValue>();
  array->lowerBounds = {0};
  array->upperBounds = {static_cast<int32_t>(found.size()) - 1};
  for (const auto& e : found) array->elements.push_back(Value::string(e.name));
  c.putGlobal(u"GETDIR_FILES", Value::array(std::move(array)));
  c.result = integerValue(static_cast<long long>(found.size()));
}

namespace {

// --- INI files -------------------------------------------------------------------

// Runs `use` with the host's settings object. Hosts without one share a
// settings object for the running program, which engines on other threads
// use too: they take turns, one whole routine at a time, so that no write to
// the program's own file is lost and its per-user flag is read and changed
// by one engine at a time.
template <class Use>
auto withSettings(BuiltinCall& c, Use&& use) {
  if (SettingsFile* s = c.host().settingsFile()) return use(*s);
  static std::mutex turn;
  static SettingsFile fallback = SettingsFile::forRunningProgram(hostPlatform());
  const std::lock_guard<std::mutex> hold(turn);
  return use(fallback);
}

// The INI file argument: empty means the host's default file (the loaded
// script's own INI file, or the program's settings for hosts without one);
// a file name without an extension gets ".INI".
u16 iniFile(BuiltinCall& c, int i) {
  u16 file = c.has(i) ? c.str(i) : u16();
  if (file.empty()) return c.host().defaultIniFile();
  const size_t sep = file.find_last_of(u"\\/");
  const size_t nameStart = sep == u16::npos ? 0 : sep + 1;
  if (file.find(u'.', nameStart) == u16::npos) file += u".INI";
  return file;
}

}  // namespace

void readiniFn(BuiltinCall& c) {
  u16 value = withSettings(c, [&](SettingsFile& s) { return s.read(c.str(0), c.str(1), iniFile(c, 2)); });
  double d = 0;
  // A number comes back as narrow text, so that + adds such values.
  if (!value.empty() && parseNumber(value, d))
    c.result = Value::narrow(c.platform().wideToCodePage(kJapaneseCodePage, value));
  else
    c.result = Value::string(std::move(value));
}

void writeiniFn(BuiltinCall& c) {
  withSettings(c, [&](SettingsFile& s) { s.write(c.str(0), c.str(1), c.str(2), iniFile(c, 3)); });
}

void deleteiniFn(BuiltinCall& c) {
  withSettings(c, [&](SettingsFile& s) {
    if (!c.has(1) || c.str(1).empty())
      s.eraseSection(c.str(0), iniFile(c, 2));
    else
      s.deleteKey(c.str(0), c.str(1), iniFile(c, 2));
  });
}

}  // namespace kova
