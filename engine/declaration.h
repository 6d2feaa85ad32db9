#pragma once
// Declaration lists. One item of a DIM or PUBLIC list, split once: "NAME", "NAME = expr",
// "NAME[b1][b2]", "NAME[b1, b2] = x1, x2, ...", "NAME[] = x1, x2, x3".
// A DIM statement's items are split and their expressions parsed before
// the run (compiled_statement.h); PUBLIC items, declared while preparing,
// keep only their texts.

#include <memory>
#include <vector>

#include "util/u16.h"

namespace kova {

struct ParsedExpression;
using ExpressionTree = std::shared_ptr<const ParsedExpression>;

struct DeclItem {
  u16 name;  // upper-cased
  bool hasBrackets = false;
  std::vector<u16> boundTexts;  // "" for an empty bracket
  bool hasValue = false;
  u16 valueText;
  // With brackets and a value: the value list split at top-level commas.
  std::vector<u16> valueItems;
  // Parsed forms of boundTexts, valueText and valueItems (null for an empty
  // text); empty vectors and a null valueTree when the item was not compiled.
  std::vector<ExpressionTree> boundTrees;
  ExpressionTree valueTree;
  std::vector<ExpressionTree> valueItemTrees;
};

DeclItem splitDeclarationItem(u16v item);
// Items of a DIM/PUBLIC list: split at top-level commas, except that a list
// with both "=" and "[" (each after its first character) is one item with a
// value list. Each item is trimmed.
std::vector<u16> declarationItems(u16v list);

// One item of a HASHTBL list: "NAME" or "NAME = flags".
struct HashItem {
  u16 name;       // upper-cased
  u16 flagsText;  // empty without "= flags"
  ExpressionTree flagsTree;  // parsed flagsText when the item was compiled
};

HashItem splitHashItem(u16v item);
// The items of a HASHTBL list, split at top-level commas.
std::vector<HashItem> hashItems(u16v list);

}  // namespace kova
