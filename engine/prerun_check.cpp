// The pre-run check: before a changed script runs, every function of the
// prepared program is walked once and the first error found is reported.
// This file holds the driver and the walk for errors left by preparation;
// the static checks of statements build on the same walk.

#include "engine/messages.h"
#include "engine/uxscr.h"

namespace kova {

namespace {
constexpr Msg kNoFend{u"関数: %s の FEND 文がありません", u"FEND There is no sentence: %s"};
}

bool TUScript::checkProgram() {
  checkingMode = true;
  for (int f = 0; f < program.functionIndex.size() && !stopFlag; ++f) {
    const u16& name = program.functionIndex.name(f);
    const int header = program.functionIndex.value(f).headerLine;
    THensuFmt scope;
    scope.startLine = header;
    bool ended = false;
    for (int i = header; i < program.size(); ++i) {
      scope.offset = i - header;
      const u16& statement = program.statementText[i];
      if (isErrorMarker(statement)) {
        report(statement.substr(std::char_traits<char16_t>::length(kErrorMarker)), &scope);
        return false;
      }
      if (program.statementKind[i] == kFend) {
        ended = true;
        break;
      }
    }
    if (!ended) {
      report(text(kNoFend, name), &scope);
      return false;
    }
  }
  return !stopFlag;
}

}  // namespace kova
