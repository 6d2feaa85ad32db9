#pragma once
// The parts of a call text "NAME(arg, arg)" that do not depend on where the
// call runs, split once: the name, the argument list as written (built-ins
// take it as text) and each trimmed argument with its parsed tree and its
// upper-cased text (the name a VAR parameter writes back to).
//
// Which function the name means depends on the calling scope (modules,
// WITH) in general. A name without a dot called from outside a module is
// looked up by itself alone, so the call remembers the function (or, when
// no user function has the name, the built-in) it found for that case,
// together with the generation of the program it was found in; any other
// case is looked up on every call.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/slot_hint.h"
#include "util/u16.h"

namespace kova {

struct ParsedExpression;

// The user function a call site's plain name resolved to. One relaxed
// 64-bit atomic, so that threads running the same call need no lock:
// generation << 32 | (header + 1) << 2 | kind; 0 means nothing remembered.
struct ResolvedFunction {
  mutable std::atomic<uint64_t> packed{0};

  // The remembered header line for program generation `generation`, or -1.
  int headerFor(uint32_t generation, int& kind) const {
    const uint64_t p = packed.load(std::memory_order_relaxed);
    if (p == 0 || static_cast<uint32_t>(p >> 32) != generation) return -1;
    kind = static_cast<int>(p & 3);
    return static_cast<int>((p & 0xFFFFFFFFu) >> 2) - 1;
  }
  void remember(uint32_t generation, int header, int kind) const {
    if (header < 0 || header >= (1 << 29) || kind < 0 || kind > 3) return;
    packed.store(uint64_t{generation} << 32 | uint64_t(header + 1) << 2 | uint64_t(kind), std::memory_order_relaxed);
  }

  // The same for a name that is no user function but a built-in:
  // generation << 32 | (number + 1).
  mutable std::atomic<uint64_t> builtin{0};
  int builtinFor(uint32_t generation) const {
    const uint64_t p = builtin.load(std::memory_order_relaxed);
    if (p == 0 || static_cast<uint32_t>(p >> 32) != generation) return -1;
    return static_cast<int>(p & 0xFFFFFFFFu) - 1;
  }
  void rememberBuiltin(uint32_t generation, int number) const {
    if (number < 0) return;
    builtin.store(uint64_t{generation} << 32 | uint64_t(number + 1), std::memory_order_relaxed);
  }
};

struct CallForm {
  u16 name;       // trimmed, as written
  u16 upperName;  // upper-cased
  bool hasDot = false;  // the name holds a "." (module member, COM member)
  u16 argList;    // between the parentheses, as written
  bool noArguments = true;  // the argument list is blank
  std::vector<u16> argTexts;  // trimmed pieces split at top-level commas
  std::vector<u16> upperArgTexts;  // the same, upper-cased
  std::vector<std::shared_ptr<const ParsedExpression>> argTrees;
  // Per argument: a plain name a VAR parameter can write back to (no
  // indexes), as isAssignableName judges the text.
  std::vector<uint8_t> argIsPlainName;
  // Where each argument's name was last found in the calling scope when a
  // VAR parameter wrote back to it.
  std::vector<SlotHint> argHints;
  ResolvedFunction resolved;
};

// A call node's form, made the first time the node is evaluated.
struct CallSlot {
  std::once_flag once;
  std::unique_ptr<CallForm> form;
};

}  // namespace kova
