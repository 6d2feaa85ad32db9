#pragma once
// Parameter types of DEF_DLL declarations. Shared by the preparer (which
// rejects unknown types) and the external-call family.

#include "util/u16.h"

namespace kova {

enum DllType : int {
  kDllInvalid = 0,
  kDllInt = 1,
  kDllFloat = 2,
  kDllDouble = 3,
  kDllString = 4,
  kDllPChar = 5,
  kDllWord = 6,
  kDllDword = 7,
  kDllByte = 8,
  kDllChar = 9,
  kDllWChar = 10,
  kDllLongLong = 11,
  kDllExtended = 12,
  kDllWString = 13,
  kDllPWChar = 14,
  kDllVoid = 16,
  kDllVariant = 17,
  kDllSafeArray = 18,
  kDllOpenStruct = 20,
  kDllCloseStruct = 21,
};
inline constexpr int kDllByReference = 256;

// The type code of an upper-case type name without "[]".
DllType dllTypeCode(u16v upperName);
// Arrays ("[]") exist only for the numeric types.
bool dllTypeAllowsArray(DllType type);

}  // namespace kova
