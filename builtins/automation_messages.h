#pragma once
// Messages the window and input families share.

#include "engine/messages.h"

namespace kova {

// A window or input built-in in a build without windows (a catchable error).
inline constexpr Msg kNotOnThisPlatform{u"%s: この環境では使えません", u"%s: not available on this platform"};

}  // namespace kova
