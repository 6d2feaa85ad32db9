#pragma once
// What kova.exe was started to do: the command-line table and the rule of
// how many instances may run at once.

#include <vector>

#include "util/u16.h"

namespace kova::shell {

enum class StartMode : int {
  kNormal = 0,        // no arguments
  kHandOverPlay = 1,  // "/k": hand the script to a running instance to play
  kScript = 2,        // a script path: run it hidden, then exit
  kHandOverLoad = 3,  // "/l": hand the script over to be loaded only
  kRecord = 5,        // "/rec": record at once
  kEncode = 9,        // "/a": write the script as an encoded container
  kBuild = 99,        // "/_exe_bild": assemble the script for the packer
};

struct StartOptions {
  StartMode mode = StartMode::kNormal;
  // The script path and its arguments, each argument after a carriage
  // return (code 13).
  u16 launchText;
  u16 outputPath;         // modes 9 and 99: the second argument
  bool embedded = false;  // "/kumikomi": hidden and idle, nothing else starts
  bool rebooted = false;  // "KOVA_REBOOT_$2" was among the arguments
};

// The arguments after the program's name. Switches count only as the first
// argument (case as listed: "/k" "/K" "/l" "/L" "/rec" "/a" "/A"
// "/kumikomi" "/_exe_bild"); "KOVA_REBOOT_$2" anywhere ends the parsing.
StartOptions parseCommandLine(const std::vector<u16>& args);

// The single-instance rule. A start without a script (and a recording
// start) refuses when another instance holds the first mutex; a start with
// a script follows the first field of `NotMultiplex`: 0 (or anything but
// ±1, ±2) no limit, ±1 one instance, ±2 two (the second mutex). A negative
// setting refuses without a message.
struct InstanceClaim {
  bool refused = false;
  bool silent = false;  // refused without the message
  int mutex = 0;        // the mutex to create: 0 none, 1 the first, 2 the second
};
InstanceClaim claimInstance(StartMode mode, u16v notMultiplex, bool firstTaken, bool secondTaken);

}  // namespace kova::shell
