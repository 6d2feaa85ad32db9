// Process and system built-ins: DOSCMD, POWERSHELL, SLEEP, GETTIME,
// CPUUSERATE, SOUND, CHKSND, POFF, KINDOFOS, SET8087CW. (EXEC is with the
// window built-ins, builtins/windows.cpp.) The operating system is reached
// through the platform (platform/platform.h, platform/process.h); what
// several of them share is in builtins/system_services.h.

#include <chrono>
#include <climits>
#include <cmath>

#include "builtins/system_functions.h"
#include "builtins/system_services.h"
#include "engine/messages.h"
#include "util/date_time.h"
#include "util/fp_control.h"

namespace kova {
namespace {

constexpr Msg kSleepTooManyArguments{u"SLEEP: 引数の数が多すぎます", u"SLEEP: Too many argument"};

}  // namespace

// SLEEP(seconds): waits in 50 ms steps that pump window messages, ends
// early when the run is stopped or errors are being suppressed, and does
// not end while the stop form is paused unless a stop is requested. 0 (or less) only pumps once.
void sleepFn(BuiltinCall& c) {
  if (c.count > 1) {
    c.fail(text(kSleepTooManyArguments), false);
    return;
  }
  Platform& p = c.platform();
  const double seconds = c.num(0);
  if (!(seconds > 0)) {
    p.processMessages();
    return;
  }
  // Up to about 100 years; beyond that the wait is as good as endless.
  const uint64_t total = static_cast<uint64_t>(std::min(seconds, 3.15e9) * 1000.0);
  const auto start = std::chrono::steady_clock::now();
  p.sleepMs(static_cast<uint32_t>(total % 100));
  const uint64_t rounds = 2 * (total / 100);
  for (uint64_t i = 0; i < rounds;) {
    if (c.suppressingErrors() || c.stopped()) return;
    p.sleepMs(50);
    p.processMessages();
    if (c.host().paused()) {
      // A paused wait does not run out, but a stop request ends the pause
      // and the wait with it (the run would otherwise hang paused).
      if (c.stopping()) return;
      continue;
    }
    ++i;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (static_cast<uint64_t>(elapsed.count()) > total) return;
  }
}

namespace {

// Reads "YYYYMMDD[HH[NN[SS]]]" after removing '/', ':' and blanks; missing
// time parts are 0. False for anything else or an impossible date or time.
bool parseDateText(const u16& raw, DateParts& out) {
  u16 t;
  for (char16_t ch : raw)
    if (ch != u'/' && ch != u':' && ch != u' ' && ch != u'\t' && ch != kIdeographicSpace) t.push_back(ch);
  if (t.size() < 8 || t.size() > 14) return false;
  for (char16_t ch : t)
    if (ch < u'0' || ch > u'9') return false;
  auto part = [&](size_t from, size_t len) {
    int v = 0;
    for (size_t i = from; i < from + len && i < t.size(); ++i) v = v * 10 + (t[i] - u'0');
    return v;
  };
  out = DateParts();
  out.year = part(0, 4);
  out.month = part(4, 2);
  out.day = part(6, 2);
  out.hour = part(8, 2);
  out.minute = part(10, 2);
  out.second = part(12, 2);
  if (out.year < 1 || out.month < 1 || out.month > 12 || out.day < 1 || out.hour > 23 || out.minute > 59 ||
      out.second > 59)
    return false;
  // The day must exist in its month: the calendar round trip keeps it.
  const DateParts back = splitDateTime(makeDateTime(out));
  return back.year == out.year && back.month == out.month && back.day == out.day;
}

}  // namespace

// GETTIME([days], [date text]): sets the scope's time stamp (read by the
// G_TIME_ names) to now, or to the given moment, plus `days`, and returns
// its seconds since 2000-01-01 00:00:00. A date text that cannot be read
// returns "" (every number is a possible result) and leaves the time stamp
// as it was.
void gettimeFn(BuiltinCall& c) {
  const double days = c.has(0) ? c.num(0) : 0;
  double stamp = 0;
  if (c.has(1) && !c.str(1).empty()) {
    DateParts parts;
    if (!parseDateText(c.str(1), parts)) return;
    stamp = makeDateTime(parts) + days;
  } else {
    stamp = c.platform().localDateTimeNow() + days;
  }
  c.setTimeStamp(stamp);
  const DateParts p = splitDateTime(stamp);
  DateParts day;
  day.year = p.year;
  day.month = p.month;
  day.day = p.day;
  DateParts epoch;
  epoch.year = 2000;
  epoch.month = 1;
  epoch.day = 1;
  const double dayCount = std::round(makeDateTime(day) - makeDateTime(epoch));
  c.result = Value::number(dayCount * 86400 + p.hour * 3600 + p.minute * 60 + p.second);
}

// --- DOSCMD and POWERSHELL -------------------------------------------------------

namespace {

// Captured output is kept up to this many bytes; a command that writes more
// is still drained to its end (so it never stalls), and the call then
// reports the message below instead of returning a cut text.
constexpr size_t kMaxCommandOutput = size_t(64) << 20;
constexpr Msg kOutputTooLarge{u"%s: 出力が 64 MB を超えました", u"%s: the output is larger than 64 MB"};

// The wait argument: 0 until the end; a positive count at most that many
// milliseconds; a negative one (as the system's INFINITE, -1) until the
// end too, but capturing nothing.
std::optional<uint64_t> waitLimit(long long wait) {
  if (wait > 0) return static_cast<uint64_t>(wait);
  return std::nullopt;
}

// Runs the started child to its end (or the limit) and stores the result:
// the exit code, or the output decoded with NUL characters as blanks.
void finishCommand(BuiltinCall& c, ChildProcess& child, long long wait, bool capture, bool exitCode) {
  Platform& p = c.platform();
  const bool ended = waitForChild(p, child, waitLimit(wait), [&c] { return c.stopping(); });
  if (!capture || !ended) return;
  if (exitCode) {
    if (const std::optional<int64_t> code = child.exitCode()) c.result = Value::integer(static_cast<int32_t>(*code));
    return;
  }
  if (child.outputTruncated()) {
    c.fail(text(kOutputTooLarge, c.name()));
    return;
  }
  u16 out = p.decodeCommandOutput(child.output());
  for (char16_t& ch : out)
    if (ch == 0) ch = u' ';
  c.result = Value::string(std::move(out));
}

}  // namespace

// DOSCMD(command, wait = 0, show = FALSE, exit code = FALSE). Windows runs
// "CMD /C command" (platform/process.h), natively /bin/sh -c command.
// Standard output and error share one pipe that is drained while waiting.
// The output (or with exit code 1 the exit code) is the result when wait is
// 0, show is FALSE and exit code is not negative; else the result is "".
// A failed start returns "" without a message.
void doscmdFn(BuiltinCall& c) {
  const long long wait = c.has(1) ? c.integer(1) : 0;
  const bool show = c.has(2) && c.num(2) != 0;
  const long long exitCode = c.has(3) ? c.integer(3) : 0;
  const bool capture = wait == 0 && !show && exitCode >= 0;
  ProcessStart s;
  s.kind = ProcessStart::Kind::Shell;
  s.command = c.str(0);
  s.show = show ? WindowShow::Normal : WindowShow::Hidden;
  s.captureOutput = true;
  s.pipeBuffer = 1000000;
  s.outputLimit = capture && exitCode != 1 ? kMaxCommandOutput : 0;
  std::unique_ptr<ChildProcess> child = c.platform().startProcess(s);
  if (!child) return;
  finishCommand(c, *child, wait, capture, exitCode == 1);
}

// POWERSHELL(command, wait = 0, show = 0, raw quotes = FALSE): runs
// "powershell " + command (natively pwsh, when installed); show 0 hides the
// window, 2 minimises it. With wait 0 the call waits for the command's end
// and, when show is 0 too, returns its output; any other wait starts the
// command and goes on at once (its output goes where KOVA's own goes).
// Without PowerShell (under Wine, and natively without pwsh) nothing starts
// and the result is "" at once.
void powershellFn(BuiltinCall& c) {
  const long long wait = c.has(1) ? c.integer(1) : 0;
  const long long show = c.has(2) ? c.integer(2) : 0;
  const bool raw = c.has(3) && c.num(3) != 0;
  const bool capture = wait == 0 && show == 0;
  ProcessStart s;
  s.kind = ProcessStart::Kind::PowerShell;
  s.command = raw ? c.str(0) : escapePowerShellQuotes(c.str(0));
  s.show = show == 0 ? WindowShow::Hidden : show == 2 ? WindowShow::Minimised : WindowShow::Normal;
  // Output is drained while the call waits; a command left running must
  // not write into a pipe that nobody reads.
  s.captureOutput = wait == 0;
  s.pipeBuffer = 4000000;
  s.outputLimit = capture ? kMaxCommandOutput : 0;
  std::unique_ptr<ChildProcess> child = c.platform().startProcess(s);
  if (!child) return;
  child->waitForInputIdle(5000);
  if (wait == 0) finishCommand(c, *child, 0, capture, false);
}

// --- CPUUSERATE, KINDOFOS, SET8087CW -----------------------------------------------

// CPUUSERATE(): the load of all processors over the next 600 ms, in percent
// (0 when the platform cannot tell). The wait pumps window messages and
// ends early when the run is stopped.
void cpuUseRateFn(BuiltinCall& c) {
  Platform& p = c.platform();
  c.result = Value::integer(0);
  const std::optional<Platform::CpuTimes> before = p.cpuTimes();
  if (!before) return;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (spent >= 600 || c.stopping()) break;
    p.sleepMs(static_cast<uint32_t>(std::min<long long>(50, 600 - spent)));
    p.processMessages();
  }
  const std::optional<Platform::CpuTimes> after = p.cpuTimes();
  if (!after || after->total <= before->total) return;
  const double total = static_cast<double>(after->total - before->total);
  const double idle = static_cast<double>(after->idle >= before->idle ? after->idle - before->idle : 0);
  const double load = std::round(100.0 * (total - std::min(idle, total)) / total);
  c.result = Value::integer(static_cast<int32_t>(std::clamp(load, 0.0, 100.0)));
}

