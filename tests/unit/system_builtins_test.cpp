// Process and system built-ins: the portable rules (command lines, OS
// codes, EXEC's folder, the control word), POFF up to its final platform
// call (always through a recording hook: no test ever reaches the system's
// power calls), SOUND's lookup and waiting on a fake platform, and DOSCMD,
// POWERSHELL and EXEC on the real platform.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "builtins/system_services.h"
#include "forwarding_platform.h"
#include "script_test_support.h"
#include "util/fp_control.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace kova {
namespace {

using testing::ForwardingPlatform;
using testing::RecordingHost;
using testing::ScriptFolder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

// Unoptimised and sanitizer builds move big texts several times more slowly.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(NDEBUG)
constexpr long long kSlowBuildFactor = 6;
#else
constexpr long long kSlowBuildFactor = 1;
#endif

long long msSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

struct Run {
  int exitCode = 0;
  std::vector<std::string> printed, errors, messages, logged;
};

// Runs `script` as main.kov in `folder` on `platform` with `host`.
Run runWith(Platform& platform, RecordingHost& host, const ScriptFolder& folder, const std::string& script) {
  folder.write("main.kov", script);
  Player player(platform, host);
  ScriptLaunch loaded;
  Run out;
  out.exitCode = player.load(folder.widePath("main.kov"), loaded) ? player.play(loaded) : 1;
  out.printed = host.printed;
  out.errors = host.errors;
  out.messages = host.messages;
  for (const u16& line : player.engine().log.lines()) out.logged.push_back(toUtf8(line));
  return out;
}

Run run(const std::string& script) {
  ScriptFolder folder;
  RecordingHost host;
  return runWith(hostPlatform(), host, folder, script);
}

// --- Portable rules ---------------------------------------------------------------------

TEST(ProcessRules, CmdWrapsACommandWithBlanksInQuotes) {
  EXPECT_EQ(toUtf8(cmdCommandLine(u"dir")), "CMD /C dir");
  EXPECT_EQ(toUtf8(cmdCommandLine(u"echo abc")), "CMD /C \"echo abc\"");
  // Already starting with two quotes: left alone.
  EXPECT_EQ(toUtf8(cmdCommandLine(u"\"\"C:\\a b\\x.exe\" arg\"")), "CMD /C \"\"C:\\a b\\x.exe\" arg\"");
  EXPECT_EQ(toUtf8(cmdCommandLine(u"\"x.exe\" a")), "CMD /C \"\"x.exe\" a\"");
}

TEST(ProcessRules, PowerShellQuotesAreEscapedOnce) {
  EXPECT_EQ(toUtf8(escapePowerShellQuotes(u"Write-Output \"a b\"")), "Write-Output \\\"a b\\\"");
  EXPECT_EQ(toUtf8(escapePowerShellQuotes(u"x \\\"kept\\\" y")), "x \\\"kept\\\" y");
  EXPECT_EQ(toUtf8(escapePowerShellQuotes(u"none")), "none");
}

TEST(ProcessRules, CommandLinesSplitByTheWindowsRules) {
  auto words = [](const char16_t* line) {
    std::vector<std::string> out;
    for (const u16& w : splitCommandLine(line)) out.push_back(toUtf8(w));
    return out;
  };
  EXPECT_THAT(words(u"sh -c \"exit 7\""), ElementsAre("sh", "-c", "exit 7"));
  EXPECT_THAT(words(u"  a\t b  "), ElementsAre("a", "b"));
  EXPECT_THAT(words(u"\"C:\\Program Files\\x.exe\" \"\""), ElementsAre("C:\\Program Files\\x.exe", ""));
  EXPECT_THAT(words(u"a\\\\\"b c\""), ElementsAre("a\\b c"));   // 2n backslashes: n, quote toggles
  EXPECT_THAT(words(u"a\\\"b"), ElementsAre("a\"b"));            // 2n+1: n and a literal quote
  EXPECT_THAT(words(u"a\\b\\"), ElementsAre("a\\b\\"));          // other backslashes are literal
  EXPECT_THAT(words(u"\"a\"\"b\""), ElementsAre("a\"b"));        // a doubled quote inside quotes
  EXPECT_THAT(words(u""), IsEmpty());
}

TEST(SystemRules, OperatingSystemCodesFollowTheNtVersions) {
  auto code = [](uint32_t major, uint32_t minor, bool server = false) {
    Platform::OsVersion v;
    v.windowsNt = true;
    v.major = major;
    v.minor = minor;
    v.server = server;
    return osCode(v);
  };
  EXPECT_EQ(code(4, 0), 11);
  EXPECT_EQ(code(5, 0), 12);
  EXPECT_EQ(code(5, 1), 13);
  EXPECT_EQ(code(5, 2), 14);
  EXPECT_EQ(code(6, 0), 20);
  EXPECT_EQ(code(6, 0, true), 21);
  EXPECT_EQ(code(6, 1), 22);
  EXPECT_EQ(code(6, 1, true), 21);
  EXPECT_EQ(code(6, 2), 23);
  EXPECT_EQ(code(6, 3), 24);
  EXPECT_EQ(code(10, 0), 61);
  EXPECT_EQ(osCode(Platform::OsVersion{}), 0);  // outside the NT family
}

TEST(SystemRules, ExecWorksInTheProgramsFolder) {
  ScriptFolder f;
  f.write("tools/run.exe", "");
  const std::string base = toUtf8(f.widePath(""));
  const u16 tools = f.widePath("tools");
  Platform& p = hostPlatform();
  EXPECT_EQ(execWorkingFolder(tools + u"/run.exe", p), tools);
  EXPECT_EQ(execWorkingFolder(u"\"" + tools + u"/run.exe\" a b", p), tools);
  EXPECT_EQ(execWorkingFolder(tools + u"\\run.exe", p), tools);
  // The last "." decides: an argument's extension points into its folder.
  EXPECT_EQ(execWorkingFolder(u"notepad.exe " + tools + u"/x.txt", p), u"");
  EXPECT_EQ(execWorkingFolder(u"cmd.exe /c exit 7", p), u"");
  EXPECT_EQ(execWorkingFolder(f.widePath("missing") + u"/run.exe", p), u"");
  EXPECT_EQ(execWorkingFolder(u"run", p), u"");
}

TEST(SystemRules, TheControlWordSetsTheRoundingOfTheSseUnit) {
  const uint16_t saved = currentFpControlWord();
  // Reading: masks all set, 53-bit precision, round to nearest by default.
  EXPECT_EQ(saved & 0x3F, 0x3F);
  EXPECT_EQ(saved & 0x300, 0x200);
  loadFpControlWord(0x0C00);  // toward zero, with every exception unmasked
  EXPECT_EQ(currentFpControlWord() & 0xC00, 0xC00);
  EXPECT_TRUE(fpControlIsLoaded(0x0C3F));
#if defined(__x86_64__) || defined(_M_X64)
  EXPECT_EQ(_mm_getcsr() & 0x6000u, 0x6000u);
  EXPECT_EQ(_mm_getcsr() & 0x1F80u, 0x1F80u);  // the exceptions stay masked
#endif
  volatile double one = 1, three = 3;
  EXPECT_LT((one / three) * three, 1.0);  // rounded toward zero twice
  loadFpControlWord(0x0400);  // down
  EXPECT_EQ(currentFpControlWord() & 0xC00, 0x400);
  loadFpControlWord(saved);
  EXPECT_EQ((one / three) * three, 1.0);
}

TEST(SystemBuiltins, Set8087cwHoldsTheWordForTheRunAndTheRunsEndRestoresIt) {
  const uint16_t before = currentFpControlWord();
  auto r = run("PRINT (1/3)*3 = 1\n"
               "SET8087CW($C3F)\n"
               "PRINT (1/3)*3 = 1\n"
               "SET8087CW()\n"  // saves the current word: still toward zero
               "PRINT (1/3)*3 = 1\n"
               "SET8087CW($33F)\n"
               "PRINT (1/3)*3 = 1\n"
               "SET8087CW($C3F)\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("True", "False", "False", "True"));
  EXPECT_EQ(currentFpControlWord(), before);
}

// --- POFF, up to the final call -------------------------------------------------------------

using Request = Platform::PowerRequest;

// Installs a hook that records POFF's requests instead of letting them
// reach the system, and removes it again.
class PowerRecorder {
 public:
  PowerRecorder() {
    setPowerHook([this](const Request& r) {
      requests.push_back(r);
      return true;
    });
  }
  ~PowerRecorder() { setPowerHook(nullptr); }
  std::vector<Request> requests;
};

class RestartHost : public RecordingHost {
 public:
  void requestRestart(bool playAgain) override { restarts.push_back(playAgain); }
  std::vector<bool> restarts;
};

struct PoffRun {
  Run run;
  std::vector<Request> requests;
  std::vector<bool> restarts;
};

PoffRun poff(const std::string& script) {
  PowerRecorder recorder;
  RestartHost host;
  ScriptFolder folder;
  PoffRun out;
  out.run = runWith(hostPlatform(), host, folder, script);
  out.requests = recorder.requests;
  out.restarts = host.restarts;
  return out;
}

TEST(Poff, EndsTheSessionWithTheCollectedFlagsAfterEndingTheRun) {
  auto r = poff("PRINT 1\nPOFF(P_REBOOT + P_FORCE)\nPRINT 2\n");
  EXPECT_THAT(r.run.printed, ElementsAre("1"));
  EXPECT_THAT(r.run.errors, IsEmpty());
  EXPECT_EQ(r.run.exitCode, 0);
  ASSERT_EQ(r.requests.size(), 1u);
  EXPECT_EQ(r.requests[0].kind, Request::Kind::ExitSession);
  EXPECT_EQ(r.requests[0].exitFlags, 2u | 4u);
  EXPECT_THAT(r.restarts, IsEmpty());

  // 0 counts as P_POWEROFF: shut down and power off.
  r = poff("POFF(0)\n");
  ASSERT_EQ(r.requests.size(), 1u);
  EXPECT_EQ(r.requests[0].exitFlags, 1u | 8u);
  r = poff("POFF(P_SHUTDOWN)\n");
  EXPECT_EQ(r.requests.at(0).exitFlags, 1u);
  r = poff("POFF(P_LOGOFF)\nPRINT 2\n");
  ASSERT_EQ(r.requests.size(), 1u);
  EXPECT_EQ(r.requests[0].exitFlags, 0u);
  EXPECT_THAT(r.run.printed, IsEmpty());
  r = poff("POFF(P_POWEROFF + P_REBOOT + P_FORCE)\n");
  EXPECT_EQ(r.requests.at(0).exitFlags, 1u | 8u | 2u | 4u);
}

TEST(Poff, ForceAloneAndUnknownFlagsDoNothing) {
  auto r = poff("POFF(P_FORCE)\nPOFF(1)\nPRINT \"still running\"\n");
  EXPECT_THAT(r.requests, IsEmpty());
  EXPECT_THAT(r.run.printed, ElementsAre("still running"));
  // P_FORCE alone says so in the script log.
  ASSERT_EQ(r.run.logged.size(), 1u);
  EXPECT_NE(r.run.logged[0].find("POFF: P_FORCE alone does nothing"), std::string::npos) << r.run.logged[0];
}

TEST(Poff, TheFirstMatchingGroupActs) {
  auto r = poff("POFF(P_SUSPEND + P_SUSPEND2 + P_MONIPOWER + P_SHUTDOWN)\nPRINT \"on\"\n");
  ASSERT_EQ(r.requests.size(), 1u);
  EXPECT_EQ(r.requests[0].kind, Request::Kind::Hibernate);
  EXPECT_FALSE(r.requests[0].force);
  EXPECT_THAT(r.run.printed, ElementsAre("on"));  // suspension does not end the run

  r = poff("POFF(P_SUSPEND2 + P_FORCE)\n");
  EXPECT_EQ(r.requests.at(0).kind, Request::Kind::Standby);
  EXPECT_TRUE(r.requests.at(0).force);
  r = poff("POFF(P_SUSPEND + P_FORCE)\n");
  EXPECT_EQ(r.requests.at(0).kind, Request::Kind::Hibernate);
  EXPECT_TRUE(r.requests.at(0).force);

  r = poff("POFF(P_MONIPOWER + P_MONIPOWER2 + P_SCREENSAVE + P_REBOOT)\nPOFF(P_MONIPOWER2)\n"
           "POFF(P_MONIPOWER3)\nPOFF(P_SCREENSAVE + P_REBOOT)\nPRINT \"on\"\n");
  ASSERT_EQ(r.requests.size(), 4u);
  EXPECT_EQ(r.requests[0].kind, Request::Kind::MonitorPower);
  EXPECT_EQ(r.requests[0].monitorState, 1);
  EXPECT_EQ(r.requests[1].monitorState, 2);
  EXPECT_EQ(r.requests[2].monitorState, -1);
  EXPECT_EQ(r.requests[3].kind, Request::Kind::ScreenSaver);
  EXPECT_THAT(r.run.printed, ElementsAre("on"));
}

TEST(Poff, ReexecEndsTheRunForARestart) {
  auto r = poff("POFF(P_KOVA_REEXEC, 1)\nPRINT 2\n");
  EXPECT_THAT(r.requests, IsEmpty());
  EXPECT_THAT(r.restarts, ElementsAre(true));
  EXPECT_THAT(r.run.printed, IsEmpty());
  EXPECT_EQ(r.run.exitCode, 0);
  r = poff("POFF(P_KOVA_REEXEC)\n");
  EXPECT_THAT(r.restarts, ElementsAre(false));
  // Restart and reboot together: both.
  r = poff("POFF(P_KOVA_REEXEC + P_REBOOT)\n");
  EXPECT_THAT(r.restarts, ElementsAre(false));
  ASSERT_EQ(r.requests.size(), 1u);
  EXPECT_EQ(r.requests[0].exitFlags, 2u);
}

TEST(Poff, FinallyPartsRunFirstUnderOptFinally) {
  const std::string body =
      "TRY\n  PRINT \"try\"\n  POFF(P_SHUTDOWN)\n  PRINT \"not reached\"\nFINALLY\n  PRINT \"finally\"\nENDTRY\n"
      "PRINT \"after\"\n";
  auto r = poff("OPTION OPTFINALLY\n" + body);
  EXPECT_THAT(r.run.printed, ElementsAre("try", "finally"));
  EXPECT_EQ(r.requests.size(), 1u);
  r = poff(body);
  EXPECT_THAT(r.run.printed, ElementsAre("try"));
  r = poff("OPTION OPTFINALLY\nTRY\n  PRINT \"try\"\n  POFF(P_KOVA_REEXEC)\n  PRINT \"not reached\"\n"
           "FINALLY\n  PRINT \"finally\"\nENDTRY\nPRINT \"after\"\n");
  EXPECT_THAT(r.run.printed, ElementsAre("try", "finally"));
  EXPECT_THAT(r.requests, IsEmpty());
}

// --- SOUND and CHKSND on a fake platform ----------------------------------------------------

class SoundPlatform : public ForwardingPlatform {
 public:
  u16 windowsFolder;
  std::map<u16, u16> events;
  std::vector<u16> played;
  std::vector<u16> shellCommands;
  int beeps = 0;
  int playingPolls = 0;  // soundPlaying answers true this many times
  std::optional<uint32_t> length;
  int stops = 0;

  u16 windowsDirectory() override { return windowsFolder; }
  u16 soundEventFile(const u16& name) override {
    auto it = events.find(name);
    return it == events.end() ? u16() : it->second;
  }
  bool playSoundFile(const u16& path, std::optional<uint32_t>* lengthMs) override {
    played.push_back(path);
    if (lengthMs) *lengthMs = length;
    return true;
  }
  bool soundPlaying() override { return playingPolls-- > 0; }
  void stopSound() override { ++stops; }
  void systemBeep() override { ++beeps; }
  std::unique_ptr<ChildProcess> startProcess(const ProcessStart& s) override {
    if (s.kind == ProcessStart::Kind::Shell) shellCommands.push_back(s.command);
    return ForwardingPlatform::startProcess(s);
  }
};

class SettingHost : public RecordingHost {
 public:
  u16 beep;
  u16 readSetting(const u16& section, const u16& key) override {
    return section == u"SET" && key == u"Beep" ? beep : u16();
  }
};

TEST(Sound, NamesAreLookedUpAsEventsThenMediaFilesThenPaths) {
  ScriptFolder f;
  f.write("win/MEDIA/chimes.wav", "x");
  f.write("win/MEDIA/ding", "x");
  f.write("own/tone.wav", "x");
  f.write("events/notify.wav", "x");
  SoundPlatform p;
  p.windowsFolder = f.widePath("win");
  p.events[u"SystemNotify"] = f.widePath("events/notify.wav");
  p.events[u"chimes"] = f.widePath("events/missing.wav");  // the scheme's file is gone
  EXPECT_EQ(soundFile(p, u"SystemNotify"), f.widePath("events/notify.wav"));
  EXPECT_EQ(soundFile(p, u"chimes"), p.windowsFolder + u"\\MEDIA\\chimes.wav");
  EXPECT_EQ(soundFile(p, u"chimes.wav"), p.windowsFolder + u"\\MEDIA\\chimes.wav");
  EXPECT_EQ(soundFile(p, u"ding"), p.windowsFolder + u"\\MEDIA\\ding");
  EXPECT_EQ(soundFile(p, f.widePath("own/tone")), f.widePath("own/tone") + u".wav");
  EXPECT_EQ(soundFile(p, f.widePath("own/tone.wav")), f.widePath("own/tone.wav"));
  EXPECT_EQ(soundFile(p, u"nowhere"), u"");
  EXPECT_EQ(soundFile(p, u"bad<name>"), u"");

  RecordingHost host;
  auto r = runWith(p, host, f,
                   "SOUND(\"SystemNotify\")\nSOUND(\"nowhere\")\nSOUND(\"chimes\")\nPRINT CHKSND()\nSOUND()\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("False"));
  ASSERT_EQ(p.played.size(), 2u);
  EXPECT_EQ(p.played[0], f.widePath("events/notify.wav"));
  EXPECT_EQ(p.played[1], p.windowsFolder + u"\\MEDIA\\chimes.wav");
  EXPECT_EQ(p.stops, 1);
}

TEST(Sound, WaitingEndsWithTheSoundOrAfterItsLength) {
  ScriptFolder f;
  f.write("tone.wav", "x");
  SoundPlatform p;
  p.playingPolls = 3;
  RecordingHost host;
  auto r = runWith(p, host, f, "SOUND(\"tone.wav\", TRUE)\nPRINT CHKSND()\n");
  EXPECT_THAT(r.printed, ElementsAre("False"));
  EXPECT_LE(p.playingPolls, 0);  // polled until it ended

  // A player that never says it ended: the wait stops 2 s after the length.
  p.playingPolls = 1000000;
  p.length = 100;
  RecordingHost host2;
  const auto start = Clock::now();
  r = runWith(p, host2, f, "SOUND(\"tone.wav\", TRUE)\nPRINT \"back\"\n");
  EXPECT_THAT(r.printed, ElementsAre("back"));
  EXPECT_GE(msSince(start), 2000);
  EXPECT_LT(msSince(start), 10000);
}

TEST(Sound, BeepIsTheSystemBeepOrTheConsoleBellTwice) {
  ScriptFolder f;
  SoundPlatform p;
  SettingHost host;
  host.beep = u"1";
  runWith(p, host, f, "SOUND(\"BEEP\")\n");
  EXPECT_EQ(p.beeps, 1);
  EXPECT_THAT(p.shellCommands, IsEmpty());
  SettingHost host2;
  const auto start = Clock::now();
  runWith(p, host2, f, "SOUND(\"beep\")\n");
  EXPECT_EQ(p.beeps, 1);
  EXPECT_THAT(p.shellCommands, ElementsAre(u"echo \a", u"echo \a"));
  EXPECT_LT(msSince(start), 15000);
}

// --- Processes on the real platform ---------------------------------------------------------

#ifdef _WIN32
const char* const kSleepCommand = "ping -n 6 127.0.0.1 > nul";
#else
const char* const kSleepCommand = "sleep 5";
#endif

TEST(Doscmd, CapturesOutputAndExitCodes) {
  auto r = run("PRINT DOSCMD(\"echo abc\") = \"abc\" + CHR(10)\n"
               "PRINT DOSCMD(\"exit 3\", 0, FALSE, 1)\n"
               "PRINT VARTYPE(DOSCMD(\"exit 3\", 0, FALSE, 1)) = VAR_INTEGER\n"
               // forms that capture nothing
               "PRINT \"[\" + DOSCMD(\"echo abc\", 0, FALSE, -1) + \"]\"\n"
               "PRINT \"[\" + DOSCMD(\"exit 3\", 0, TRUE, 1) + \"]\"\n"
               // standard error goes to the same pipe
               "PRINT DOSCMD(\"echo err>&2\")\n");
  EXPECT_THAT(r.errors, IsEmpty());
#ifdef _WIN32
  EXPECT_THAT(r.printed, ElementsAre("False", "3", "True", "[]", "[]", "err\r\n"));
#else
  EXPECT_THAT(r.printed, ElementsAre("True", "3", "True", "[]", "[]", "err\n"));
#endif
}

TEST(Doscmd, AWaitLimitReturnsAndACommandReadingInputSeesItsEnd) {
  const auto start = Clock::now();
  auto r = run(std::string("PRINT \"[\" + DOSCMD(\"") + kSleepCommand + "\", 300) + \"]\"\n" +
#ifdef _WIN32
               "PRINT DOSCMD(\"set /p x=& echo read\")\n"
#else
               "PRINT DOSCMD(\"cat; echo read\")\n"
#endif
  );
  EXPECT_THAT(r.errors, IsEmpty());
  ASSERT_EQ(r.printed.size(), 2u);
  EXPECT_EQ(r.printed[0], "[]");
  EXPECT_LT(msSince(start), 4500);
}

TEST(Doscmd, AStoppedRunStopsWaiting) {
  ScriptFolder folder;
  folder.write("main.kov", std::string("x = DOSCMD(\"") + kSleepCommand + "\")\nPRINT \"after\"\n");
  RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch loaded;
  ASSERT_TRUE(player.load(folder.widePath("main.kov"), loaded));
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (!done) player.engine().stopRequest = 1;
  });
  const auto start = Clock::now();
  player.play(loaded);
  done = true;
  stopper.join();
  EXPECT_LT(msSince(start), 4000);
}

#ifndef _WIN32
TEST(Doscmd, NativeOutputIsUtf8AndNulCharactersBecomeBlanks) {
  auto r = run("PRINT DOSCMD(\"printf 'a\\000b'\")\nPRINT DOSCMD(\"printf '\xC3\xA9'\")\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("a b", "\xC3\xA9"));
}
#endif

#ifndef _WIN32
// Under Wine the same is the golden script builtins/system/doscmd_large.
TEST(Doscmd, LargeOutputNeverStallsAndTooLargeOutputIsAClearMessage) {
  // 50 MB through the pipe; 70 MB is beyond the 64 MB that are kept.
  const auto start = Clock::now();
  auto r = run("PRINT LENGTH(DOSCMD(\"head -c 50000000 /dev/zero | tr '\\000' a\"))\n"
               "TRY\n  x = DOSCMD(\"head -c 70000000 /dev/zero\")\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("50000000", "DOSCMD: the output is larger than 64 MB"));
  EXPECT_LT(msSince(start), 20000 * kSlowBuildFactor);
}
#endif

TEST(Powershell, WithoutPowerShellTheResultIsEmptyAtOnce) {
  Platform& p = hostPlatform();
#ifdef _WIN32
  // Under Wine there is no powershell.exe; on Windows this test tells nothing.
  ProcessStart probe;
  probe.kind = ProcessStart::Kind::PowerShell;
  probe.command = u"-Command exit";
  if (auto child = p.startProcess(probe)) GTEST_SKIP() << "PowerShell is installed";
#else
  (void)p;
  if (std::system("command -v pwsh > /dev/null 2>&1") == 0) GTEST_SKIP() << "pwsh is installed";
#endif
  const auto start = Clock::now();
  auto r = run("PRINT \"[\" + POWERSHELL(\"Write-Output \"\"a b\"\"\") + \"]\"\n");
  EXPECT_THAT(r.printed, ElementsAre("[]"));
  EXPECT_LT(msSince(start), 3000);
}

// A PowerShell that runs for three polls and writes one line.
class FakePowerShell final : public ForwardingPlatform {
 public:
  class Child final : public ChildProcess {
   public:
    explicit Child(FakePowerShell& owner) : owner_(owner) { limit_ = 100; }
    uint32_t processId() const override { return 4242; }
    bool waitForExit(uint32_t) override {
      if (++owner_.polls < 3) return false;
      keep("out\r\n", 5);
      return true;
    }
    std::optional<int64_t> exitCode() override { return 0; }

   private:
    FakePowerShell& owner_;
  };
  std::vector<bool> captured;  // captureOutput of each start
  int polls = 0;
  std::unique_ptr<ChildProcess> startProcess(const ProcessStart& s) override {
    if (s.kind != ProcessStart::Kind::PowerShell) return ForwardingPlatform::startProcess(s);
    captured.push_back(s.captureOutput);
    return std::make_unique<Child>(*this);
  }
};

// Wait 0 waits for the end (and captures when the window is hidden); any
// other wait, negative ones too, starts the command and goes on.
TEST(Powershell, OnlyWaitZeroWaitsForTheEnd) {
  ScriptFolder f;
  FakePowerShell p;
  auto printed = [&](const std::string& call) {
    RecordingHost host;
    p.polls = 0;
    return runWith(p, host, f, "PRINT \"[\" + " + call + " + \"]\"\n").printed;
  };
  EXPECT_THAT(printed("POWERSHELL(\"x\")"), ElementsAre("[out\r\n]"));
  EXPECT_EQ(p.polls, 3);
  for (const char* call : {"POWERSHELL(\"x\", 5000)", "POWERSHELL(\"x\", -1)"}) {
    EXPECT_THAT(printed(call), ElementsAre("[]")) << call;
    EXPECT_EQ(p.polls, 0) << call;
  }
  EXPECT_THAT(printed("POWERSHELL(\"x\", 0, 1)"), ElementsAre("[]"));
  EXPECT_EQ(p.polls, 3);
  EXPECT_EQ(p.captured, (std::vector<bool>{true, false, false, true}));
}

TEST(Exec, StartsWaitsAndWorksInTheProgramsFolder) {
  ScriptFolder f;
#ifdef _WIN32
  f.write("tools/where.bat", "@cd > where.txt\r\n@exit 5\r\n");
  const std::string program = toUtf8(f.widePath("tools")) + "\\where.bat";
  const std::string exit7 = "cmd.exe /c exit 7";
#else
  f.write("tools/where.sh", "#!/bin/sh\npwd > where.txt\nexit 5\n");
  std::filesystem::permissions(f.path("tools/where.sh"), std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const std::string program = toUtf8(f.widePath("tools")) + "/where.sh";
  const std::string exit7 = "sh -c \"\"exit 7\"\"";
#endif
  RecordingHost host;
  auto r = runWith(hostPlatform(), host, f,
                   "PRINT EXEC(\"" + exit7 + "\", TRUE)\n"
                   "PRINT EXEC(\"" + program + "\", TRUE)\n"
                   "PRINT EXEC(\"no_such_program_kova.exe\", TRUE)\n"
                   "PRINT EXEC(\"\")\n");
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("7", "5", "-1", "-1"));
  EXPECT_TRUE(std::filesystem::exists(f.path("tools/where.txt")));
}

#ifndef _WIN32
TEST(Exec, NativelyTheStartWithoutWaitingGivesNoWindow) {
  const auto start = Clock::now();
  auto r = run("PRINT EXEC(\"sleep 2\")\n");
  EXPECT_THAT(r.printed, ElementsAre("-1"));
  EXPECT_LT(msSince(start), 1500);
}
#endif

TEST(SystemBuiltins, KindOfOsAndCpuUseRate) {
  const auto start = Clock::now();
  auto r = run("PRINT KINDOFOS(OS_WIN64)\n"
               "PRINT KINDOFOS() = 0 OR KINDOFOS() >= 11\n"
               "PRINT KINDOFOS(OS_MAJOR) > 0\n"
               "rate = CPUUSERATE()\n"
               "PRINT rate >= 0 AND rate <= 100\n"
               "PRINT VARTYPE(rate) = VAR_INTEGER\n");
  EXPECT_THAT(r.errors, IsEmpty());
  // OR and AND of comparisons give the integer 1.
  EXPECT_THAT(r.printed, ElementsAre("True", "1", "True", "1", "True"));
  EXPECT_GE(msSince(start), 550);  // the 600 ms measurement
  const Platform::OsVersion v = hostPlatform().osVersion();
#ifdef _WIN32
  EXPECT_TRUE(v.windowsNt);
  EXPECT_EQ(v.platformId, 2u);
#else
  EXPECT_FALSE(v.windowsNt);
#endif
}

}  // namespace
}  // namespace kova
