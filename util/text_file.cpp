#include "util/text_file.h"

namespace kova {

u16 decodeTextBytes(std::string_view bytes, Platform& platform) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    u16 out;
    out.reserve((bytes.size() - 2) / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      out.push_back(char16_t(static_cast<unsigned char>(bytes[i]) |
                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return out;
  }
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
    return fromUtf8(bytes.substr(3));
  u16 ansi = platform.ansiToWide(bytes);
  bool pureAscii = true;
  for (char b : bytes)
    if (static_cast<unsigned char>(b) >= 0x80) {
      pureAscii = false;
      break;
    }
  if (pureAscii) return ansi;
  if (isValidUtf8(bytes)) return fromUtf8(bytes);
  return ansi;
}

std::vector<u16> splitLines(u16v text) {
  std::vector<u16> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

TextFileLines readTextFileLines(const u16& path, Platform& platform) {
  TextFileLines result;
  if (!platform.fileExists(path)) {
    result.failure = ReadFailure::NotFound;
    return result;
  }
  constexpr int kAttempts = 10;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) {
      platform.sleepMs(80);
      for (int k = 0; k < 20; ++k) {
        platform.yieldTimeSlice();
        platform.processMessages();
      }
    }
    if (auto bytes = platform.readFileBytes(path)) {
      result.lines = splitLines(decodeTextBytes(*bytes, platform));
      return result;
    }
  }
  result.failure = ReadFailure::Unreadable;
  return result;
}

}  // namespace kova
