#pragma once
// The catalogue of built-in functions: one row per built-in, in the order
// of their numbers. Each row holds the name, the family, the least number
// of arguments a call must give, the raw (by-reference) positions and the
// positions that accept non-numeric text.

#include <array>
#include <cstdint>

namespace kova {

enum class BuiltinFamily : uint8_t {
  Numeric,
  Strings,
  Files,
  Dialogs,
  Com,
  Spreadsheet,
  Browser,
  Speech,
  System,
  HotKeys,
  Windows,
  Controls,
  ItemLists,
  Unspecified,
  Input,
  Images,
};

// Positions are bit masks: bit k set for argument k. kFromPosition(k) sets
// k and every later position (up to the 34 arguments a call may have).
constexpr uint64_t kPos(int k) { return uint64_t{1} << k; }
constexpr uint64_t kFromPosition(int k) { return ~uint64_t{0} << k; }

struct BuiltinInfo {
  const char16_t* name;
  BuiltinFamily family;
  int8_t minimumArguments;  // -1: checked only for running out of arguments
  uint64_t rawPositions;
  uint64_t textPositions;
};

inline constexpr int kBuiltinCount = 127;
inline constexpr int kMaxBuiltinArguments = 34;

extern const std::array<BuiltinInfo, kBuiltinCount> kBuiltins;

// Numbers of built-ins that the dispatcher treats specially.
enum BuiltinNumber : int {
  kInt = 0, kAbs = 1, kZcut = 2, kRound = 3, kSqrt = 4, kPower = 5, kSin = 6, kCos = 7, kTan = 8,
  kExp = 9, kLn = 10, kLogn = 11,
  kSckey = 25,
  kClkitem = 23,
  kVartype = 109,
  kCeil = 88, kArcsin = 89, kArccos = 90, kArctan = 91,
};

constexpr bool isNumericBuiltin(int n) { return (n >= 0 && n <= 11) || (n >= 88 && n <= 91); }

}  // namespace kova
