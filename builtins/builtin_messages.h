#pragma once
// Messages of argument preparation that handlers raise too.

#include "engine/messages.h"

namespace kova {

// An argument that must be a number is none (the numeric built-ins).
inline constexpr Msg kNotNumber{u"%s: 数値以外である", u"Things except numerical value: %s"};

}  // namespace kova
