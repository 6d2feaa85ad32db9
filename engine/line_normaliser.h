#pragma once
// Normalisation of script source lines: comments, continuation lines,
// blanks, case, textblock passthrough and module sequence numbers. One
// normaliser reads one file; module numbers are shared by all files of an
// assembly, so they live in a table the caller passes in.

#include <optional>

#include "engine/name_list.h"
#include "util/u16.h"

namespace kova {

class LineNormaliser {
 public:
  explicit LineNormaliser(NameList<int>& moduleNumbers) : modules_(moduleNumbers) {}

  // Returns the normalised form of one raw line. A line that continues on
  // the next one ("_" at its end) yields an empty line; the joined text
  // appears on the line that ends the continuation.
  u16 normalise(u16v raw);
  // Text still waiting for the end of a continuation when the file ended.
  const u16& pendingContinuation() const { return continuation_; }
  bool inTextblock() const { return inTextblock_; }

  // Upper-cases outside double quotes, except identifier characters that
  // directly follow a "." (member names of COM objects keep their case).
  static u16 upperKeepingMembers(u16v line);
  // Removes a "//" comment that starts outside double quotes.
  static u16 cutComment(u16v line);
  // First word: the text up to the first ";" or space, upper-cased.
  static u16 firstWord(u16v line);

 private:
  u16 normaliseOrdinary(u16v raw);

  NameList<int>& modules_;
  u16 continuation_;
  bool inTextblock_ = false;
};

}  // namespace kova
