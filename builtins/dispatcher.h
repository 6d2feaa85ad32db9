#pragma once
// The built-in dispatcher: finds built-ins by name in the catalogue,
// prepares their arguments by their row's rule, and runs the row's handler.

#include "builtins/builtin_call.h"
#include "engine/builtin_library.h"

namespace kova {

class BuiltinDispatcher final : public BuiltinLibrary {
 public:
  int find(u16v name) const override;
  void call(TUScript& engine, int number, const CallForm& call, Value& result, THensuFmt& scope) override;
  int minimumArguments(int number) const override;
  bool isRawPosition(int number, int position) const override;
};

// How many arguments a built-in call passes: none for a blank list, and a
// blank last argument after a comma is not one ("F(a, )" passes one, while
// "F(a, , )" passes two, the second empty).
size_t builtinArgumentCount(const CallForm& call);

// The process's built-in library.
BuiltinDispatcher& builtinLibrary();

}  // namespace kova
