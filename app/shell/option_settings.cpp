#include "app/shell/option_settings.h"

#include <optional>

namespace kova::shell {

namespace {

constexpr char16_t kSection[] = u"SET";

std::optional<int> inTable(long long index, int count) {
  if (index < 0 || index >= count) return std::nullopt;
  return static_cast<int>(index);
}

// A field read as the hotkey parser reads it (blanks around the number
// allowed), kept only inside its table.
std::optional<int> indexField(u16v field, int count) {
  long long n = 0;
  if (!parseInt(trimCtl(field), n)) return std::nullopt;
  return inTable(n, count);
}

bool ticked(SettingsFile& s, u16v key) { return s.read(kSection, key) == u"1"; }

u16v flag(bool on) { return on ? u"1" : u"0"; }

}  // namespace

HotkeySetting readHotkeySetting(u16v stored, const HotkeySetting& fallback) {
  // The common case goes through the one hotkey parser; only a text it
  // refuses is taken apart here, so that the field that is sound survives.
  if (const std::optional<HotkeySetting> whole = parseHotkey(stored)) {
    return HotkeySetting{inTable(whole->key, kHotkeyKeyCount).value_or(fallback.key),
                         inTable(whole->modifier, kHotkeyModifierCount).value_or(fallback.modifier)};
  }
  const size_t comma = stored.find(u',');
  const u16v keyText = stored.substr(0, comma);
  const u16v modifierText = comma == u16v::npos ? u16v{} : stored.substr(comma + 1);
  return HotkeySetting{indexField(keyText, kHotkeyKeyCount).value_or(fallback.key),
                       indexField(modifierText, kHotkeyModifierCount).value_or(fallback.modifier)};
}

OptionSettings readOptionSettings(SettingsFile& s) {
  OptionSettings o;
  long long level = 0;
  o.highLevel = parseInt(trimCtl(s.read(kSection, u"RecLevel")), level) && level != 0;
  o.notExtraMove = ticked(s, u"NotExtraMovRec");
  o.mouseOrg = ticked(s, u"MouseOrg");
  o.toClipboard = ticked(s, u"Cp2Clipboard");
  o.play = readHotkeySetting(s.read(kSection, u"PlayHotKey"), defaultHotkey(kPlayHotkey));
  o.stop = readHotkeySetting(s.read(kSection, u"StopHotKey"), defaultHotkey(kStopHotkey));
  o.record = readHotkeySetting(s.read(kSection, u"RecHotKey"), defaultHotkey(kRecordHotkey));
  o.tray = readHotkeySetting(s.read(kSection, u"TrayHotKey"), defaultHotkey(kTrayHotkey));
  return o;
}

void writeOptionSettings(SettingsFile& s, const OptionSettings& o) {
  s.write(kSection, u"RecLevel", flag(o.highLevel));
  s.write(kSection, u"Cp2Clipboard", flag(o.toClipboard));
  s.write(kSection, u"NotExtraMovRec", flag(o.notExtraMove));
  s.write(kSection, u"MouseOrg", flag(o.mouseOrg));
  s.write(kSection, u"PlayHotKey", formatHotkey(o.play));
  s.write(kSection, u"StopHotKey", formatHotkey(o.stop));
  s.write(kSection, u"RecHotKey", formatHotkey(o.record));
  s.write(kSection, u"TrayHotKey", formatHotkey(o.tray));
}

}  // namespace kova::shell
