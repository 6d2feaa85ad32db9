#include "app/shell/restart_record.h"

namespace kova::shell {

u16 formatRestartRecord(const RestartRecord& r) {
  u16 caption = replaceAll(r.logCaption, u",", u"\uFF0C");
  return u16(r.playAgain ? u"1" : u"0") + u"," + toU16(r.left) + u"," + toU16(r.top) + u"," +
         toU16(r.width) + u"," + toU16(r.height) + u"," + caption + u"," + r.launchText;
}

std::optional<RestartRecord> parseRestartRecord(u16v text) {
  if (trimBlank(text).empty()) return std::nullopt;
  long long numbers[5] = {};
  size_t at = 0;
  for (long long& n : numbers) {
    const size_t comma = text.find(u',', at);
    if (comma == u16v::npos || !parseInt(trimBlank(text.substr(at, comma - at)), n)) return std::nullopt;
    at = comma + 1;
  }
  RestartRecord r;
  r.playAgain = numbers[0] != 0;
  r.left = static_cast<int32_t>(numbers[1]);
  r.top = static_cast<int32_t>(numbers[2]);
  r.width = static_cast<int32_t>(numbers[3]);
  r.height = static_cast<int32_t>(numbers[4]);
  const size_t comma = text.find(u',', at);
  r.logCaption = u16(text.substr(at, comma == u16v::npos ? u16v::npos : comma - at));
  if (comma != u16v::npos) r.launchText = u16(text.substr(comma + 1));
  return r;
}

}  // namespace kova::shell
