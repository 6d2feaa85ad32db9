#pragma once
// What the process and system built-ins share with each other and with the
// rest of the program: waiting on started programs, the named-sound
// operation (SOUND, and the error reporter's ERRORSOUND through the host),
// KINDOFOS's code rule, EXEC's working folder, and the replaceable final
// call of POFF.

#include <functional>
#include <optional>

#include "engine/host.h"
#include "platform/platform.h"

namespace kova {

// Waits for `child` in steps of at most 20 ms with window messages pumped
// in between, until it ends (true), `limitMs` passed (none: no limit) or
// `stopping` says so. Output keeps being drained throughout.
bool waitForChild(Platform& platform, ChildProcess& child, std::optional<uint64_t> limitMs,
                  const std::function<bool()>& stopping);

// SOUND's operation. An empty name stops the sound playing. "BEEP" (any
// case) sounds the system beep when the setting Beep of section SET is "1",
// else the console bell: "echo " + U+0007 run hidden through the console
// shell twice, 80 ms apart (each run waited for at most 5 s). Any other
// name is looked up (soundFile) and played; with `wait` the call returns
// when the sound has ended, at the latest 2 s after its length (10 minutes
// when the player does not know the length), or when `stopping` says so.
// A name that is found nowhere, or a sound that cannot be played (no sound
// device), does nothing.
void playNamedSound(Platform& platform, EngineHost& host, const u16& name, bool wait,
                    const std::function<bool()>& stopping);

// The file SOUND plays for a name, in this order: a sound event of the
// user's scheme, a file of the Windows folder's MEDIA folder, a file path;
// the last two also with ".wav" appended when the name has no extension.
// Empty when none exists.
u16 soundFile(Platform& platform, const u16& name);

// KINDOFOS's operating-system code; 0 outside the NT family.
int32_t osCode(const Platform::OsVersion& version);

// EXEC's working folder: the command without double quotes, cut at its last
// "." and then at the last "\" or "/" before it ("C:\" for a program in a
// drive's root). Empty when that is no existing folder.
u16 execWorkingFolder(u16v command, Platform& platform);

// POFF's final platform call, replaceable: while a hook is set, POFF hands
// its request to the hook and nothing reaches the system. The unit tests
// set one for every POFF they run. An empty hook restores the platform.
using PowerHook = std::function<bool(const Platform::PowerRequest&)>;
void setPowerHook(PowerHook hook);
bool requestPower(Platform& platform, const Platform::PowerRequest& request);

}  // namespace kova
