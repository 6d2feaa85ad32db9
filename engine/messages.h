#pragma once
// User-visible messages. Every message exists as a Japanese/English pair;
// the process-wide language flag picks one. Message tables are grouped per
// area (front_end_messages.h, run_messages.h, ...), each entry a `Msg`.

#include <atomic>

#include "util/u16.h"

namespace kova {

struct Msg {
  const char16_t* ja;
  const char16_t* en;
};

enum class Language { Japanese, English };

// The message language of the process, chosen once at start (the system's
// default language, or the user's --lang choice).
void setLanguage(Language language);
Language language();
inline bool japanese() { return language() == Language::Japanese; }

// The text of `m` in the current language.
u16 text(const Msg& m);
// Messages built around a name: text(m) followed or preceded by `name`
// as the pair's grammar asks is left to the caller; these two helpers cover
// the common "prefix NAME suffix" shapes.
u16 text(const Msg& m, u16v name);  // replaces every "%s" with `name`

}  // namespace kova
