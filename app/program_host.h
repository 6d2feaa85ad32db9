#pragma once
// What every program that hosts the engine shares: its settings file and
// the facts about the program file. The console runner and the GUI program
// derive their hosts from this one.

#include "automation/input.h"
#include "builtins/system_services.h"
#include "engine/host.h"
#include "platform/platform.h"
#include "util/settings_file.h"

namespace kova {

class ProgramHost : public EngineHost {
 public:
  explicit ProgramHost(Platform& platform)
      : platform_(platform), settings_(SettingsFile::forRunningProgram(platform)) {}

  u16 readSetting(const u16& section, const u16& key) override { return settings_.read(section, key); }
  u16 programFilePath() override { return platform_.executablePath(); }
  u16 appDataFolder() override { return settings_.perUserFolder(); }

  // Keys and buttons a script left pressed are let go by the input layer.
  void releaseHeldInput(const u16& entry) override {
    if (automation::InputSystem* in = automation::hostInputSystem()) automation::releaseHeldEntry(*in, entry);
  }
  // The flag of LOCKHARD stays; only the block is lifted.
  void liftInputLock() override {
    if (automation::InputSystem* in = automation::hostInputSystem()) in->blockInput(false);
  }
  // ERRORSOUND: SOUND's operation, not waiting for the end.
  void playSound(const u16& sound) override { playNamedSound(platform_, *this, sound, false, nullptr); }

  // A script's INI calls without a file go to "<script name>.INI" beside
  // the script, never into the program's own settings by accident.
  void scriptLoaded(const u16& path) override {
    const size_t sep = path.find_last_of(u"\\/");
    caption_ = sep == u16::npos ? path : path.substr(sep + 1);
    const size_t dot = caption_.rfind(u'.');
    const u16 stem = dot == u16::npos ? caption_ : caption_.substr(0, dot);
    defaultIni_ = (sep == u16::npos ? u16() : path.substr(0, sep + 1)) + stem + u".INI";
  }
  u16 mainWindowCaption() override { return caption_.empty() ? EngineHost::mainWindowCaption() : caption_; }
  u16 defaultIniFile() override { return defaultIni_; }

  SettingsFile& settings() { return settings_; }
  SettingsFile* settingsFile() override { return &settings_; }

 protected:
  Platform& platform_;
  SettingsFile settings_;
  u16 caption_;
  u16 defaultIni_;
};

}  // namespace kova
