#include "engine/name_resolver.h"

namespace kova {

GlobalCandidates::GlobalCandidates(const u16& name, u16v moduleName, u16v instanceText) {
  if (startsWith(name, u"THIS.")) {
    made_[0] = u16(moduleName) + name.substr(4);
    count_ = 1;
  } else if (startsWith(name, u"GLOBAL.")) {
    made_[0] = name.substr(7);
    count_ = 1;
  } else if (startsWith(name, u".")) {
    made_[0] = upperFull(instanceText) + name;
    count_ = 1;
    withMember_ = true;
  } else if (!moduleName.empty() && name.find(u'.') == u16::npos) {
    made_[0] = u16(moduleName) + u"." + name;
    made_[1] = name;
    count_ = 2;
  } else {
    // The common case, a name outside a module: no copy.
    single_ = &name;
    count_ = 1;
  }
}

}  // namespace kova
