// Fuzz target: one expression text (the input as UTF-8) evaluated in a
// fixed scope: local scalars and an array, a user function and a module
// with a constant and a function. The evaluation must give a value or
// report an error, never crash, leak or hang; so must a second evaluation
// of the same text, which takes its tree from the parsed-expression cache.

#include <cstddef>
#include <cstdint>

#include "fuzz_host.h"

namespace {

constexpr char kSetup[] =
    "x = 0\n"
    "function f(a, b = 2)\n"
    "  result = a * b\n"
    "fend\n"
    "procedure p(var a)\n"
    "  a = a + 1\n"
    "fend\n"
    "module m\n"
    "  const c = 5\n"
    "  function g(s)\n"
    "    result = s + c\n"
    "  fend\n"
    "endmodule\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kova::fuzz::kMaxInput) return -1;
  using namespace kova;
  fuzz::FuzzEngine::platform().setMainScript(kSetup);
  fuzz::FuzzEngine f;
  std::vector<u16> lines;
  if (!f.assemble(lines)) __builtin_trap();  // the fixed setup always assembles
  TUScript& e = f.player.engine();
  if (!e.prepare(lines)) __builtin_trap();

  THensuFmt scope;
  scope.startLine = 0;  // __MAIN__'s header; the scope stands at its first statement
  scope.offset = 1;
  scope.count = 2;
  scope.isMain = true;
  e.markStackBase();
  e.putValue(u"N", Value::number(42), scope);
  e.putValue(u"S", Value::string(u"Text ÄÖ 日本"), scope);
  e.putValue(u"B", Value::narrow("\x82\xa0"), scope);
  e.declareLocal(scope, u"ARR[3] = 1, \"two\", 3.5, TRUE");
  e.declareLocal(scope, u"GRID[2][2]");
  if (e.stopFlag) __builtin_trap();

  const u16 text = fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  // Outside a statement nothing catches a text grown too long (the
  // executor reports it on the statement): here it is a fine outcome.
  try {
    (void)e.evaluate(text, scope);
    if (!e.stopFlag) (void)e.evaluate(text, scope);
  } catch (const TextTooLong&) {
  }
  e.endRun();
  return 0;
}
