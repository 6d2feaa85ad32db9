#include "util/text_writer.h"

#include <atomic>

namespace kova {

namespace {

u16 yenAsBackslash(u16v text) {
  u16 out(text);
  for (char16_t& c : out)
    if (c == u'\u00A5') c = u'\\';
  return out;
}

std::string utf16le(u16v text, bool withMark) {
  std::string out;
  out.reserve(text.size() * 2 + 2);
  if (withMark) out.append("\xFF\xFE");
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

// A name for the temporary file next to `path` that no other writer uses at
// the same time: thread ids are unique across the system while the thread
// lives, and the counter separates the writes of one thread.
u16 temporaryNameFor(const u16& path, TextFileHost& host) {
  static std::atomic<unsigned> counter{0};
  return path + u".~kv" + toU16(static_cast<long long>(host.currentThreadId() & 0xFFFFFFFF)) + u"-" +
         toU16(counter.fetch_add(1)) + u".tmp";
}

}  // namespace

WriteEncoding writeEncodingFor(TextEncoding detected) {
  switch (detected) {
    case TextEncoding::Utf8:
      return WriteEncoding::Utf8;
    case TextEncoding::Utf8Bom:
      return WriteEncoding::Utf8Bom;
    case TextEncoding::Utf16Le:
      return WriteEncoding::Utf16Le;
    case TextEncoding::Ansi:
      break;
  }
  return WriteEncoding::AnsiOrUtf8;
}

std::optional<WriteEncoding> writeEncodingFromCode(int code) {
  switch (code) {
    case 4:
      return WriteEncoding::AnsiOrUtf8;
    case 8:
      return WriteEncoding::Ansi;
    case 16:
      return WriteEncoding::Utf8;
    case 32:
      return WriteEncoding::Utf8Bom;
    case 64:
      return WriteEncoding::Utf16Le;
    default:
      return std::nullopt;
  }
}

bool isAnsiRepresentable(u16v text, TextFileHost& host) {
  bool lossless = true;
  host.wideToAnsi(text, &lossless);
  return lossless;
}

std::string encodeText(u16v text, WriteEncoding encoding, TextFileHost& host, const EncodeOptions& options,
                       bool* lossless) {
  bool ok = true;
  std::string out;
  switch (encoding) {
    case WriteEncoding::AnsiOrUtf8:
    case WriteEncoding::Ansi: {
      const u16 prepared = options.yenToBackslash ? yenAsBackslash(text) : u16(text);
      out = host.wideToAnsi(prepared, &ok);
      if (ok || encoding == WriteEncoding::Ansi) break;
      // Not representable: UTF-8 of the text as given (a yen sign stays one).
      out = toUtf8(text);
      ok = fromUtf8(out) == text;  // unpaired surrogates became U+FFFD
      break;
    }
    case WriteEncoding::Utf8:
    case WriteEncoding::Utf8Bom:
      out = encoding == WriteEncoding::Utf8Bom ? "\xEF\xBB\xBF" : "";
      out += toUtf8(text);
      ok = fromUtf8(std::string_view(out).substr(encoding == WriteEncoding::Utf8Bom ? 3 : 0)) == text;
      break;
    case WriteEncoding::Utf16Le:
      out = utf16le(text, true);
      break;
  }
  if (lossless) *lossless = ok;
  return out;
}

std::string encodeLines(const std::vector<u16>& lines, WriteEncoding encoding, TextFileHost& host,
                        bool finalLineBreak, const EncodeOptions& options, bool* lossless) {
  u16 text;
  for (size_t i = 0; i < lines.size(); ++i) {
    text += lines[i];
    if (finalLineBreak || i + 1 < lines.size()) text += u"\r\n";
  }
  return encodeText(text, encoding, host, options, lossless);
}

bool writeTextFile(const u16& path, std::string_view bytes, TextFileHost& host) {
  if (path.empty()) return false;
  constexpr int kAttempts = 10;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) {
      host.sleepMs(80);
      for (int k = 0; k < 20; ++k) {
        host.yieldTimeSlice();
        host.processMessages();
      }
    }
    const u16 temporary = temporaryNameFor(path, host);
    if (host.writeFileBytes(temporary, bytes) && host.replaceFile(temporary, path)) return true;
    host.deleteFile(temporary);
  }
  return false;
}

}  // namespace kova
