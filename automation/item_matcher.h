#pragma once
// How CLKITEM, CHKBTN and GETITEM's users name what they want: a caption or
// an item text as the user sees it, compared without case, optionally in
// part (CLK_SHORT), and across full- and half-width forms.

#include <vector>

#include "util/u16.h"

namespace kova::automation {

// A wanted name prepared once for many items: upper-cased and, unless
// partial, trimmed; caption-normalised when it names a caption.
class ItemName {
 public:
  ItemName(u16v wanted, bool caption, bool partial);
  // Whether an item text (a caption when the name was made for captions)
  // is what the name asks for: equal; with a partial name, containing it;
  // else equal once trimmed; failing those, the same comparisons after
  // both are mapped to half width. A name that is empty once prepared
  // matches nothing.
  bool matches(u16v itemText) const;
  bool empty() const { return name_.empty(); }

 private:
  u16 name_;
  u16 halfName_;
  bool caption_;
  bool partial_;
};

// The names of a multiple selection: the wanted text split at tabs.
std::vector<ItemName> itemNames(u16v wanted, bool caption, bool partial);
// Whether the item matches any of `names`.
bool matchesAny(const std::vector<ItemName>& names, u16v itemText);

}  // namespace kova::automation
