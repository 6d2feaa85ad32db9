#pragma once
// The settings the main window puts in place when it starts: the defaults
// of every missing key, the sample launch entry of a first run, and where
// the main window goes.

#include <cstdint>
#include <functional>
#include <optional>

#include "util/settings_file.h"

namespace kova::shell {

struct ScreenBox {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct StartupFacts {
  ScreenBox primary;     // the first monitor's work area
  bool firstRun = false;  // no settings file existed
  bool japanese = false;
  u16 exeFolder;  // with the final separator
  std::function<bool(const u16&)> fileExists;
};

// The first comma- or blank-separated field of a setting as an integer;
// none when it is no number ("2000,x" -> 2000).
std::optional<long long> firstNumberField(u16v setting);

// Writes the default of every missing `SET` key (hotkeys, Position, the
// flags, LogLines "2000", DefaultFont ","), `LUNCHMENU`/`Position` "0,0"
// and `SCHEDULE`/`MaxNumber` "40". A stored LogLines of "200" (an old
// default) becomes "2000". On a first run with the Japanese interface a
// sample script beside the program becomes the first launch entry.
void writeStartupDefaults(SettingsFile& settings, const StartupFacts& facts);

// The main window's position from the stored "left,top" (comma or blank
// separated; a field that is no number keeps the fallback's), kept on the
// desktop: at least half of the window stays inside it.
struct Place {
  int32_t left = 0, top = 0;
};
Place mainWindowPlace(u16v stored, Place fallback, int32_t width, int32_t height, const ScreenBox& desktop);

}  // namespace kova::shell
