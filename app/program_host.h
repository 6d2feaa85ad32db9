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

  SettingsFile& settings() { return settings_; }
  SettingsFile* settingsFile() override { return &settings_; }

 protected:
  Platform& platform_;
  SettingsFile settings_;
};

}  // namespace kova
