// Two engines in one process, each on its own thread, preparing and running
// scripts round after round at the same time. Every engine must print what
// it would print alone: nothing it computes may leak into the other engine,
// and no state the engines share (the built-in library, the message tables,
// the named constants, the code page converters, program generation
// numbers) may be written while the other engine reads it. The
// ThreadSanitizer build (preset native-tsan) reports any such access.
//
// Scripts name their files by absolute paths: the current directory belongs
// to the process, and each engine sets it to its script's folder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>

#include "script_test_support.h"

namespace kova {
namespace {

using testing::RecordingHost;
using testing::ScriptFolder;

constexpr int kEngines = 2;
constexpr int kRounds = 12;

// What one run of a script must show.
struct Expected {
  std::vector<std::string> printed;
  std::vector<std::string> errors;
  int exitCode = 0;
};

// One script and what it shows for the engine numbered `seed` (1, 2, ...)
// in round `round`; both reach the script as PARAM_STR[0] and [1].
struct Workload {
  std::string file;
  std::string text;
  std::function<Expected(int seed, int round)> expected;
};

std::string joined(const std::vector<std::string>& lines) {
  std::ostringstream out;
  for (const std::string& l : lines) out << "  [" << l << "]\n";
  return out.str();
}

// Lets `count` threads start their work together. std::latch is not used:
// the mingw-w64 libstdc++ 12 implements it with an atomic wait that can
// miss its wake-up on Windows, leaving a thread waiting for ever.
class StartGate {
 public:
  explicit StartGate(int count) : waiting_(count) {}
  void arriveAndWait() {
    std::unique_lock lock(mutex_);
    if (--waiting_ == 0) {
      opened_.notify_all();
      return;
    }
    opened_.wait(lock, [this] { return waiting_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  int waiting_;
};

// --- The workloads ---------------------------------------------------------------

// Loops of every kind, user functions (also recursive ones), arrays and
// the array built-ins.
Workload numbersWorkload() {
  const std::string text =
      "n = VAL(PARAM_STR[0])\n"
      "r = VAL(PARAM_STR[1])\n"
      "DIM a[9]\n"
      "FOR i = 0 TO 9\n"
      "  a[i] = square(i + n)\n"
      "NEXT\n"
      "PRINT JOIN(a, \",\")\n"
      "PRINT CALCARRAY(a, CALC_ADD)\n"
      "total = 0\n"
      "i = 0\n"
      "WHILE i < 100\n"
      "  i = i + 1\n"
      "  IF i MOD 7 = 0 THEN CONTINUE\n"
      "  total = total + i * n\n"
      "WEND\n"
      "PRINT total\n"
      "PRINT fib(12 + n)\n"
      "k = 0\n"
      "REPEAT\n"
      "  k = k + r + 1\n"
      "UNTIL k >= 50\n"
      "PRINT k\n"
      "SELECT n\n"
      "  CASE 1\n"
      "    PRINT \"one\"\n"
      "  CASE 2\n"
      "    PRINT \"two\"\n"
      "  DEFAULT\n"
      "    PRINT \"other\"\n"
      "SELEND\n"
      "FUNCTION square(x)\n"
      "  RESULT = x * x\n"
      "FEND\n"
      "FUNCTION fib(m)\n"
      "  IFB m < 2 THEN\n"
      "    RESULT = m\n"
      "  ELSE\n"
      "    RESULT = fib(m - 1) + fib(m - 2)\n"
      "  ENDIF\n"
      "FEND\n";
  return {"numbers.kov", text, [](int n, int r) {
            Expected e;
            std::string squares;
            long long sum = 0;
            for (int i = 0; i <= 9; ++i) {
              const long long s = static_cast<long long>(i + n) * (i + n);
              squares += (i ? "," : "") + std::to_string(s);
              sum += s;
            }
            long long fibA = 0, fibB = 1;
            for (int i = 0; i < 12 + n; ++i) fibB = std::exchange(fibA, fibB) + fibB;
            const int step = r + 1;
            e.printed = {squares,
                         std::to_string(sum),
                         std::to_string(n * (5050 - 735)),
                         std::to_string(fibA),
                         std::to_string((50 + step - 1) / step * step),
                         n == 1   ? "one"
                         : n == 2 ? "two"
                                  : "other"};
            return e;
          }};
}

// Hash tables, texts and the text built-ins, narrow (code page 932) texts.
Workload textsWorkload() {
  const std::string text =
      "n = VAL(PARAM_STR[0])\n"
      "tag = \"e\" + PARAM_STR[0]\n"
      "HASHTBL h\n"
      "FOR i = 1 TO 40\n"
      "  h[tag + i] = i * n\n"
      "NEXT\n"
      "PRINT h[tag + \"7\"]\n"
      "PRINT h[39, HASH_KEY]\n"
      "PRINT h[tag + \"3\", HASH_REMOVE]\n"
      "PRINT h[tag + \"3\", HASH_EXISTS]\n"
      "PRINT h[2, HASH_VAL]\n"
      "s = \"\"\n"
      "FOR i = 1 TO 26\n"
      "  s = s + CHR(64 + i)\n"
      "NEXT\n"
      "PRINT COPY(s, 3, 5)\n"
      "PRINT POS(\"J\", s)\n"
      "PRINT REPLACE(s, \"DEF\", \"<\" + tag + \">\")\n"
      "PRINT FORMAT(n * 1.25, 8, 2)\n"
      "PRINT LENGTHB(COPYB(\"日本語\" + tag, 3))\n"
      "PRINT COPYB(\"日本語\" + tag, 3)\n"
      "PRINT DECODE(ENCODE(tag + \"あ\", CODE_UTF8), CODE_UTF8)\n"
      "PRINT JOIN(SPLIT(\"z,y,\" + tag, \",\"), \"|\")\n"
      "PRINT TRIM(\"  \" + tag + \"  \") + \".\"\n";
  return {"texts.kov", text, [](int n, int) {
            Expected e;
            const std::string tag = "e" + std::to_string(n);
            char money[32];
            std::snprintf(money, sizeof money, "%8.2f", n * 1.25);
            e.printed = {std::to_string(7 * n),
                         tag + "40",
                         "True",
                         "False",
                         std::to_string(4 * n),
                         "CDEFG",
                         "10",
                         "ABC<" + tag + ">GHIJKLMNOPQRSTUVWXYZ",
                         money,
                         "6",
                         "本語" + tag,
                         tag + "あ",
                         "z|y|" + tag,
                         tag + "."};
            return e;
          }};
}

// Errors caught by TRY, also when raised in a called procedure whose
// FINALLY part runs on the way out.
Workload tryWorkload() {
  const std::string text =
      "n = VAL(PARAM_STR[0])\n"
      "caught = 0\n"
      "FOR i = 1 TO 12\n"
      "  TRY\n"
      "    IF i MOD 4 = n THEN x = missing_value\n"
      "    IF i = 6 THEN fails(i)\n"
      "  EXCEPT\n"
      "    caught = caught + 1\n"
      "    PRINT \"at \" + i + \": \" + TRY_ERRMSG\n"
      "  ENDTRY\n"
      "NEXT\n"
      "PRINT \"caught \" + caught\n"
      "TRY\n"
      "  PRINT \"body\"\n"
      "FINALLY\n"
      "  PRINT \"finally \" + n\n"
      "ENDTRY\n"
      "PROCEDURE fails(v)\n"
      "  TRY\n"
      "    y = undefined_here\n"
      "  FINALLY\n"
      "    PRINT \"cleanup \" + v\n"
      "  ENDTRY\n"
      "FEND\n";
  return {"try.kov", text, [](int n, int) {
            Expected e;
            int caught = 0;
            for (int i = 1; i <= 12; ++i) {
              if (i % 4 == n) {
                e.printed.push_back("at " + std::to_string(i) + ": It isn't defined: MISSING_VALUE");
                ++caught;
              } else if (i == 6) {
                e.printed.push_back("cleanup 6");
                e.printed.push_back("at 6: It isn't defined: UNDEFINED_HERE");
                ++caught;
              }
            }
            e.printed.push_back("caught " + std::to_string(caught));
            e.printed.push_back("body");
            e.printed.push_back("finally " + std::to_string(n));
            return e;
          }};
}

// The file and INI built-ins on files of the engine's own folder (named
// by the placeholder FOLDER/), and built-ins that keep no state: TOKEN,
// EVAL, RANDOM, the numeric functions.
Workload filesWorkload() {
  const std::string text =
      "n = VAL(PARAM_STR[0])\n"
      "path = \"FOLDER/notes\" + PARAM_STR[1] + \".txt\"\n"
      "id = FOPEN(path, F_WRITE)\n"
      "FOR i = 1 TO 5\n"
      "  FPUT(id, \"line \" + i + \" of \" + n)\n"
      "NEXT\n"
      "FCLOSE(id)\n"
      "id = FOPEN(path, F_READ + F_WRITE)\n"
      "PRINT FGET(id, F_LINECOUNT)\n"
      "PRINT FGET(id, 3)\n"
      "FDELLINE(id, 1)\n"
      "PRINT FGET(id, 1)\n"
      "FCLOSE(id)\n"
      "WRITEINI(\"S\", \"k\" + PARAM_STR[1], \"v\" + n, \"FOLDER/conf.ini\")\n"
      "PRINT READINI(\"S\", \"k\" + PARAM_STR[1], \"FOLDER/conf.ini\")\n"
      "PRINT GETDIR(\"FOLDER/\", \"notes\" + PARAM_STR[1] + \".*\")\n"
      "PRINT GETDIR_FILES[0]\n"
      "list = \"x\" + n + \",y,z\"\n"
      "PRINT TOKEN(\",\", list) + \"/\" + list\n"
      "PRINT EVAL(\"n * 6 + 1\")\n"
      "r = RANDOM(10)\n"
      "IF r >= 0 AND r < 10 THEN PRINT \"in range\" ELSE PRINT \"out of range: \" + r\n"
      "PRINT ROUND(POWER(n, 3) + SQRT(16), 0)\n"
      "PRINT STRCONV(\"abc\" + n, 512)\n";
  return {"files.kov", text, [](int n, int r) {
            Expected e;
            const std::string ns = std::to_string(n);
            e.printed = {"5",
                         "line 3 of " + ns,
                         "line 2 of " + ns,
                         "v" + ns,
                         "1",
                         "notes" + std::to_string(r) + ".txt",
                         "x" + ns + "/y,z",
                         std::to_string(n * 6 + 1),
                         "in range",
                         std::to_string(n * n * n + 4),
                         "ABC" + ns};
            return e;
          }};
}

// A run-time error nobody catches stops the run; its message names the line.
Workload uncaughtWorkload() {
  const std::string text =
      "DIM a[3]\n"
      "PRINT \"before \" + PARAM_STR[0]\n"
      "x = a[VAL(PARAM_STR[0]) + 3]\n"
      "PRINT \"after\"\n";
  return {"uncaught.kov", text, [](int n, int) {
            Expected e;
            e.printed = {"before " + std::to_string(n)};
            e.errors = {"It exceeded arrangement: A\rat line 3: X = A[VAL(PARAM_STR[0]) + 3]"};
            e.exitCode = 1;
            return e;
          }};
}

// The pre-run check rejects a call of an unknown function: nothing runs.
Workload rejectedWorkload() {
  return {"rejected.kov", "PRINT \"never\"\nnosuchthing(1)\n", [](int, int) {
            Expected e;
            e.errors = {"It is not here: NOSUCHTHING\rFunction: __MAIN__\rat line 2: NOSUCHTHING(1)"};
            e.exitCode = 1;
            return e;
          }};
}

// EXITEXIT ends the run with the script's code.
Workload exitWorkload() {
  return {"exit.kov",
          "PRINT \"code\"\nEXITEXIT VAL(PARAM_STR[0]) * 10 + VAL(PARAM_STR[1])\nPRINT \"never\"\n",
          [](int n, int r) {
            Expected e;
            e.printed = {"code"};
            e.exitCode = n * 10 + r;
            return e;
          }};
}

std::vector<Workload> allWorkloads() {
  return {numbersWorkload(),  textsWorkload(),    filesWorkload(), tryWorkload(),
          uncaughtWorkload(), rejectedWorkload(), exitWorkload()};
}

// --- Running them ---------------------------------------------------------------

// `text` with every "FOLDER" replaced by `folder`.
std::string withFolder(std::string text, const std::string& folder) {
  for (size_t at = text.find("FOLDER"); at != std::string::npos;
       at = text.find("FOLDER", at + folder.size())) {
    text.replace(at, 6, folder);
  }
  return text;
}

// Compares one run with what it must show; a difference is added to
// `failures` with the engine, the round and the script.
void check(const Expected& want, int exitCode, const RecordingHost& host, const std::string& what,
           std::vector<std::string>& failures) {
  if (host.printed != want.printed) {
    failures.push_back(what + " printed\n" + joined(host.printed) + "instead of\n" + joined(want.printed));
  }
  if (host.errors != want.errors) {
    failures.push_back(what + " reported\n" + joined(host.errors) + "instead of\n" + joined(want.errors));
  }
  if (!host.messages.empty()) failures.push_back(what + " showed\n" + joined(host.messages));
  if (exitCode != want.exitCode) {
    failures.push_back(what + " ended with " + std::to_string(exitCode) + " instead of " +
                       std::to_string(want.exitCode));
  }
}

// Plays `workload` once with a new engine.
void playOnce(const Workload& workload, const ScriptFolder& folder, int seed, int round,
              std::vector<std::string>& failures) {
  RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  const std::string what =
      "engine " + std::to_string(seed) + ", round " + std::to_string(round) + ", " + workload.file;
  if (!player.load(folder.widePath(workload.file), launch)) {
    failures.push_back(what + ": not loaded\n" + joined(host.messages));
    return;
  }
  launch.params = {toU16(seed), toU16(round)};
  const int code = player.play(launch);
  check(workload.expected(seed, round), code, host, what, failures);
}

// The scripts of every engine, each engine in a folder of its own. The
// folders are made and removed on the test's thread, so that the current
// directory is restored once all engines are done.
class EngineThreads : public ::testing::Test {
 protected:
  EngineThreads() {
    for (int k = 0; k < kEngines; ++k) {
      folders_.push_back(std::make_unique<ScriptFolder>());
      // The folder's path without its final separator, '/' or '\\'.
      std::string folder = folders_.back()->path("x").parent_path().string();
      for (const Workload& w : workloads_) folders_.back()->write(w.file, withFolder(w.text, folder));
    }
  }

  // Runs `body(seed, failures)` on one thread per engine, all starting
  // together, and fails the test with every engine's differences.
  void onEveryEngine(const std::function<void(int seed, std::vector<std::string>& failures)>& body) {
    std::vector<std::vector<std::string>> failures(kEngines);
    StartGate start(kEngines);
    std::vector<std::thread> threads;
    for (int k = 0; k < kEngines; ++k) {
      threads.emplace_back([&, k] {
        start.arriveAndWait();
        body(k + 1, failures[static_cast<size_t>(k)]);
      });
    }
    for (std::thread& t : threads) t.join();
    for (int k = 0; k < kEngines; ++k) {
      for (const std::string& f : failures[static_cast<size_t>(k)]) ADD_FAILURE() << f;
    }
  }

  const ScriptFolder& folderOf(int seed) const { return *folders_[static_cast<size_t>(seed - 1)]; }

  std::vector<Workload> workloads_ = allWorkloads();
  std::vector<std::unique_ptr<ScriptFolder>> folders_;
};

TEST_F(EngineThreads, EachEngineShowsItsOwnResultsRoundAfterRound) {
  onEveryEngine([&](int seed, std::vector<std::string>& failures) {
    for (int round = 1; round <= kRounds && failures.empty(); ++round) {
      for (const Workload& w : workloads_) playOnce(w, folderOf(seed), seed, round, failures);
    }
  });
}

TEST_F(EngineThreads, OneEnginePlaysEveryScriptAgainAndAgain) {
  // The same engine prepares a different program each time: what the
  // previous program left (compiled statements, cached expressions, tables)
  // must not show in the next one.
  onEveryEngine([&](int seed, std::vector<std::string>& failures) {
    RecordingHost host;
    Player player(hostPlatform(), host);
    for (int round = 1; round <= kRounds && failures.empty(); ++round) {
      for (const Workload& w : workloads_) {
        host.printed.clear();
        host.errors.clear();
        host.messages.clear();
        // Every script counts as changed, so that the pre-run check runs
        // each time, as it does for a new engine.
        player.assembler().clearFileTimes();
        ScriptLaunch launch;
        const std::string what =
            "engine " + std::to_string(seed) + " (kept), round " + std::to_string(round) + ", " + w.file;
        if (!player.load(folderOf(seed).widePath(w.file), launch)) {
          failures.push_back(what + ": not loaded");
          continue;
        }
        launch.params = {toU16(seed), toU16(round)};
        const int code = player.play(launch);
        check(w.expected(seed, round), code, host, what, failures);
      }
    }
  });
}

// Counts the lines 1, 2, 3, ... an endless script prints, without keeping
// them, and asks the engine to stop once `stopWhen` is true.
class CountingHost : public EngineHost {
 public:
  explicit CountingHost(const std::atomic<bool>& stopWhen) : stopWhen_(stopWhen) {}
  void showError(const u16& text) override { errors.push_back(toUtf8(text)); }
  void showMessage(const u16& text) override { errors.push_back(toUtf8(text)); }
  void printLine(const u16& text) override {
    ++lines;
    if (toUtf8(text) != std::to_string(lines) && outOfOrder.empty()) {
      outOfOrder = "line " + std::to_string(lines) + " is " + toUtf8(text);
    }
    if (stopWhen_ && engine) engine->stopRequest = 1;
  }
  TUScript* engine = nullptr;
  long long lines = 0;
  std::string outOfOrder;
  std::vector<std::string> errors;

 private:
  const std::atomic<bool>& stopWhen_;
};

TEST_F(EngineThreads, StoppingOneEngineLeavesTheOtherRunning) {
  // Engine 1 loops until it is told to stop; engine 2 plays its scripts
  // meanwhile and must finish them all. The stop request goes to engine 1
  // only once engine 2 is done.
  folderOf(1).write("endless.kov", "i = 0\nWHILE TRUE\n  i = i + 1\n  PRINT i\nWEND\n");
  std::atomic<bool> otherDone{false};
  long long endlessLines = 0;
  onEveryEngine([&](int seed, std::vector<std::string>& failures) {
    if (seed == 2) {
      for (int round = 1; round <= 3; ++round) {
        for (const Workload& w : workloads_) playOnce(w, folderOf(seed), seed, round, failures);
      }
      otherDone = true;
      return;
    }
    CountingHost host(otherDone);
    Player player(hostPlatform(), host);
    host.engine = &player.engine();
    ScriptLaunch launch;
    if (!player.load(folderOf(1).widePath("endless.kov"), launch)) {
      failures.push_back("endless.kov not loaded");
      return;
    }
    const int code = player.play(launch);
    if (!host.errors.empty()) failures.push_back("the stopped engine reported\n" + joined(host.errors));
    if (!host.outOfOrder.empty()) failures.push_back("the stopped engine's " + host.outOfOrder);
    if (code != 0) failures.push_back("the stopped engine ended with " + std::to_string(code));
    endlessLines = host.lines;
  });
  EXPECT_TRUE(otherDone);
  EXPECT_GT(endlessLines, 0);
}

TEST_F(EngineThreads, EnginesWithoutSettingsShareTheProgramsFileWithoutLosingWrites) {
  // Hosts without settings of their own (like the test host) all write the
  // program's own file through one settings object. Each write reads the
  // file, changes it and replaces it: two engines writing at once must not
  // lose each other's keys.
  constexpr int kKeys = 15;
  const std::string section = "KOVA_ENGINE_THREADS_TEST";
  for (int seed = 1; seed <= kEngines; ++seed) {
    folderOf(seed).write("own.kov", "FOR i = 1 TO " + std::to_string(kKeys) + "\n  WRITEINI(\"" + section +
                                        "\", \"k\" + PARAM_STR[0] + \"_\" + i, i * 10)\nNEXT\n");
  }
  auto play = [&](int seed, const std::string& file, std::vector<std::string>& failures) {
    RecordingHost host;
    Player player(hostPlatform(), host);
    ScriptLaunch launch;
    if (!player.load(folderOf(seed).widePath(file), launch)) return failures.push_back(file + " not loaded");
    launch.params = {toU16(seed)};
    if (player.play(launch) != 0 || !host.errors.empty())
      failures.push_back(file + " failed\n" + joined(host.errors));
    if (file == "check.kov") failures.insert(failures.end(), host.printed.begin(), host.printed.end());
  };
  onEveryEngine([&](int seed, std::vector<std::string>& failures) { play(seed, "own.kov", failures); });

  // Every key of both engines is there; then the section goes again.
  folderOf(1).write("check.kov", "FOR e = 1 TO " + std::to_string(kEngines) + "\n  FOR i = 1 TO " +
                                     std::to_string(kKeys) + "\n    v = READINI(\"" + section +
                                     "\", \"k\" + e + \"_\" + i)\n    IF v <> i * 10 THEN PRINT \"k\" + e + "
                                     "\"_\" + i + \" is \" + v\n  NEXT\nNEXT\nDELETEINI(\"" +
                                     section + "\", \"\")\n");
  std::vector<std::string> missing;
  play(1, "check.kov", missing);
  EXPECT_THAT(missing, ::testing::IsEmpty());
}

// Two threads run procedures of one prepared program at the same time, as
// THREAD workers will: they share the compiled statements and the global
// scope. Each fills its own part of a PUBLIC array and writes its own keys
// of a PUBLIC hash table, and runs the statements compiled before the run
// (SELECT, DIM, HASHTBL, TRY, BREAK, WITH, DEF_DLL) concurrently. Nothing may
// be lost, and the ThreadSanitizer build must see no race.
TEST(EngineSharedProgram, TwoThreadsRunProceduresOfOneProgramOverTheSameGlobals) {
  constexpr int kThreads = 2;
  constexpr int kItems = 300;
  ScriptFolder folder;
  folder.write("shared.kov",
               "PUBLIC DIM shared[" + std::to_string(kThreads * kItems) + "]\n"
               "PUBLIC HASHTBL seen\n"
               "PUBLIC limit = " + std::to_string(kItems) + "\n"
               "PROCEDURE work(seed)\n"
               "  DIM own[2] = seed, seed * 2, seed * 3\n"
               "  HASHTBL mine\n"
               "  DEF_DLL MessageBeep(dword): bool: user32\n"
               "  FOR i = 0 TO 100000\n"
               "    IF i >= limit THEN BREAK\n"
               "    SELECT i MOD 3\n"
               "      CASE 0, 3\n"
               "        v = own[0]\n"
               "      CASE 1\n"
               "        v = own[1]\n"
               "      DEFAULT\n"
               "        v = own[2]\n"
               "    SELEND\n"
               "    TRY\n"
               "      shared[(seed - 1) * limit + i] = v * 1000 + i\n"
               "      seen[seed + \"_\" + i] = v\n"
               "      mine[i] = v\n"
               "    EXCEPT\n"
               "      seen[\"error \" + seed] = TRY_ERRMSG\n"
               "    ENDTRY\n"
               "  NEXT\n"
               "  seen[\"count \" + seed] = LENGTH(mine)\n"
               "FEND\n");
  RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  ASSERT_TRUE(player.load(folder.widePath("shared.kov"), launch));
  AssemblyResult assembled = player.assembler().assemble(launch.path, [](u16v) { return std::optional<u16>(); });
  ASSERT_FALSE(assembled.failed);
  TUScript& e = player.engine();
  ASSERT_TRUE(e.prepare(assembled.lines));
  ASSERT_TRUE(e.checkProgram()) << joined(host.errors);
  e.compileProgram();

  THensuFmt top;
  u16 module;
  int kind = 0;
  const int header = e.findFunction(u"WORK", top, module, false, kind);
  ASSERT_GE(header, 0);
  StartGate start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 1; t <= kThreads; ++t) {
    threads.emplace_back([&, t] {
      THensuFmt caller;
      const std::vector<Value> args = {Value::integer(t)};
      const std::vector<u16> texts = {toU16(t)};
      Value result;
      start.arriveAndWait();
      e.runProcedure(u"WORK", header, result, &caller, texts, args, false, kind, module);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_THAT(host.errors, ::testing::IsEmpty());

  auto global = [&](const std::string& expression) {
    std::optional<Value> v = e.evaluate(fromUtf8(expression), e.globalScope());
    return v ? toUtf8(v->toText()) : std::string("(failed)");
  };
  EXPECT_EQ(global("LENGTH(seen)"), std::to_string(kThreads * (kItems + 1)));
  for (int t = 1; t <= kThreads; ++t) {
    EXPECT_EQ(global("seen[\"count " + std::to_string(t) + "\"]"), std::to_string(kItems));
    for (int i = 0; i < kItems; ++i) {
      const int v = t * (i % 3 + 1);
      ASSERT_EQ(global("shared[" + std::to_string((t - 1) * kItems + i) + "]"), std::to_string(v * 1000 + i))
          << "thread " << t << ", item " << i;
    }
  }
}

}  // namespace
}  // namespace kova
