#pragma once
// The catalogue of built-in functions: one compile-time row per built-in,
// in the order of their numbers (the numbering scripts depend on). A row
// holds everything the engine and the dispatcher know of a built-in: its
// name, number, family, the least number of arguments a call must give,
// the raw (by-reference) positions, the positions that accept non-numeric
// text, how its arguments are prepared, and its handler. catalogue.cpp
// checks the table at compile time.

#include <array>
#include <cstddef>
#include <cstdint>

#include "util/u16.h"

namespace kova {

struct BuiltinCall;
using BuiltinFn = void (*)(BuiltinCall&);

// A row's handler: made from a function, never from null. The handler of
// the families not available yet is marked as such, so that the table's
// compile-time checks need not compare function addresses (which GCC does
// not fold while null-pointer checks are kept, as under UBSan).
struct BuiltinHandler {
  constexpr BuiltinHandler() = default;
  constexpr BuiltinHandler(BuiltinFn f) : fn(f), set(true) {}  // NOLINT: rows name a function
  BuiltinHandler(std::nullptr_t) = delete;
  static constexpr BuiltinHandler notAvailable(BuiltinFn f) {
    BuiltinHandler h(f);
    h.available = false;
    return h;
  }
  void operator()(BuiltinCall& call) const { fn(call); }

  BuiltinFn fn = nullptr;
  bool set = false;  // false only in a row left out of the table
  bool available = true;
};

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

// How the dispatcher prepares a call's arguments.
enum class ArgumentRule : uint8_t {
  // Every argument given is evaluated (raw positions are passed as their
  // text) and read in its forms; a text that is no number is refused
  // outside the text positions.
  Forms,
  // At most the first three arguments are evaluated, each of which must be
  // a number; further arguments are ignored.
  Numbers,
  // Forms, and from position 1 on an argument of one character names a key
  // ("a" is VK_A).
  BareKeyNames,
  // Forms, and position 2 also accepts empty text.
  EmptyTextAt2,
  // Forms, but position 0 is passed only as its value: any value, without
  // text or number forms.
  ValueAt0,
};

// Positions are bit masks: bit k set for argument k. kFromPosition(k) sets
// k and every later position.
constexpr uint64_t kPos(int k) { return uint64_t{1} << k; }
constexpr uint64_t kFromPosition(int k) { return ~uint64_t{0} << k; }

inline constexpr int kBuiltinCount = 127;
// A built-in takes at most 34 arguments; SCKEY alone takes a window and
// 34 keys (the prepared room has 35 slots).
inline constexpr int kMaxBuiltinArguments = 34;
inline constexpr int kMaxSckeyArguments = 35;

struct BuiltinInfo {
  const char16_t* name;  // upper case
  int number;            // the row's index
  BuiltinFamily family;
  int8_t minimumArguments;  // -1: checked only for running out of arguments
  uint64_t rawPositions;
  uint64_t textPositions;
  BuiltinHandler handler;
  ArgumentRule rule = ArgumentRule::Forms;
};

extern const std::array<BuiltinInfo, kBuiltinCount> kBuiltins;

// The number of the built-in named `name`, compared without case; -1 when
// there is none.
int findBuiltin(u16v name);

// The handler of the built-ins whose family is not available yet: reports
// "this function is not available yet" (a catchable error).
void notAvailableYet(BuiltinCall& call);

}  // namespace kova