namespace {

enum OsKind { kOsWin64 = 1, kOsMajor = 2, kOsMinor = 3, kOsBuildNumber = 4, kOsPlatform = 5 };

}  // namespace

// KINDOFOS(kind = 0). Natively: OS_WIN64 tells a 64-bit system, the
// numbers are the kernel's release, OS_PLATFORM is 0 and the code is 0.
void kindOfOsFn(BuiltinCall& c) {
  const Platform::OsVersion v = c.platform().osVersion();
  auto number = [](uint32_t n) { return Value::integer(static_cast<int32_t>(std::min<uint32_t>(n, INT32_MAX))); };
  switch (c.has(0) ? c.integer(0) : 0) {
    case kOsWin64:
      c.result = c.truth(v.is64Bit);
      return;
    case kOsMajor: c.result = number(v.major); return;
    case kOsMinor: c.result = number(v.minor); return;
    case kOsBuildNumber: c.result = number(v.build); return;
    case kOsPlatform: c.result = number(v.platformId); return;
    default: c.result = Value::integer(osCode(v)); return;
  }
}

// SET8087CW(word = 0): a non-zero word is saved, 0 (or none) saves the
// current control; the saved word is then loaded. On x64 the word sets the
// SSE unit's control (MXCSR) by the mapping of util/fp_control.h: only its
// rounding mode takes effect. The evaluator loads it again whenever the
// control changed behind its back; the run's end restores what it found.
void set8087cwFn(BuiltinCall& c) {
  const uint16_t current = currentFpControlWord();
  const long long word = c.has(0) ? c.integer(0) : 0;
  const uint16_t kept = word != 0 ? static_cast<uint16_t>(word) : current;
  c.keepFpControlWord(current, kept);
  loadFpControlWord(kept);
}

