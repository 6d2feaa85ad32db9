#pragma once
// The built-in dispatcher: finds built-ins by name, prepares their
// arguments the one way every built-in gets them, and runs the family's
// handler.

#include <memory>

#include "builtins/builtin_call.h"
#include "engine/builtin_library.h"
#include "engine/name_list.h"

namespace kova {

class BuiltinDispatcher final : public BuiltinLibrary {
 public:
  BuiltinDispatcher();
  int find(u16v name) const override;
  void call(TUScript& engine, int number, const CallForm& call, Value& result, THensuFmt& scope) override;
  int minimumArguments(int number) const override;
  bool isRawPosition(int number, int position) const override;

 private:
  void callNumeric(TUScript& engine, int number, const CallForm& call, Value& result, THensuFmt& scope);
  NameList<int> names_;
  BuiltinHandlers handlers_;
};

// How many arguments a built-in call passes: none for a blank list, and a
// blank last argument after a comma is not one ("F(a, )" passes one, while
// "F(a, , )" passes two, the second empty).
size_t builtinArgumentCount(const CallForm& call);

// The process's built-in library (the handlers never change after start).
BuiltinDispatcher& builtinLibrary();

}  // namespace kova
