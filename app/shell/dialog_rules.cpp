#include "app/shell/dialog_rules.h"

#include <algorithm>

namespace kova::shell {

namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Where the file part of `path` starts: after its last separator.
size_t fileStart(u16v path) {
  const size_t sep = path.find_last_of(u"\\/");
  return sep == u16v::npos ? 0 : sep + 1;
}

}  // namespace

int32_t repeatCountFromText(u16v text) {
  u16 digits;
  for (char16_t c : text) {
    if (c == u',' || c == u' ' || c == u'\t' || c == kIdeographicSpace) continue;
    digits.push_back(c);
  }
  bool negative = false;
  size_t i = 0;
  if (!digits.empty() && (digits[0] == u'+' || digits[0] == u'-')) {
    negative = digits[0] == u'-';
    i = 1;
  }
  if (i == digits.size()) return kMinRepeatCount;
  int64_t n = 0;
  for (; i < digits.size(); ++i) {
    const char16_t c = digits[i];
    if (c < u'0' || c > u'9') return kMinRepeatCount;
    // Saturates instead of overflowing: a run of digits means "many".
    n = std::min<int64_t>(n * 10 + (c - u'0'), kMaxRepeatCount);
  }
  if (negative) return kMinRepeatCount;
  return std::clamp(static_cast<int32_t>(n), kMinRepeatCount, kMaxRepeatCount);
}

u16 loadLaunchText(u16v path, u16v shortcutArguments, int32_t count) {
  u16 out(path);
  const u16 arguments = trimCtl(shortcutArguments);
  if (!arguments.empty()) out += u" " + arguments;
  if (count > 1) out += u" -R" + toU16(count);
  return out;
}

u16 folderScriptPattern(u16v folder) {
  u16 out(folder);
  while (!out.empty() && isSeparator(out.back())) out.pop_back();
  return out + u"\\" + kScriptFilterPattern;
}

u16 forceKovExtension(u16v path) {
  const size_t start = fileStart(path);
  const u16v file = path.substr(start);
  if (file.empty()) return u16(path);
  if (file.size() >= 4 && upperAscii(file.substr(file.size() - 4)) == u".KOV") return u16(path);
  const size_t dot = file.rfind(u'.');
  const size_t keep = dot == u16v::npos || dot == 0 ? path.size() : start + dot;
  return u16(path.substr(0, keep)) + u".KOV";
}

u16 replaceQuestion(u16v path) { return u16(path) + u"\r\n" + text(kReplaceQuestion); }

u16 versionText(u16v version) { return text(kVersionLabel) + u16(version); }

u16 fitText(u16v text, size_t maxUnits) {
  if (text.size() <= maxUnits) return u16(text);
  size_t cut = maxUnits;
  // A high surrogate at the cut would be left without its low half.
  if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
  return u16(text.substr(0, cut));
}

Place centredPlace(const ScreenBox& owner, int32_t width, int32_t height, const ScreenBox& workArea) {
  Place p{owner.left + (owner.right - owner.left - width) / 2,
          owner.top + (owner.bottom - owner.top - height) / 2};
  p.left = std::max(std::min(p.left, workArea.right - width), workArea.left);
  p.top = std::max(std::min(p.top, workArea.bottom - height), workArea.top);
  return p;
}

}  // namespace kova::shell
