// The console runner: `kovac.exe` on Windows, `kova` natively.
//   kovac [--lang ja|en] [--] SCRIPT [ARGS...]
// PRINT lines go to stdout as UTF-8, one line each; what the GUI would show
// in its error dialog or message boxes goes to stderr, and so does a note
// where a script asks for a form the GUI would show (LOGPRINT, STOPFORM). Messages are in the
// system's language (Japanese on a Japanese system) unless --lang says
// otherwise; "--" ends the options, so a script name may start with "--".
// A wrong command line prints the usage and exits with 2.

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "app/play.h"
#include "app/program_host.h"
#include "engine/messages.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace kova {
namespace {

// Writes text as UTF-8 lines; CR LF and lone CR inside the text become line
// breaks so that every line of the output is one line of the text.
void writeLines(std::FILE* out, u16v text) {
  std::string bytes = toUtf8(text);
  std::string normalised;
  normalised.reserve(bytes.size() + 1);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      normalised.push_back('\n');
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      normalised.push_back(bytes[i]);
    }
  }
  normalised.push_back('\n');
  std::fwrite(normalised.data(), 1, normalised.size(), out);
  std::fflush(out);
}

// What the console runner says where the GUI program would show a form.
constexpr Msg kNoLogWindow{
    u"LOGPRINT: コンソール版にはログウィンドウがありません。PRINTの行は標準出力に出ます",
    u"LOGPRINT: the console runner has no log window; PRINT lines go to stdout"};
constexpr Msg kNoStopForm{u"STOPFORM: コンソール版には停止フォームがありません。スクリプトはそのまま続きます",
                          u"STOPFORM: the console runner has no stop form; the script goes on without it"};

class ConsoleHost final : public ProgramHost {
 public:
  using ProgramHost::ProgramHost;
  void showError(const u16& text) override { writeLines(stderr, text); }
  void showMessage(const u16& text) override { writeLines(stderr, text); }
  // PRINT lines go to stdout whatever LOGPRINT said: stdout is what a
  // caller of the console runner reads, and hiding it would lose them.
  void printLine(const u16& text) override { writeLines(stdout, text); }

  void runStarting() override { noLogWindowSaid_ = noStopFormSaid_ = false; }
  // Asked to show a form it does not have, the runner says so once per
  // run (a script may switch its forms in a loop) and goes on; hiding a
  // form that is not there needs no word.
  void setLogVisible(bool show) override {
    if (show) sayOnce(noLogWindowSaid_, kNoLogWindow);
  }
  void setStopFormVisible(bool show) override {
    if (show) sayOnce(noStopFormSaid_, kNoStopForm);
  }

 private:
  static void sayOnce(std::atomic<bool>& said, const Msg& message) {
    if (!said.exchange(true)) writeLines(stderr, text(message));
  }

  std::atomic<bool> noLogWindowSaid_{false};
  std::atomic<bool> noStopFormSaid_{false};
};

// The program's own file name without ".exe": "kovac" or "kova".
std::string programName(Platform& platform) {
  u16 path = platform.executablePath();
  const size_t sep = path.find_last_of(u"\\/");
  if (sep != u16::npos) path.erase(0, sep + 1);
  if (path.size() > 4 && upperAscii(path.substr(path.size() - 4)) == u".EXE") path.resize(path.size() - 4);
  return path.empty() ? "kovac" : toUtf8(path);
}

int usage(Platform& platform) {
  const std::string line = "usage: " + programName(platform) + " [--lang ja|en] [--] SCRIPT [ARGS...]\n";
  std::fputs(line.c_str(), stderr);
  return 2;
}

int runConsole(const std::vector<u16>& args) {
  Platform& platform = hostPlatform();
  setLanguage(platform.systemLanguageIsJapanese() ? Language::Japanese : Language::English);
  size_t i = 0;
  while (i < args.size() && startsWith(args[i], u"--")) {
    if (args[i] == u"--lang" && i + 1 < args.size()) {
      if (args[i + 1] == u"ja") setLanguage(Language::Japanese);
      else if (args[i + 1] == u"en") setLanguage(Language::English);
      else return usage(platform);
      i += 2;
    } else if (args[i] == u"--") {
      ++i;
      break;
    } else {
      return usage(platform);
    }
  }
  if (i >= args.size()) return usage(platform);
  ConsoleHost host(platform);
  Player player(platform, host);
  ScriptLaunch launch;
  if (!player.load(args[i], launch)) return 1;
  launch.params.assign(args.begin() + static_cast<long>(i) + 1, args.end());
  return player.play(launch);
}

}  // namespace
}  // namespace kova

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<kova::u16> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  return kova::runConsole(args);
}
#else
int main(int argc, char** argv) {
  std::vector<kova::u16> args;
  for (int i = 1; i < argc; ++i) args.push_back(kova::fromUtf8(argv[i]));
  return kova::runConsole(args);
}
#endif
