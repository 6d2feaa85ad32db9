// Fuzz target: the pre-run check on whatever the front end prepared from
// the input bytes. The check walks every function statically; it must
// report a fault or accept the program, never crash, leak or hang.

#include <cstddef>
#include <cstdint>

#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kova::fuzz::kMaxInput) return -1;
  kova::fuzz::FuzzEngine::platform().setMainScript(std::string(reinterpret_cast<const char*>(data), size));
  kova::fuzz::FuzzEngine f;
  std::vector<kova::u16> lines;
  if (!f.assemble(lines)) return 0;
  kova::TUScript& e = f.player.engine();
  e.prepare(lines);
  if (!e.stopFlag) e.checkProgram();
  return 0;
}
