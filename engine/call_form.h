#pragma once
// The parts of a call text "NAME(arg, arg)" that do not depend on where the
// call runs, split once: the name, the argument list as written (built-ins
// take it as text) and each trimmed argument with its parsed tree. Which
// function the name means is still decided on every call, since that
// depends on the calling scope (modules, WITH).

#include <memory>
#include <mutex>
#include <vector>

#include "util/u16.h"

namespace kova {

struct ParsedExpression;

struct CallForm {
  u16 name;       // trimmed, as written
  u16 upperName;  // upper-cased
  u16 argList;    // between the parentheses, as written
  bool noArguments = true;  // the argument list is blank
  std::vector<u16> argTexts;  // trimmed pieces split at top-level commas
  std::vector<std::shared_ptr<const ParsedExpression>> argTrees;
};

// A call node's form, made the first time the node is evaluated.
struct CallSlot {
  std::once_flag once;
  std::unique_ptr<CallForm> form;
};

}  // namespace kova
