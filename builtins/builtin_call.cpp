// The operations a built-in has on the running script, each forwarded to
// the engine's public interface. This file is the one place in builtins/
// that touches the engine and the caller's scope.

#include "builtins/builtin_call.h"

#include "engine/messages.h"
#include "engine/named_constants.h"
#include "engine/run_messages.h"

namespace kova {

const u16 kOmittedArgumentText;

std::optional<Value> BuiltinCall::evaluateRaw(int i) {
  const ParsedExpression* tree =
      static_cast<size_t>(i) < args.size() ? args[static_cast<size_t>(i)].tree : nullptr;
  return tree ? engine_.evaluateParsed(*tree, scope_) : engine_.evaluate(str(i), scope_);
}

std::optional<Value> BuiltinCall::evaluate(u16v text) { return engine_.evaluate(text, scope_); }

std::optional<Value> BuiltinCall::evaluateTree(const ParsedExpression& tree) {
  return engine_.evaluateParsed(tree, scope_);
}

double BuiltinCall::namedConstant(const u16& upperName) { return constantValue(engine_, upperName); }

Variable* BuiltinCall::variableNamed(const u16& upperName) {
  if (!sharedHeld_.owns_lock()) sharedHeld_ = engine_.lockShared();
  return engine_.variableNamed(upperName, scope_);
}

std::shared_ptr<TSZHash> BuiltinCall::hashTableNamed(const u16& name) {
  if (!sharedHeld_.owns_lock()) sharedHeld_ = engine_.lockShared();
  return engine_.hashTableNamed(name, scope_);
}

void BuiltinCall::putVariable(u16v name, const Value& value) { engine_.putValue(name, value, scope_); }

void BuiltinCall::putGlobal(u16v name, const Value& value) { engine_.putValue(name, value, engine_.globalScope()); }

void BuiltinCall::fail(const u16& message, bool catchable) {
  if (sharedHeld_.owns_lock()) sharedHeld_.unlock();
  engine_.report(message, &scope_, false, catchable);
}

void BuiltinCall::unavailable() { fail(kova::text(rm::kNotAvailableYet, name())); }

void BuiltinCall::warn(const u16& message) {
  if (sharedHeld_.owns_lock()) sharedHeld_.unlock();
  engine_.warn(message, &scope_);
}

void BuiltinCall::logNotice(const u16& message) { engine_.logLine(message); }

bool BuiltinCall::stopped() const { return engine_.stopFlag; }

bool BuiltinCall::suppressingErrors() const { return engine_.suppressErrors > 0; }

bool BuiltinCall::stopping() const {
  return engine_.stopFlag || engine_.stopRequest.load() > 0 || engine_.suppressErrors > 0;
}

void BuiltinCall::leaveRun() { engine_.leaveRun(scope_); }

const ScriptOptions& BuiltinCall::options() const { return engine_.program.options; }

const Value& BuiltinCall::trueValue() const { return engine_.trueValue; }

const Value& BuiltinCall::falseValue() const { return engine_.falseValue; }

void BuiltinCall::markByteResult() { engine_.byteResultProduced = true; }

void BuiltinCall::setTimeStamp(double stamp) { scope_.timeStamp = stamp; }

void BuiltinCall::keepFpControlWord(uint16_t found, uint16_t word) {
  if (!engine_.fpControlBeforeRun) engine_.fpControlBeforeRun = found;
  engine_.savedFpControlWord = word;
}

bool BuiltinCall::onMainThread() { return engine_.platform().currentThreadId() == engine_.mainThreadId; }

void BuiltinCall::pumpMessages(int rounds) { engine_.pumpMessages(rounds); }

u16 BuiltinCall::expandEscapes(u16v text) const { return engine_.expandEscapes(text); }

u16v BuiltinCall::statementText() const {
  const int line = scope_.currentLine();
  if (line < 0 || line >= static_cast<int>(engine_.program.statementText.size())) return {};
  return engine_.program.statementText[static_cast<size_t>(line)];
}

std::unique_ptr<TUScript::RunState>& BuiltinCall::fileTableSlot() { return engine_.fileState; }

RunContext& BuiltinCall::runContext() { return engine_.runContext(); }

Platform& BuiltinCall::platform() { return engine_.platform(); }

EngineHost& BuiltinCall::host() { return engine_.host(); }

void notAvailableYet(BuiltinCall& call) { call.unavailable(); }

}  // namespace kova
