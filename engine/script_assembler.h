#pragma once
// ScriptAssembler: reads the main script file and every file it CALLs and
// produces one flat list of normalised lines. Each file's main-level code is
// wrapped into a procedure of its own ("__MAIN__" for the main file, the
// file's path for an included file) and CALL statements are rewritten to
// call those wrappers. Every file is read once per assembly.

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include "engine/host.h"
#include "engine/name_list.h"
#include "platform/platform.h"
#include "util/u16.h"

namespace kova {

struct AssemblyResult {
  std::vector<u16> lines;
  bool failed = false;
  bool changed = false;  // some file is newer than its remembered time
};

class ScriptAssembler {
 public:
  // Evaluates a quoted CALL path as a string expression; empty on error
  // (the evaluator has reported it).
  using StringEvaluator = std::function<std::optional<u16>(u16v expression)>;

  ScriptAssembler(Platform& platform, EngineHost& host) : platform_(platform), host_(host) {}

  // Assembles the script at `mainPath`. When that file does not exist and
  // `inMemory` is given, those lines are used instead (a recorded, unsaved
  // script); such a run never counts as changed.
  AssemblyResult assemble(const u16& mainPath, const StringEvaluator& evaluate,
                          const std::vector<u16>* inMemory = nullptr);

  // DOS date/time of the last write of every file of the last assembly:
  // slot 0 the main file, slot k the k-th included file. Survives between
  // runs so that an unchanged script is not checked again.
  std::vector<uint32_t> fileTimes;
  void clearFileTimes() { fileTimes.clear(); }

  // Path helpers, public for tests.
  static u16 wrapperName(u16v resolvedPath);
  static u16 fileKey(u16v resolvedPath);
  // Resolves a CALL path against the include directory (empty for lines
  // of the main file, which resolve against `currentDir`).
  static u16 resolveCallPath(u16v path, u16v includeDir, u16v currentDir);

 private:
  struct Lines {
    std::vector<u16> text;
    std::vector<bool> raw;  // a textblock line, passed through unchanged
  };

  bool readFile(const u16& path, const u16& shownName, std::vector<u16>& out);
  bool normaliseAndWrap(const std::vector<u16>& source, const u16& wrapper, Lines& out);
  bool expandCall(u16& line, const u16& includeDir, const StringEvaluator& evaluate, Lines& all);
  void noteTime(size_t slot, const u16& path, bool& changed);

  Platform& platform_;
  EngineHost& host_;
  NameList<int> moduleNumbers_;
  std::unordered_set<u16> includedKeys_;
  size_t nextSlot_ = 1;
  bool changed_ = false;
};

}  // namespace kova
