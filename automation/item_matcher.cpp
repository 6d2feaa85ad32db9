#include "automation/item_matcher.h"

#include "automation/window_search.h"

namespace kova::automation {

ItemName::ItemName(u16v wanted, bool caption, bool partial) : caption_(caption), partial_(partial) {
  u16 name = upperFull(wanted);
  if (!partial) name = caption ? normaliseCaption(name) : trimCtl(name);
  name_ = std::move(name);
  halfName_ = halfWidth(name_);
}

bool ItemName::matches(u16v itemText) const {
  // An empty name names nothing: an item whose text could not be read (a
  // control that does not answer) reads as empty too.
  if (name_.empty()) return false;
  u16 item = upperFull(itemText);
  if (caption_) item = normaliseCaption(item);
  if (item == name_) return true;
  if (partial_) {
    if (!name_.empty() && item.find(name_) != u16::npos) return true;
  } else if (trimCtl(item) == name_) {
    return true;
  }
  const u16 halfItem = halfWidth(item);
  if (halfItem == halfName_) return true;
  return partial_ && !halfName_.empty() && halfItem.find(halfName_) != u16::npos;
}

std::vector<ItemName> itemNames(u16v wanted, bool caption, bool partial) {
  std::vector<ItemName> names;
  size_t start = 0;
  for (;;) {
    const size_t tab = wanted.find(u'\t', start);
    names.emplace_back(wanted.substr(start, tab == u16v::npos ? u16v::npos : tab - start), caption, partial);
    if (tab == u16v::npos) break;
    start = tab + 1;
  }
  return names;
}

bool matchesAny(const std::vector<ItemName>& names, u16v itemText) {
  for (const ItemName& n : names) {
    if (n.matches(itemText)) return true;
  }
  return false;
}

}  // namespace kova::automation
