#pragma once
// The engine's view of the built-in function library. The library lives in
// builtins/ and reaches the engine only through TUScript's public
// interface; the engine reaches the library only through this interface.

#include "engine/call_form.h"
#include "engine/value.h"
#include "util/u16.h"

namespace kova {

class TUScript;
class THensuFmt;

class BuiltinLibrary {
 public:
  virtual ~BuiltinLibrary() = default;
  // The number of the built-in named `name` (compared without case), or -1.
  virtual int find(u16v name) const = 0;
  // Runs built-in `number` with the arguments of `call` (split and parsed
  // once per call site); the result stays the empty narrow string when the
  // call fails (the failure has been reported).
  virtual void call(TUScript& engine, int number, const CallForm& call, Value& result, THensuFmt& scope) = 0;
  // The least number of arguments a call must give, or -1 when a call is
  // checked only for running out of arguments.
  virtual int minimumArguments(int number) const = 0;
  // Whether argument `position` of built-in `number` is passed as raw text
  // (a variable or array name the function reads or writes).
  virtual bool isRawPosition(int number, int position) const = 0;
};

}  // namespace kova
