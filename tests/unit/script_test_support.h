#pragma once
// Helpers for tests that run the front end and the engine on scripts
// written to a fresh temporary folder.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/play.h"
#include "engine/messages.h"
#include "platform/platform.h"

namespace kova::testing {

// Records everything the engine shows.
class RecordingHost : public EngineHost {
 public:
  void showError(const u16& text) override { errors.push_back(toUtf8(text)); }
  void showMessage(const u16& text) override { messages.push_back(toUtf8(text)); }
  void printLine(const u16& text) override {
    printed.push_back(toUtf8(text));
    if (onPrint) onPrint(text);
  }
  std::vector<std::string> errors;
  std::vector<std::string> messages;
  std::vector<std::string> printed;
  std::function<void(const u16&)> onPrint;
};

// A temporary folder that is removed again, and the current directory
// restored, when the object goes out of scope.
class ScriptFolder {
 public:
  ScriptFolder() {
    // ctest runs test processes side by side: the name must differ between
    // processes, not only between the folders of one process (whose threads
    // may make folders at the same time).
    static std::atomic<int> counter{0};
    static const unsigned processTag = std::random_device{}();
    dir_ = std::filesystem::temp_directory_path() /
           ("kova_test_" + std::to_string(processTag) + "_" + std::to_string(++counter));
    std::filesystem::create_directories(dir_);
    saved_ = hostPlatform().currentDirectory();
  }
  ~ScriptFolder() {
    hostPlatform().setCurrentDirectory(saved_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // Writes `bytes` to a file below the folder ("sub/x.kov" creates "sub").
  void write(const std::string& relative, const std::string& bytes) const {
    const auto path = dir_ / std::filesystem::path(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::filesystem::path path(const std::string& relative) const { return dir_ / relative; }
  u16 widePath(const std::string& relative) const { return path(relative).u16string(); }

 private:
  std::filesystem::path dir_;
  u16 saved_;
};

// One prepared script: the statement table as texts, kinds and origins.
struct PreparedScript {
  bool assemblyFailed = false;
  bool stopped = false;  // preparation or the pre-run check reported an error
  std::vector<std::string> lines;  // assembled lines
  std::vector<std::string> texts;
  std::vector<int> kinds;
  std::vector<std::string> origins;
  std::vector<std::string> errors;
  std::vector<std::string> messages;
};

inline std::string utf8(const u16& s) { return toUtf8(s); }

// Assembles and prepares `files["main.kov"]` (and the files it CALLs), then
// runs the pre-run check, as Play does for a changed script.
inline PreparedScript prepareScript(const std::map<std::string, std::string>& files,
                                    Language lang = Language::English) {
  setLanguage(lang);
  ScriptFolder folder;
  for (const auto& [name, text] : files) folder.write(name, text);
  RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  PreparedScript out;
  if (!player.load(folder.widePath("main.kov"), launch)) {
    out.assemblyFailed = true;
    out.messages = host.messages;
    return out;
  }
  AssemblyResult assembled = player.assembler().assemble(launch.path, [](u16v) { return std::optional<u16>(); });
  out.assemblyFailed = assembled.failed;
  for (const u16& l : assembled.lines) out.lines.push_back(utf8(l));
  if (!assembled.failed) {
    TUScript& e = player.engine();
    e.prepare(assembled.lines);
    if (!e.stopFlag) e.checkProgram();
    out.stopped = e.stopFlag;
    for (int i = 0; i < e.program.size(); ++i) {
      out.texts.push_back(utf8(e.program.statementText[i]));
      out.kinds.push_back(e.program.statementKind[i]);
      out.origins.push_back(utf8(e.program.origin(i)));
    }
  }
  out.errors = host.errors;
  out.messages = host.messages;
  setLanguage(Language::English);
  return out;
}

struct RunResult {
  int exitCode = 0;
  std::vector<std::string> printed;
  std::vector<std::string> errors;
  std::vector<std::string> messages;
};

// Runs `files["main.kov"]` through the whole Play road.
inline RunResult runScript(const std::map<std::string, std::string>& files, std::vector<u16> params = {},
                           Language lang = Language::English, RecordingHost* hostIn = nullptr) {
  setLanguage(lang);
  ScriptFolder folder;
  for (const auto& [name, text] : files) folder.write(name, text);
  RecordingHost localHost;
  RecordingHost& host = hostIn ? *hostIn : localHost;
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  RunResult out;
  if (!player.load(folder.widePath("main.kov"), launch)) {
    out.exitCode = 1;
  } else {
    launch.params = std::move(params);
    out.exitCode = player.play(launch);
  }
  out.printed = host.printed;
  out.errors = host.errors;
  out.messages = host.messages;
  setLanguage(Language::English);
  return out;
}

}  // namespace kova::testing
