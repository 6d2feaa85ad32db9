#include "util/text_file.h"

#include <cstdint>
#include <utility>

namespace kova {

TextEncoding detectTextEncoding(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    return TextEncoding::Utf16Le;
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
    return TextEncoding::Utf8Bom;
  bool pureAscii = true;
  for (const char *p = bytes.data(), *end = p + bytes.size(); p != end; ++p)
    if (static_cast<unsigned char>(*p) >= 0x80) {
      pureAscii = false;
      break;
    }
  if (!pureAscii && isValidUtf8(bytes)) return TextEncoding::Utf8;
  return TextEncoding::Ansi;
}

DecodedText decodeTextBytesDetected(std::string_view bytes, TextFileHost& host) {
  DecodedText out;
  out.encoding = detectTextEncoding(bytes);
  switch (out.encoding) {
    case TextEncoding::Utf16Le:
      out.text.reserve((bytes.size() - 2) / 2);
      for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        out.text.push_back(
            char16_t(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
      break;
    case TextEncoding::Utf8Bom:
      out.text = fromUtf8(bytes.substr(3));
      break;
    case TextEncoding::Utf8:
      out.text = fromUtf8(bytes);
      break;
    case TextEncoding::Ansi:
      out.text = host.ansiToWide(bytes);
      break;
  }
  return out;
}

u16 decodeTextBytes(std::string_view bytes, TextFileHost& host) {
  return decodeTextBytesDetected(bytes, host).text;
}

std::vector<u16> splitLines(u16v text) {
  std::vector<u16> lines;
  splitLinesAtMost(text, SIZE_MAX, lines);
  return lines;
}

bool splitLinesAtMost(u16v text, size_t maxLines, std::vector<u16>& lines) {
  lines.clear();
  // Plain pointers: texts of a hundred megabytes pass here, also in
  // unoptimised builds.
  const char16_t* const begin = text.data();
  const char16_t* const end = begin + text.size();
  // First the count, so that a refused text allocates nothing and an
  // accepted one fills a list of the right size.
  size_t count = 0;
  for (const char16_t* p = begin; p != end; ++p) {
    if (*p == u'\n' || (*p == u'\r' && (p + 1 == end || p[1] != u'\n'))) {
      if (++count > maxLines) return false;
    }
  }
  if (begin != end && end[-1] != u'\n' && end[-1] != u'\r' && ++count > maxLines) return false;
  lines.reserve(count);
  const char16_t* start = begin;
  const char16_t* p = begin;
  while (p != end) {
    const char16_t c = *p;
    if (c != u'\r' && c != u'\n') {
      ++p;
      continue;
    }
    lines.emplace_back(start, static_cast<size_t>(p - start));
    if (c == u'\r' && p + 1 != end && p[1] == u'\n') ++p;
    start = ++p;
  }
  if (start != end) lines.emplace_back(start, static_cast<size_t>(end - start));
  return true;
}

FileBytes readFileBytesRetrying(const u16& path, TextFileHost& host) {
  FileBytes result;
  if (!host.fileExists(path)) {
    result.failure = ReadFailure::NotFound;
    return result;
  }
  constexpr int kAttempts = 10;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) {
      host.sleepMs(80);
      for (int k = 0; k < 20; ++k) {
        host.yieldTimeSlice();
        host.processMessages();
      }
    }
    if (auto bytes = host.readFileBytes(path)) {
      result.bytes = std::move(*bytes);
      return result;
    }
  }
  result.failure = ReadFailure::Unreadable;
  return result;
}

TextFileText readTextFile(const u16& path, TextFileHost& host) {
  TextFileText result;
  FileBytes file = readFileBytesRetrying(path, host);
  result.failure = file.failure;
  if (file.failure != ReadFailure::None) return result;
  DecodedText decoded = decodeTextBytesDetected(file.bytes, host);
  result.encoding = decoded.encoding;
  result.text = std::move(decoded.text);
  return result;
}

TextFileLines readTextFileLines(const u16& path, TextFileHost& host) {
  TextFileLines result;
  TextFileText file = readTextFile(path, host);
  result.failure = file.failure;
  if (file.failure == ReadFailure::None) result.lines = splitLines(file.text);
  return result;
}

}  // namespace kova
