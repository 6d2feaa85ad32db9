#pragma once
// What every fuzz target shares: a platform with an in-memory script
// folder, a host that swallows output, and a built-in library cut down to
// the functions without effects outside the engine.
//
// A fuzz input must never reach the real machine: the platform serves only
// its in-memory files, refuses every write (the Platform defaults), never
// sleeps, and lets time run fast so that any wait in the engine ends at
// once. Built-ins that touch files, processes, windows or the clock are
// unknown to the engine here (scripts see "It is not here").

#include <cstdio>
#include <map>
#include <string>

#include "app/play.h"
#include "builtins/catalogue.h"
#include "builtins/dispatcher.h"
#include "platform/platform.h"

namespace kova::fuzz {

// Every fuzz input is at most this long (also passed as -max_len): big
// enough for any golden script, small enough that one input stays fast
// under the sanitizers.
inline constexpr size_t kMaxInput = 16384;

class FuzzPlatform final : public Platform {
 public:
  static constexpr char16_t kFolder[] = u"/kova-fuzz";

  // Replaces the folder's files by one file, main.kov.
  void setMainScript(std::string bytes) {
    files_.clear();
    files_[key(u16(kFolder) + u"/main.kov")] = std::move(bytes);
    current_ = kFolder;
  }
  u16 mainPath() const { return u16(kFolder) + u"/main.kov"; }

  void processMessages() override {}
  bool messagesPending() override { return false; }
  void yieldTimeSlice() override {}
  void sleepMs(uint32_t) override {}
  // A second passes between any two looks at the clock.
  uint32_t tickCount() override { return ticks_ += 1000; }
  uint64_t currentThreadId() override { return 1; }

  u16 currentDirectory() override { return current_; }
  bool setCurrentDirectory(const u16& path) override {
    if (!directoryExists(path)) return false;
    current_ = path;
    return true;
  }
  bool fileExists(const u16& path) override { return files_.count(key(path)) != 0; }
  bool directoryExists(const u16& path) override { return key(path) == key(kFolder); }
  std::optional<uint32_t> fileDosTime(const u16& path) override {
    if (!fileExists(path)) return std::nullopt;
    return 0x5A210000u;  // 2025-01-01 00:00
  }
  std::optional<std::string> readFileBytes(const u16& path) override {
    const auto it = files_.find(key(path));
    if (it == files_.end()) return std::nullopt;
    return it->second;
  }

  unsigned ansiCodePage() override { return real_.ansiCodePage(); }
  u16 codePageToWide(unsigned codePage, std::string_view bytes) override {
    return real_.codePageToWide(codePage, bytes);
  }
  std::string wideToCodePage(unsigned codePage, u16v text, bool* lossless) override {
    return real_.wideToCodePage(codePage, text, lossless);
  }
  bool systemLanguageIsJapanese() override { return false; }
  double localDateTimeNow() override { return 45658.5; }  // 2025-01-01 12:00
  size_t currentThreadStackSize() override { return real_.currentThreadStackSize(); }

 private:
  // Paths compare without case, with either separator, ignoring "./" steps.
  static std::string key(u16v path) {
    u16 p = upperFull(path);
    for (char16_t& c : p) {
      if (c == u'\\') c = u'/';
    }
    for (size_t at; (at = p.find(u"/./")) != u16::npos;) p.erase(at, 2);
    return toUtf8(p);
  }

  Platform& real_ = hostPlatform();
  std::map<std::string, std::string> files_;
  u16 current_ = kFolder;
  uint32_t ticks_ = 0;
};

// Shows nothing, but treats a C++ exception that reached one of the
// engine's last-resort handlers as a finding: such a message starts with
// the handler's place and carries the library's text (for example
// "kaiseki:basic_string::substr"), not one in KOVA's own words.
class SilentHost final : public EngineHost {
 public:
  void showError(const u16& text) override { inspect(text); }
  void showMessage(const u16& text) override { inspect(text); }
  void printLine(const u16&) override {}

 private:
  static void inspect(const u16& text) {
    static constexpr const char16_t* kLastResort[] = {
        u"kaiseki:",      u"KansuCall:", u"UScrCall:",      u"ChkKB_",    u"FReLoad",     u"pplay:",
        u"creUscrptFil:", u"IFB-ENDIF:", u"SELECT-SELEND:", u"FOR-NEXT:", u"WHILE-WEND:", u"REPEAT-UNTIL:"};
    for (const char16_t* p : kLastResort) {
      if (startsWith(text, p)) {
        std::fprintf(stderr, "internal failure shown to the script: %s\n", toUtf8(text).c_str());
        __builtin_trap();
      }
    }
  }
};

// The numeric, string, conversion and array built-ins; every other name is
// unknown.
class SafeBuiltins final : public BuiltinLibrary {
 public:
  explicit SafeBuiltins(BuiltinLibrary& all) : all_(all) {}
  int find(u16v name) const override {
    const int n = all_.find(name);
    if (n < 0 || n >= kBuiltinCount) return -1;
    const BuiltinFamily f = kBuiltins[static_cast<size_t>(n)].family;
    return f == BuiltinFamily::Numeric || f == BuiltinFamily::Strings ? n : -1;
  }
  void call(TUScript& engine, int number, const CallForm& call, Value& result, THensuFmt& scope) override {
    all_.call(engine, number, call, result, scope);
  }
  int minimumArguments(int number) const override { return all_.minimumArguments(number); }
  bool isRawPosition(int number, int position) const override { return all_.isRawPosition(number, position); }

 private:
  BuiltinLibrary& all_;
};

// One engine on the fuzz platform, with the safe built-ins.
struct FuzzEngine {
  FuzzEngine() : player(platform(), host) { player.engine().builtins = &safe; }

  // The platform is shared by every engine of the process: the engine
  // keeps the first one it sees for narrow-text conversions.
  static FuzzPlatform& platform() {
    static FuzzPlatform p;
    return p;
  }

  // Assembles main.kov and its CALLed files. False when that failed.
  bool assemble(std::vector<u16>& lines) {
    TUScript& e = player.engine();
    const auto evaluateString = [&e](u16v expression) -> std::optional<u16> {
      std::optional<Value> v = e.evaluate(expression, e.globalScope());
      if (!v) return std::nullopt;
      return v->toText();
    };
    AssemblyResult r = player.assembler().assemble(platform().mainPath(), evaluateString);
    if (r.failed) return false;
    lines = std::move(r.lines);
    return true;
  }

  SilentHost host;
  SafeBuiltins safe{builtinLibrary()};
  Player player;
};

}  // namespace kova::fuzz
