#include "app/win/global_hotkeys.h"

namespace kova::win {

bool GlobalHotkeys::set(shell::HotkeyId id, shell::HotkeySetting setting) {
  clear(id);
  suspended_.erase(id);
  const std::optional<shell::HotkeyChord> chord = shell::hotkeyChord(setting);
  if (!chord) return false;
  if (!RegisterHotKey(window_, id, chord->modifiers, chord->virtualKey)) return false;
  held_[id] = setting;
  return true;
}

void GlobalHotkeys::clear(shell::HotkeyId id) {
  if (held_.erase(id)) UnregisterHotKey(window_, id);
}

void GlobalHotkeys::clearAll() {
  for (const auto& [id, setting] : held_) UnregisterHotKey(window_, id);
  held_.clear();
  suspended_.clear();
}

void GlobalHotkeys::suspendForKey(int32_t virtualKey) {
  uint32_t modifier = 0;
  switch (virtualKey) {
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: modifier = shell::kModControl; break;
    case VK_MENU: case VK_LMENU: case VK_RMENU: modifier = shell::kModAlt; break;
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: modifier = shell::kModShift; break;
    case VK_LWIN: case VK_RWIN: modifier = shell::kModWin; break;
    default: break;
  }
  for (auto it = held_.begin(); it != held_.end();) {
    const std::optional<shell::HotkeyChord> chord = shell::hotkeyChord(it->second);
    const bool hit = chord && (static_cast<int32_t>(chord->virtualKey) == virtualKey ||
                               (modifier != 0 && (chord->modifiers & modifier) != 0));
    if (!hit) {
      ++it;
      continue;
    }
    UnregisterHotKey(window_, it->first);
    suspended_[it->first] = it->second;
    it = held_.erase(it);
  }
}

void GlobalHotkeys::resume() {
  std::map<int32_t, shell::HotkeySetting> again;
  again.swap(suspended_);
  for (const auto& [id, setting] : again) set(static_cast<shell::HotkeyId>(id), setting);
}

bool hotkeyHeld(shell::HotkeySetting setting) {
  const std::optional<shell::HotkeyChord> chord = shell::hotkeyChord(setting);
  if (!chord) return false;
  auto down = [](int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; };
  if (down(static_cast<int>(chord->virtualKey))) return true;
  if ((chord->modifiers & shell::kModControl) && down(VK_CONTROL)) return true;
  if ((chord->modifiers & shell::kModAlt) && down(VK_MENU)) return true;
  if ((chord->modifiers & shell::kModShift) && down(VK_SHIFT)) return true;
  if ((chord->modifiers & shell::kModWin) && (down(VK_LWIN) || down(VK_RWIN))) return true;
  return false;
}

}  // namespace kova::win
