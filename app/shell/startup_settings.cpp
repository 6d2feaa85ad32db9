#include "app/shell/startup_settings.h"

#include <algorithm>

#include "app/shell/hotkey_setting.h"

namespace kova::shell {

namespace {

void writeIfMissing(SettingsFile& s, u16v section, u16v key, u16v value) {
  if (s.read(section, key).empty()) s.write(section, key, value);
}

// The fields of a "left,top" text: split at commas when it has one (each
// field trimmed, empty ones kept in their place), else at blanks.
std::vector<u16> fields(u16v text) {
  std::vector<u16> out;
  const bool commas = text.find(u',') != u16v::npos;
  u16 field;
  for (char16_t c : text) {
    const bool cut = commas ? c == u',' : (c == u' ' || c == u'\t');
    if (!cut) {
      field.push_back(c);
      continue;
    }
    if (commas || !field.empty()) out.push_back(trimCtl(field));
    field.clear();
  }
  if (commas || !field.empty()) out.push_back(trimCtl(field));
  return out;
}

}  // namespace

std::optional<long long> firstNumberField(u16v setting) {
  long long n = 0;
  if (!parseInt(trimCtl(setting.substr(0, setting.find_first_of(u", \t"))), n)) return std::nullopt;
  return n;
}

void writeStartupDefaults(SettingsFile& s, const StartupFacts& facts) {
  const u16 position = toU16(static_cast<int64_t>(facts.primary.right - 240)) + u"," +
                       toU16(static_cast<int64_t>(facts.primary.bottom - 140));
  writeIfMissing(s, u"SET", u"Position", position);
  writeIfMissing(s, u"SET", u"PlayHotKey", formatHotkey(defaultHotkey(kPlayHotkey)));
  writeIfMissing(s, u"SET", u"StopHotKey", formatHotkey(defaultHotkey(kStopHotkey)));
  writeIfMissing(s, u"SET", u"RecHotKey", formatHotkey(defaultHotkey(kRecordHotkey)));
  writeIfMissing(s, u"SET", u"TrayHotKey", formatHotkey(defaultHotkey(kTrayHotkey)));
  writeIfMissing(s, u"SET", u"LunchMenuHotKey", formatHotkey(defaultHotkey(kLaunchMenuHotkey)));
  for (const char16_t* key : {u"StopForm", u"MouseOrg", u"NotClassRec", u"NotMultiplex", u"NotActive"}) {
    writeIfMissing(s, u"SET", key, u"0");
  }
  const u16 lines = s.read(u"SET", u"LogLines");
  if (lines.empty() || trimCtl(lines) == u"200") s.write(u"SET", u"LogLines", u"2000");
  writeIfMissing(s, u"SET", u"DefaultFont", u",");
  writeIfMissing(s, u"LUNCHMENU", u"Position", u"0,0");
  if (facts.firstRun && facts.japanese && facts.fileExists) {
    const u16 sample = u"サンプル.KOV";
    if (facts.fileExists(facts.exeFolder + u"sample\\" + sample)) {
      s.write(u"LUNCHMENU", u"T1", u"サンプル");
      s.write(u"LUNCHMENU", u"S1", u".\\sample\\" + sample);
    } else if (facts.fileExists(facts.exeFolder + sample)) {
      s.write(u"LUNCHMENU", u"T1", u"サンプル");
      s.write(u"LUNCHMENU", u"S1", u".\\" + sample);
    }
  }
  writeIfMissing(s, u"SCHEDULE", u"MaxNumber", u"40");
}

Place mainWindowPlace(u16v stored, Place fallback, int32_t width, int32_t height, const ScreenBox& desktop) {
  Place p = fallback;
  const std::vector<u16> f = fields(stored);
  long long n = 0;
  if (f.size() >= 1 && parseInt(f[0], n) && n >= INT32_MIN && n <= INT32_MAX) p.left = static_cast<int32_t>(n);
  if (f.size() >= 2 && parseInt(f[1], n) && n >= INT32_MIN && n <= INT32_MAX) p.top = static_cast<int32_t>(n);
  const int64_t halfW = width / 2, halfH = height / 2;
  p.left = static_cast<int32_t>(std::clamp<int64_t>(p.left, desktop.left - halfW, desktop.right - halfW));
  p.top = static_cast<int32_t>(std::clamp<int64_t>(p.top, desktop.top - halfH, desktop.bottom - halfH));
  return p;
}

}  // namespace kova::shell
