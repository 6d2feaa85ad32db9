#pragma once
// The compiled form of one statement of the prepared program. Every
// statement is compiled once, before the run starts (compileProgram), and
// never changed while the program runs, so that threads running the same
// program read it without locks; a statement in a loop is taken apart once,
// not on every pass: the fields that the block check wrote into an opener's
// text are split once and their offsets read as numbers, the statement's
// expressions are held as parsed trees, and an assignment's target is split
// into its upper-cased name and the trees of its index expressions.
//
// Running a compiled statement has exactly the effects of running its text:
// the trees are those the evaluator would parse from the same texts, and the
// order of evaluation is unchanged (right side first, then the target's
// indexes).

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/call_form.h"
#include "engine/declaration.h"
#include "engine/slot_hint.h"
#include "util/u16.h"

namespace kova {

struct ParsedExpression;

// Splits an opener's text at the field separator (outside quotes) into
// views of `text`.
std::vector<u16v> openerFields(u16v text);

// A variable written by a statement: "NAME", "NAME[i][j]" or "NAME[i, j]".
struct CompiledTarget {
  u16 name;  // trimmed and upper-cased
  bool hasIndexes = false;
  // One tree per index text, in order (empty texts read as Empty).
  std::vector<std::shared_ptr<const ParsedExpression>> indexes;
  SlotHint hint;
};

// The kind of an entry for a statement whose meaning depends on the scope
// it runs in (a dotted name that may be a module member or a COM member):
// it holds both readings, and the executor picks one per execution.
inline constexpr int32_t kDynamicEntry = -2;

// Kinds whose statements are classified by their text (plain statements,
// and closing statements reached directly): compileProgram fixes the kind
// of those whose meaning cannot change, the executor decides the others
// per execution (kDynamicEntry).
bool classifiedByText(int32_t kind);

struct CompiledStatement {
  // The statement kind the entry was made for (kDynamicEntry: see above).
  int32_t kind = -1;
  // Dynamic entry: the text holds "=" outside parentheses (an assignment
  // or a COM property assignment), else it is a call or a COM method call.
  bool hasAssignment = false;
  // Dynamic entry: the left side (assignment) or the whole text (call)
  // holds a "." outside parentheses.
  bool dotted = false;
  // Assignment: [0] the right side. PRINT: [0] the text. IFB, WHILE, REPEAT:
  // [0] the condition. FOR: [0] start, [1] end, [2] step.
  std::shared_ptr<const ParsedExpression> expressions[3];
  // Partner offsets from the opener's fields, -1 when a field is missing or
  // not a number. IFB: next ELSEIF, ELSE, ENDIF. FOR: NEXT. WHILE: WEND.
  // REPEAT: UNTIL.
  int32_t offsets[3] = {-1, -1, -1};
  // Assignment: the left side. FOR: the loop variable.
  CompiledTarget target;
  // Assignment "X = X + a + b ...": the target is a plain name, the right
  // side a chain of "+" whose first operand is that name, and no operand
  // holds a call or a dotted word (nothing in it can run script code), so
  // the statement may append to X's text in place.
  bool appendsToTarget = false;
  // Procedure header (after its parameters were cached): each parameter's
  // bare name, upper-cased, without brackets or default value.
  std::vector<u16> paramNames;
  // Per parameter: where its default value's "=" stands in the parameter's
  // text (npos: no default); whether a "[" comes before that (an array or
  // hash-table parameter, bound to the caller's name); whether the text
  // holds a "[" anywhere (its argument is passed as text, not evaluated).
  std::vector<size_t> paramDefaultAt;
  // Per parameter: the parsed default value (null without one).
  std::vector<std::shared_ptr<const ParsedExpression>> paramDefaults;
  std::vector<uint8_t> paramTakesName;
  std::vector<uint8_t> paramHasBracket;
  // Procedure header: a parameter is named RESULT.
  bool paramNamedResult = false;
  // Procedure header, per parameter: an earlier parameter has the same name.
  std::vector<uint8_t> paramRepeatsName;
  // Procedure header: some parameter repeats an earlier one's name.
  bool paramRepeats = false;
  // Procedure header: some parameter is VAR or takes its argument's name
  // (only then can a call lend arrays or write anything back).
  bool paramsWriteBack = false;
  // Procedure header: its statement count up to the FEND once a call has
  // counted it; -1 before.
  std::atomic<int32_t> procedureLength{-1};
  // Call statement, CALL: the call (null when the text could not be split;
  // the statement then reports that when it runs).
  std::unique_ptr<CallForm> call;

  // SELECT: [0] the selector; offsets[0] the DEFAULT, offsets[1] the SELEND
  // (-1 when missing). Each CASE with its offset and the trees of its
  // comma-separated items, blank items left out.
  struct Case {
    int32_t offset = 0;
    std::vector<std::shared_ptr<const ParsedExpression>> items;
  };
  std::vector<Case> cases;
  // TRY: offsets[0] the kind (0 FINALLY, 1 EXCEPT), [1] the handler's
  // offset, [2] its length; malformed when the block check's fields are not
  // three numbers. BREAK, CONTINUE: offsets[0] the count.
  bool malformed = false;
  // WITH: the value is the module's name ("THIS" or a module of the
  // program: withModule, the upper-cased name; empty for THIS), else
  // expressions[0]. EXITEXIT: expressions[0] when the statement has a value.
  bool withIsModule = false;
  bool withIsThis = false;
  u16 withModule;
  // DIM: the items of its list. HASHTBL: the items of its list.
  std::vector<DeclItem> declarations;
  std::vector<HashItem> hashItems;
  // DEF_DLL: the declared name (without a module prefix) and the rest.
  u16 dllName;
  u16 dllRest;
};

}  // namespace kova
