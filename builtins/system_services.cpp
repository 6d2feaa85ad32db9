#include "builtins/system_services.h"

#include <chrono>
#include <mutex>

namespace kova {

namespace {

using Clock = std::chrono::steady_clock;

uint64_t millisecondsSince(Clock::time_point start) {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool hasExtension(const u16& name) {
  const size_t dot = name.rfind(u'.');
  const size_t sep = name.find_last_of(u"\\/");
  return dot != u16::npos && (sep == u16::npos || dot > sep);
}

// `name` itself, then with ".wav" when it has no extension.
u16 existingSoundFile(Platform& p, const u16& name) {
  if (p.fileExists(name)) return name;
  if (!hasExtension(name) && p.fileExists(name + u".wav")) return name + u".wav";
  return {};
}

std::mutex powerHookLock;
PowerHook powerHook;

}  // namespace

bool waitForChild(Platform& platform, ChildProcess& child, std::optional<uint64_t> limitMs,
                  const std::function<bool()>& stopping) {
  const Clock::time_point start = Clock::now();
  for (;;) {
    uint32_t slice = 20;
    if (limitMs) {
      const uint64_t spent = millisecondsSince(start);
      if (spent >= *limitMs) return child.waitForExit(0);
      slice = static_cast<uint32_t>(std::min<uint64_t>(slice, *limitMs - spent));
    }
    if (child.waitForExit(slice)) return true;
    platform.processMessages();
    if (stopping && stopping()) return false;
  }
}

u16 soundFile(Platform& p, const u16& name) {
  const u16 event = p.soundEventFile(name);
  if (!event.empty()) {
    if (p.fileExists(event)) return event;
    // A bare file name in the scheme lives in the MEDIA folder.
    if (event.find_first_of(u"\\/") == u16::npos) {
      u16 media = p.windowsDirectory();
      if (!media.empty() && media.back() != u'\\' && media.back() != u'/') media += u'\\';
      if (p.fileExists(media + u"MEDIA\\" + event)) return media + u"MEDIA\\" + event;
    }
  }
  u16 folder = p.windowsDirectory();
  if (!folder.empty()) {
    if (folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
    const u16 media = existingSoundFile(p, folder + u"MEDIA\\" + name);
    if (!media.empty()) return media;
  }
  return existingSoundFile(p, name);
}

void playNamedSound(Platform& p, EngineHost& host, const u16& rawName, bool wait,
                    const std::function<bool()>& stopping) {
  const u16 name = trimCtl(rawName);
  if (name.empty()) {
    p.stopSound();
    return;
  }
  if (upperFull(name) == u"BEEP") {
    if (trimCtl(host.readSetting(u"SET", u"Beep")) == u"1") {
      p.systemBeep();
      return;
    }
    // The console bell through DOSCMD's mechanism, hidden and waiting; the
    // output goes to the pipe and is dropped.
    for (int i = 0; i < 2; ++i) {
      if (i > 0) p.sleepMs(80);
      ProcessStart s;
      s.kind = ProcessStart::Kind::Shell;
      s.command = u"echo \a";
      s.show = WindowShow::Hidden;
      s.captureOutput = true;
      s.outputLimit = 0;
      if (auto child = p.startProcess(s)) waitForChild(p, *child, 5000, stopping);
    }
    return;
  }
  const u16 file = soundFile(p, name);
  if (file.empty()) return;
  std::optional<uint32_t> length;
  if (!p.playSoundFile(file, &length) || !wait) return;
  const uint64_t limit = length ? uint64_t(*length) + 2000 : 600000;
  const Clock::time_point start = Clock::now();
  while (p.soundPlaying() && millisecondsSince(start) < limit) {
    p.sleepMs(20);
    p.processMessages();
    if (stopping && stopping()) return;
  }
}

int32_t osCode(const Platform::OsVersion& v) {
  if (!v.windowsNt) return 0;
  const int32_t major = static_cast<int32_t>(v.major), minor = static_cast<int32_t>(v.minor);
  if (major <= 5) {
    const int32_t code = major + 7;
    return code >= 12 ? code + minor : code;
  }
  const int32_t code = 10 * major - 40 + minor;
  if (code == 20) return v.server ? 21 : 20;
  if (code == 21) return v.server ? 21 : 22;
  return code + 1;
}

u16 execWorkingFolder(u16v command, Platform& platform) {
  u16 s;
  for (char16_t c : command)
    if (c != u'"') s += c;
  const size_t dot = s.rfind(u'.');
  if (dot == u16::npos || dot == 0) return {};
  const size_t slash = s.find_last_of(u"\\/", dot - 1);
  if (slash == u16::npos) return {};
  const bool driveRoot = slash == 2 && s[1] == u':';
  const u16 folder = slash == 0 ? s.substr(0, 1) : s.substr(0, driveRoot ? 3 : slash);
  return platform.directoryExists(folder) ? folder : u16();
}

void setPowerHook(PowerHook hook) {
  std::lock_guard<std::mutex> guard(powerHookLock);
  powerHook = std::move(hook);
}

bool requestPower(Platform& platform, const Platform::PowerRequest& request) {
  PowerHook hook;
  {
    std::lock_guard<std::mutex> guard(powerHookLock);
    hook = powerHook;
  }
  return hook ? hook(request) : platform.requestPower(request);
}

}  // namespace kova
