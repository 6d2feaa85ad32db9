#include "app/shell/hotkey_setting.h"

namespace kova::shell {

namespace {

struct Key {
  const char16_t* name;
  uint32_t code;
};

constexpr Key kKeys[kHotkeyKeyCount] = {
    {u"SPACE", 0x20}, {u"F1", 0x70},  {u"F2", 0x71},  {u"F3", 0x72},  {u"F4", 0x73},  {u"F9", 0x78},
    {u"F10", 0x79},   {u"F11", 0x7A}, {u"F12", 0x7B}, {u"↑", 0x26},   {u"↓", 0x28},   {u"→", 0x27},
    {u"←", 0x25},     {u"Q", 'Q'},    {u"W", 'W'},    {u"E", 'E'},    {u"R", 'R'},    {u"A", 'A'},
    {u"S", 'S'},      {u"D", 'D'},    {u"F", 'F'},    {u"End", 0x23}, {u"Home", 0x24}, {u"F5", 0x74},
    {u"F6", 0x75},    {u"F7", 0x76},  {u"F8", 0x77},  {u"T", 'T'},    {u"Y", 'Y'},    {u"U", 'U'},
    {u"I", 'I'},      {u"O", 'O'},    {u"P", 'P'},    {u"G", 'G'},    {u"H", 'H'},    {u"J", 'J'},
    {u"K", 'K'},      {u"L", 'L'},    {u"Z", 'Z'},    {u"X", 'X'},    {u"C", 'C'},    {u"V", 'V'},
    {u"B", 'B'},      {u"N", 'N'},    {u"M", 'M'},    {u"1", '1'},    {u"2", '2'},    {u"3", '3'},
    {u"4", '4'},      {u"5", '5'},    {u"6", '6'},    {u"7", '7'},    {u"8", '8'},    {u"9", '9'},
    {u"0", '0'},
};

struct Modifier {
  const char16_t* name;
  uint32_t flags;
};

constexpr Modifier kModifiers[kHotkeyModifierCount] = {
    {u"CTRL", kModControl},
    {u"WIN", kModWin},
    {u"ALT", kModAlt},
    {u"SHIFT+CTRL", kModShift | kModControl},
    {u"SHIFT+ALT", kModShift | kModAlt},
    {u"CTRL+ALT", kModControl | kModAlt},
};

std::optional<int> number(u16v text) {
  const u16 t = trimCtl(text);
  long long n = 0;
  if (t.empty() || !parseInt(t, n) || n < INT32_MIN || n > INT32_MAX) return std::nullopt;
  return static_cast<int>(n);
}

}  // namespace

u16v hotkeyKeyName(int index) { return index >= 0 && index < kHotkeyKeyCount ? kKeys[index].name : u""; }

u16v hotkeyModifierName(int index) {
  return index >= 0 && index < kHotkeyModifierCount ? kModifiers[index].name : u"";
}

std::optional<HotkeySetting> parseHotkey(u16v text) {
  const size_t comma = text.find(u',');
  if (comma == u16v::npos) return std::nullopt;
  const std::optional<int> key = number(text.substr(0, comma));
  const std::optional<int> modifier = number(text.substr(comma + 1));
  if (!key || !modifier) return std::nullopt;
  return HotkeySetting{*key, *modifier};
}

u16 formatHotkey(const HotkeySetting& setting) {
  return toU16(static_cast<int64_t>(setting.key)) + u"," + toU16(static_cast<int64_t>(setting.modifier));
}

std::optional<HotkeyChord> hotkeyChord(const HotkeySetting& setting) {
  if (setting.key < 0 || setting.key >= kHotkeyKeyCount || setting.modifier < 0 ||
      setting.modifier >= kHotkeyModifierCount) {
    return std::nullopt;
  }
  return HotkeyChord{kKeys[setting.key].code, kModifiers[setting.modifier].flags};
}

HotkeySetting defaultHotkey(HotkeyId id) {
  switch (id) {
    case kPlayHotkey: return {1, 2};
    case kStopHotkey: return {2, 2};
    case kRecordHotkey: return {3, 2};
    case kTrayHotkey: return {14, 5};
    case kLaunchMenuHotkey: return {14, 0};
  }
  return {};
}

StopPress pressStop(int32_t level) { return StopPress{level <= 90 ? level + 10 : level, level >= 10}; }

}  // namespace kova::shell