// --- SOUND, CHKSND -------------------------------------------------------------------

// SOUND(name, wait = FALSE): see playNamedSound. SOUND() stops the sound.
void soundFn(BuiltinCall& c) {
  playNamedSound(c.platform(), c.host(), c.str(0), c.has(1) && c.num(1) != 0, [&c] { return c.stopping(); });
}

// CHKSND(): TRUE while a sound SOUND started is playing. (The name argument
// of the catalogue is accepted and not needed.)
void chksndFn(BuiltinCall& c) { c.result = c.truth(c.platform().soundPlaying()); }

// --- POFF ---------------------------------------------------------------------------------

namespace {

enum PowerFlag : long long {
  kPForce = 8,
  kPPowerOff = 16,
  kPShutdown = 32,
  kPReboot = 64,
  kPLogoff = 128,
  kPSuspend = 256,
  kPSuspend2 = 512,
  kPMoniPower = 1024,
  kPMoniPower2 = 2048,
  kPMoniPower3 = 4096,
  kPScreenSave = 8192,
  kPKovaReexec = 16384,
};

}  // namespace

constexpr Msg kForceAlone{u"POFF: P_FORCE だけでは何もしません (P_LOGOFF、P_SHUTDOWN、P_REBOOT、P_POWEROFF に加えて使います)",
                          u"POFF: P_FORCE alone does nothing (add it to P_LOGOFF, P_SHUTDOWN, P_REBOOT or P_POWEROFF)"};

