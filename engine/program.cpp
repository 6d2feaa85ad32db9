#include "engine/program.h"

#include <atomic>

namespace kova {

namespace {
constexpr char16_t kOriginMask = 0x5A3C;
}

void PreparedProgram::addOrigin(u16v origin) {
  u16 s(origin);
  for (auto& c : s) c ^= kOriginMask;
  scrambledOrigin_.push_back(std::move(s));
}

u16 PreparedProgram::origin(int index) const {
  if (index < 0 || index >= static_cast<int>(scrambledOrigin_.size())) return {};
  u16 s = scrambledOrigin_[index];
  for (auto& c : s) c ^= kOriginMask;
  return s;
}

uint32_t nextProgramGeneration() {
  static std::atomic<uint32_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void PreparedProgram::clear() {
  generation = nextProgramGeneration();
  statementText.clear();
  statementKind.clear();
  headerParams.clear();
  headerParamModes.clear();
  functionIndex.clear();
  moduleIndex.clear();
  constTable.clear();
  textblockTable.clear();
  dllDeclTable.clear();
  options = ScriptOptions{};
  scrambledOrigin_.clear();
}

}  // namespace kova
