#include "engine/messages.h"

namespace kova {

namespace {
std::atomic<Language> gLanguage{Language::English};
}

void setLanguage(Language l) { gLanguage.store(l, std::memory_order_relaxed); }
Language language() { return gLanguage.load(std::memory_order_relaxed); }

u16 text(const Msg& m) { return japanese() ? u16(m.ja) : u16(m.en); }

u16 text(const Msg& m, u16v name) { return replaceAll(text(m), u"%s", name); }

}  // namespace kova
