// Fuzz target: script file bytes -> text file reader -> assembler ->
// preparer (statements, origins, declaration tables, block offsets).
// Whatever the bytes are, preparation must end with a prepared program or
// a reported error, never a crash, a leak or a hang.

#include <cstddef>
#include <cstdint>

#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kova::fuzz::kMaxInput) return -1;
  kova::fuzz::FuzzEngine::platform().setMainScript(std::string(reinterpret_cast<const char*>(data), size));
  kova::fuzz::FuzzEngine f;
  std::vector<kova::u16> lines;
  if (!f.assemble(lines)) return 0;
  f.player.engine().prepare(lines);
  return 0;
}
