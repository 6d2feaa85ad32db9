// The catalogue of named constants. Families are filled in as the built-in
// families that use them arrive; a name that is not (yet) a constant is
// simply not one, so a script sees "It isn't defined".

#include "engine/named_constants.h"

#include "engine/uxscr.h"

namespace kova {

double constantValue(TUScript&, const u16&) { return kNoSuchConstant; }

u16 textConstant(TUScript&, const u16&) { return {}; }

}  // namespace kova
