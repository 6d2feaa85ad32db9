#pragma once
// Named constants of the language: numeric ones (always Doubles) and the
// GET_ text constants. Both compare the name exactly (names arrive
// upper-cased from the front end).

#include "util/u16.h"

namespace kova {

class TUScript;

inline constexpr double kNoSuchConstant = -888888;

// The value of a numeric constant, or kNoSuchConstant.
double constantValue(TUScript& engine, const u16& name);
// True when `name` is a numeric constant whose value never changes (every
// one but those of the G_, GET_ and COM_ families, which read the system or
// the run's state).
bool isFixedConstant(TUScript& engine, const u16& name);
// The text of a GET_ text constant (or EMPTYPARAM); empty when none.
u16 textConstant(TUScript& engine, const u16& name);
// True when `name` is a text constant, also when its text is empty at the
// moment (a folder the system does not have).
bool isTextConstantName(u16v name);

}  // namespace kova
