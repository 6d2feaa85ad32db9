#pragma once
// SET8087CW's floating-point control word on a 64-bit processor.
//
// The word keeps the layout of the x87 control word that scripts know
// (exception masks in bits 0-5, precision in bits 8-9, rounding in bits
// 10-11). On x64 the engine's arithmetic runs on the SSE unit, so the word
// is mapped onto the SSE control and status register MXCSR: the rounding
// bits go to MXCSR bits 13-14 (the same four modes in the same order).
// Precision control has no SSE counterpart (a Double always has 53 bits).
// The exception masks are not taken over: the SSE exceptions stay masked,
// because an unmasked one would end the program (a processor trap, not a
// script error) where the engine checks its results itself. Reading gives
// the masks as all set and the precision as 53 bits (0x200).
//
// Portable: the same code serves both builds (both run on x86-64); other
// processors keep the rounding through <cfenv>.

#include <cstdint>

namespace kova {

// The current control as an x87-style control word.
uint16_t currentFpControlWord();
// Loads the rounding mode of `word` into the floating-point unit.
void loadFpControlWord(uint16_t word);
// True when the unit runs with the part of `word` that takes effect.
inline bool fpControlIsLoaded(uint16_t word) { return ((currentFpControlWord() ^ word) & 0xC00) == 0; }

}  // namespace kova
