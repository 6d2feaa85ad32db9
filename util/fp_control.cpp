#include "util/fp_control.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#else
#include <cfenv>
#endif

namespace kova {

namespace {
constexpr uint16_t kAllMasks = 0x3F;
constexpr uint16_t kPrecision53 = 0x200;
constexpr uint16_t kRoundingBits = 0xC00;  // x87 bits 10-11
}  // namespace

#if defined(__x86_64__) || defined(_M_X64)

constexpr unsigned kMxcsrRounding = 0x6000;  // MXCSR bits 13-14

uint16_t currentFpControlWord() {
  const unsigned rounding = (_mm_getcsr() & kMxcsrRounding) >> 13;
  return static_cast<uint16_t>(kAllMasks | kPrecision53 | (rounding << 10));
}

void loadFpControlWord(uint16_t word) {
  const unsigned rounding = (word & kRoundingBits) >> 10;
  _mm_setcsr((_mm_getcsr() & ~kMxcsrRounding) | (rounding << 13));
}

#else

uint16_t currentFpControlWord() {
  unsigned rounding = 0;
  switch (std::fegetround()) {
    case FE_DOWNWARD: rounding = 1; break;
    case FE_UPWARD: rounding = 2; break;
    case FE_TOWARDZERO: rounding = 3; break;
    default: break;
  }
  return static_cast<uint16_t>(kAllMasks | kPrecision53 | (rounding << 10));
}

void loadFpControlWord(uint16_t word) {
  static const int modes[] = {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO};
  std::fesetround(modes[(word & kRoundingBits) >> 10]);
}

#endif

}  // namespace kova
