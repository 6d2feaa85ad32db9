#include "app/shell/start_options.h"

#include "app/shell/startup_settings.h"

namespace kova::shell {

namespace {

// The start mode a first argument switches to; kScript for no switch.
StartMode switchOf(u16v arg, bool& embedded) {
  if (arg == u"/k" || arg == u"/K") return StartMode::kHandOverPlay;
  if (arg == u"/l" || arg == u"/L") return StartMode::kHandOverLoad;
  if (arg == u"/rec") return StartMode::kRecord;
  if (arg == u"/a" || arg == u"/A") return StartMode::kEncode;
  if (arg == u"/_exe_bild") return StartMode::kBuild;
  if (arg == u"/kumikomi") embedded = true;
  return StartMode::kScript;
}

bool isSwitch(u16v arg) {
  return arg == u"/k" || arg == u"/K" || arg == u"/l" || arg == u"/L" || arg == u"/rec" || arg == u"/a" ||
         arg == u"/A" || arg == u"/kumikomi" || arg == u"/_exe_bild";
}

}  // namespace

StartOptions parseCommandLine(const std::vector<u16>& args) {
  StartOptions o;
  if (args.empty()) return o;
  o.mode = StartMode::kScript;
  bool haveScript = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const u16& arg = args[i];
    if (arg.find(u"KOVA_REBOOT_$2") != u16::npos) {
      o.rebooted = true;
      break;
    }
    if (i == 0 && isSwitch(arg)) {
      o.mode = switchOf(arg, o.embedded);
      continue;
    }
    if (!haveScript) {
      o.launchText = arg;
      haveScript = true;
    } else if (o.mode == StartMode::kEncode || o.mode == StartMode::kBuild) {
      o.outputPath = arg;
    } else {
      o.launchText += u'\r';
      o.launchText += arg;
    }
  }
  // Re-executed with no other argument: a normal start.
  if (!haveScript && o.rebooted && o.mode == StartMode::kScript) o.mode = StartMode::kNormal;
  return o;
}

InstanceClaim claimInstance(StartMode mode, u16v notMultiplex, bool firstTaken, bool secondTaken) {
  InstanceClaim claim;
  long long limit = 1;
  bool silent = false;
  if (mode == StartMode::kScript) {
    const long long n = firstNumberField(notMultiplex).value_or(0);
    silent = n < 0;
    limit = n < 0 ? -n : n;
    if (limit > 2) limit = 0;
  } else {
    silent = firstNumberField(notMultiplex).value_or(0) < 0;
  }
  if (limit == 0) return claim;
  if (!firstTaken) {
    claim.mutex = 1;
  } else if (limit == 2 && !secondTaken) {
    claim.mutex = 2;
  } else {
    claim.refused = true;
    claim.silent = silent;
  }
  return claim;
}

}  // namespace kova::shell
