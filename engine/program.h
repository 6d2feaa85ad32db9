#pragma once
// The prepared program: what the preparer builds from the assembled line
// list and the executor walks. Rebuilt on every preparation; unchanged
// during a run except for statement kinds set on first execution, header
// parameter caches and DEF_DLL texts.

#include <cstdint>
#include <vector>

#include "engine/name_list.h"
#include "engine/value.h"
#include "util/u16.h"

namespace kova {

// Statement kind codes. 0 means "not classified yet"; 1-4 are set by the
// executor on first execution, the rest by preparation.
enum StatementKind : int32_t {
  kUnclassified = 0,
  kAssignment = 1,
  kComPropertyAssignment = 2,
  kComMethodCall = 3,
  kCallStatement = 4,
  kIfb = 12,
  kEndif = 13,
  kElse = 14,
  kFor = 15,
  kNext = 16,
  kWhile = 17,
  kWend = 18,
  kRepeat = 19,
  kUntil = 21,
  kSelect = 22,
  kSelend = 23,
  kCase = 24,
  kDefault = 25,
  kTry = 26,
  kFinally = 27,
  kExcept = 28,
  kEndtry = 29,
  kPrint = 31,
  kThread = 32,
  kDefDll = 33,
  kDim = 34,
  kHashtbl = 35,
  kBreak = 36,
  kContinue = 37,
  kExit = 38,
  kCall = 39,
  kExitExit = 41,
  kWith = 42,
  kEndwith = 43,
  kComErrIgn = 44,
  kComErrRet = 45,
  kFend = 49,
  kNop = 51,
  kCachedHeader = 999,
};

// Marker texts of the prepared program.
inline constexpr char16_t kErrorMarker[] = u"__KOVA_ERROR_ARI__";
inline constexpr char16_t kNopMarker[] = u"__DF_KOVA_SYNTAX_NOP__";
inline constexpr char16_t kMainProcedure[] = u"__MAIN__";
// Separates the fields that the block check writes into opener texts.
inline constexpr char16_t kFieldSeparator = u'`';

inline bool isErrorMarker(u16v s) { return startsWith(s, kErrorMarker); }
inline u16 errorMarker(u16v message) { return u16(kErrorMarker) + u16(message); }

// Settings made by OPTION statements.
struct ScriptOptions {
  bool explicitDecl = false;
  bool sameStr = false;
  bool optPublic = false;
  bool optFinally = false;
  bool specialChar = false;
  bool shortCircuit = false;
  bool roundValue = false;
  bool oldBusy = false;
  bool oldBool = false;
  u16 dlgTitle;
  bool logModeSet = false;
  int logMode = 0;
  bool logPathSet = false;
  u16 logPath;
  bool logLinesSet = false;
  int logLines = 0;
  bool defaultFontSet = false;
  u16 defaultFontName;
  int defaultFontSize = 0;
  bool positionSet = false;
  int positionX = 0;
  int positionY = 0;
};

struct FunctionEntry {
  int kind = 0;  // 1 FUNCTION, 2 PROCEDURE
  int headerLine = 0;
};

// A number not given to any earlier prepared program of this process.
uint32_t nextProgramGeneration();

struct PreparedProgram {
  // Changes whenever the program is emptied, so that what was learnt about
  // one program (a call site's function) is never taken for another one.
  uint32_t generation = nextProgramGeneration();
  std::vector<u16> statementText;
  std::vector<int32_t> statementKind;
  std::vector<std::vector<u16>> headerParams;
  std::vector<std::vector<int32_t>> headerParamModes;

  NameList<FunctionEntry> functionIndex;
  NameList<int> moduleIndex;  // module sequence number
  NameList<Value> constTable;
  NameList<u16> textblockTable;
  NameList<u16> dllDeclTable;  // DEF_DLL name -> declaration rest
  ScriptOptions options;

  int size() const { return static_cast<int>(statementText.size()); }

  // Origins are kept scrambled in memory (every code unit XOR-ed with a fixed
  // mask) so that a memory dump of a running packaged script does not show
  // its source lines in plain text.
  void addOrigin(u16v origin);
  u16 origin(int index) const;
  void reserve(size_t lines) {
    statementText.reserve(lines);
    scrambledOrigin_.reserve(lines);
  }
  void clear();

 private:
  std::vector<u16> scrambledOrigin_;
};

}  // namespace kova
