#pragma once
// The road of one Play: load the script launch, assemble the script with its
// CALLed files, prepare it, check it when it changed, and run "__MAIN__"
// as often as the repeat count asks. Shared by the GUI program and the
// console runner.

#include <vector>

#include "engine/host.h"
#include "engine/script_assembler.h"
#include "engine/uxscr.h"
#include "platform/platform.h"

namespace kova {

struct ScriptLaunch {
  u16 path;                 // resolved script file
  std::vector<u16> params;  // PARAM_STR
  int repeat = 1;
};

class Player {
 public:
  Player(Platform& platform, EngineHost& host);

  // Resolves a script path given on the command line: ".KOV" is put on a
  // path that has no ".KOV" in it (in place of another extension; ".kov"
  // when only that file exists), and a relative path is taken from the
  // current directory. Reports "FILE Not Found :<path>" (and the path as
  // given, when the extension was put on) and returns false when the file
  // does not exist; otherwise makes its folder the current directory.
  bool load(const u16& pathText, ScriptLaunch& launch);
  // Splits a launch text "PATH.KOV arg1<sep>arg2" into the path and the
  // arguments; a token "-R<n>" sets the repeat count.
  static void splitArguments(u16v argText, char16_t separator, ScriptLaunch& launch);

  // Runs the script (telling the host first that a run starts); returns
  // the process exit code: the script's EXITEXIT code when it set one,
  // else 1 when the run stopped on an error or could not be assembled or
  // prepared, else 0.
  int play(const ScriptLaunch& launch);

  TUScript& engine() { return engine_; }
  ScriptAssembler& assembler() { return assembler_; }

 private:
  static u16 folderOf(const u16& path);

  Platform& platform_;
  EngineHost& host_;
  ScriptAssembler assembler_;
  TUScript engine_;
};

}  // namespace kova
