#pragma once
// What a name written in a procedure stands for among the global names of
// the program. Reads and writes of variables, hash tables, calls of user
// functions, the pre-run check and the built-ins that take a variable's
// name all ask here, so that a name means the same to each of them.
//
// The candidates of an upper-cased name, in the order they are tried:
//   "THIS.X"    the member X of the scope's module M: "M.X"
//   "GLOBAL.X"  the global X: "X"
//   ".X"        the member X of the current WITH value W: "W.X"
//   "X"         inside module M: "M.X", then "X"; outside a module: "X"
//   "A.B"       itself
// Local variables come before all of them; calls try the name as written
// last of all (a function named "A.B").

#include <cstddef>

#include "util/u16.h"

namespace kova {

class GlobalCandidates {
 public:
  // `moduleName` is the scope's module (empty outside modules), upper-cased;
  // `instanceText` the WITH value's text as the scope holds it.
  GlobalCandidates(const u16& upperName, u16v moduleName, u16v instanceText);
  GlobalCandidates(const GlobalCandidates&) = delete;
  GlobalCandidates& operator=(const GlobalCandidates&) = delete;

  const u16* begin() const { return single_ ? single_ : made_; }
  const u16* end() const { return begin() + count_; }
  size_t size() const { return count_; }
  // True for a ".X" name: whether it qualifies a function depends on the
  // WITH value being a module's name.
  bool withMember() const { return withMember_; }

 private:
  const u16* single_ = nullptr;  // the name itself, when it is its only candidate
  u16 made_[2];
  size_t count_ = 0;
  bool withMember_ = false;
};

}  // namespace kova
