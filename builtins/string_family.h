#pragma once
// What the string, conversion and array built-ins share: the narrow-text
// conventions and the reading of variable names.
//
// Narrow text is code page 932. A narrow argument at position 0 or 1 is read
// from its bytes (decoded for the wide functions, taken as they are for the
// byte functions); every other argument is read from its text form.

#include <optional>
#include <string>
#include <vector>

#include "builtins/builtin_call.h"

namespace kova {

// The argument as wide text: the argument's own text (no copy), or the
// text decoded from a narrow argument, which this object then holds.
class ArgText {
 public:
  static ArgText of(const u16& own) { return ArgText(&own); }
  static ArgText decoded(u16 text) { return ArgText(std::move(text)); }
  ArgText(const ArgText&) = delete;
  ArgText& operator=(const ArgText&) = delete;
  const u16& text() const { return *text_; }
  operator const u16&() const { return *text_; }
  operator u16v() const { return *text_; }
  auto begin() const { return text_->begin(); }
  auto end() const { return text_->end(); }

 private:
  // Never copied or moved (it points into itself): made only as a returned
  // temporary, which C++17 builds in place.
  explicit ArgText(const u16* own) : text_(own) {}
  explicit ArgText(u16 decoded) : decoded_(std::move(decoded)), text_(&decoded_) {}
  u16 decoded_;
  const u16* text_;
};
ArgText argText(BuiltinCall& call, int i);
// The argument in its narrow (code page 932) form.
std::string argNarrow(BuiltinCall& call, int i);

// A value's text as the built-ins see their arguments (Booleans as their
// number, Null empty, errors "ERROR", COM objects their address), with
// narrow text decoded: the text that LENGTH counts and JOIN joins.
u16 valueText(const Value& v);

// Sets a narrow result. Narrow results of this family count as byte-function
// results: the rest of the expression does not add them as numbers.
void setNarrowResult(BuiltinCall& call, std::string bytes);

// A raw argument that names a variable: "NAME", "NAME[i]", "NAME[i][j]" or
// "NAME[i, j]" and nothing else. The name comes upper-cased; the index texts
// are not evaluated yet.
struct RawReference {
  u16 name;
  std::vector<u16> indexes;
};
std::optional<RawReference> parseReference(u16v raw);

// Texts this family builds (FORMAT widths, padding) are refused beyond this
// many characters instead of exhausting memory.
inline constexpr long long kMaxBuiltText = 1LL << 24;

}  // namespace kova