// POFF(command, option): the first matching flag group acts:
// suspension, monitor power, screen saver, else restart and/or the end of
// the session. The platform's call at the end goes through requestPower,
// which tests replace. P_FORCE alone ends nothing: taken literally it would
// be a forced log-off that closes every program without asking to save,
// which no script means by it. It only adds force to a shutdown, reboot,
// power-off or log-off; alone it writes a notice to the script log. Force
// applies to both suspension kinds. Without an input hook yet, P_MONIPOWER3
// has nobody to tell that the monitor is back.
void poffFn(BuiltinCall& c) {
  Platform& p = c.platform();
  long long command = c.integer(0);
  const long long option = c.has(1) ? c.integer(1) : 0;
  using Request = Platform::PowerRequest;
  if (command & (kPSuspend | kPSuspend2)) {
    Request r;
    r.kind = (command & kPSuspend) ? Request::Kind::Hibernate : Request::Kind::Standby;
    r.force = (command & kPForce) != 0;
    requestPower(p, r);
    p.sleepMs(50);
    p.processMessages();
    for (int i = 0; i < 6; ++i) {
      p.sleepMs(20);
      p.processMessages();
    }
    return;
  }
  if (command & (kPMoniPower | kPMoniPower2 | kPMoniPower3)) {
    Request r;
    r.kind = Request::Kind::MonitorPower;
    r.monitorState = (command & kPMoniPower) ? 1 : (command & kPMoniPower2) ? 2 : -1;
    requestPower(p, r);
    return;
  }
  if (command & kPScreenSave) {
    Request r;
    r.kind = Request::Kind::ScreenSaver;
    requestPower(p, r);
    return;
  }
  bool ended = false;
  if (command & kPKovaReexec) {
    c.leaveRun();
    ended = true;
    c.host().requestRestart(option != 0);
  }
  if (command == 0) command = kPPowerOff;
  uint32_t flags = 0;
  bool given = false;
  if (command & kPForce) flags |= 4;
  if (command & kPPowerOff) flags |= 1 | 8, given = true;
  if (command & kPShutdown) flags |= 1, given = true;
  if (command & kPReboot) flags |= 2, given = true;
  if (command & kPLogoff) given = true;
  if (!given) {
    if (command & kPForce) c.logNotice(text(kForceAlone));
    return;
  }
  if (!ended) c.leaveRun();
  Request r;
  r.kind = Request::Kind::ExitSession;
  r.exitFlags = flags;
  requestPower(p, r);
}

}  // namespace kova
