#include "platform/process.h"

namespace kova {

u16 cmdCommandLine(u16v command) {
  const bool wrap = command.find(u' ') != u16v::npos && !command.starts_with(u"\"\"");
  u16 line = u"CMD /C ";
  if (wrap) line += u'"';
  line += command;
  if (wrap) line += u'"';
  return line;
}

u16 escapePowerShellQuotes(u16v command) {
  u16 out;
  out.reserve(command.size() + 8);
  for (size_t i = 0; i < command.size(); ++i) {
    const char16_t c = command[i];
    if (c == u'"' && !(i > 0 && command[i - 1] == u'\\')) out += u'\\';
    out += c;
  }
  return out;
}

std::vector<u16> splitCommandLine(u16v line) {
  std::vector<u16> words;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    while (i < n && (line[i] == u' ' || line[i] == u'\t')) ++i;
    if (i >= n) break;
    u16 word;
    bool quoted = false;
    while (i < n) {
      const char16_t c = line[i];
      if (!quoted && (c == u' ' || c == u'\t')) break;
      if (c == u'\\') {
        size_t slashes = 0;
        while (i < n && line[i] == u'\\') ++slashes, ++i;
        if (i < n && line[i] == u'"') {
          word.append(slashes / 2, u'\\');
          if (slashes % 2) {
            word += u'"';
            ++i;
          }
        } else {
          word.append(slashes, u'\\');
        }
        continue;
      }
      if (c == u'"') {
        if (quoted && i + 1 < n && line[i + 1] == u'"') {
          word += u'"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      word += c;
      ++i;
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace kova
