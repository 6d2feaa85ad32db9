#include "engine/dll_types.h"

namespace kova {

DllType dllTypeCode(u16v n) {
  struct Entry {
    const char16_t* name;
    DllType code;
  };
  static constexpr Entry kTypes[] = {
      {u"INT", kDllInt},          {u"BOOL", kDllInt},         {u"LONG", kDllInt},       {u"FLOAT", kDllFloat},
      {u"DOUBLE", kDllDouble},    {u"STRING", kDllString},    {u"PCHAR", kDllPChar},    {u"PBYTE", kDllPChar},
      {u"WORD", kDllWord},        {u"DWORD", kDllDword},      {u"UINT", kDllDword},     {u"HWND", kDllDword},
      {u"HMENU", kDllDword},      {u"BYTE", kDllByte},        {u"BOOLEAN", kDllByte},   {u"CHAR", kDllChar},
      {u"WCHAR", kDllWChar},      {u"LONGLONG", kDllLongLong}, {u"EXTENDED", kDllExtended},
      {u"WSTRING", kDllWString},  {u"PWCHAR", kDllPWChar},    {u"VOID", kDllVoid},      {u"VARIANT", kDllVariant},
      {u"SAFEARRAY", kDllSafeArray}, {u"{", kDllOpenStruct},  {u"}", kDllCloseStruct},
  };
  for (const Entry& e : kTypes)
    if (n == e.name) return e.code;
  return kDllInvalid;
}

bool dllTypeAllowsArray(DllType t) {
  switch (t) {
    case kDllInt:
    case kDllFloat:
    case kDllDouble:
    case kDllWord:
    case kDllDword:
    case kDllByte:
    case kDllLongLong:
    case kDllExtended:
      return true;
    default:
      return false;
  }
}

}  // namespace kova
