// The library's diagnostic state, for inspection: the last system error code and the last
// error text that a failing operation recorded. No card method returns either; tools and
// tests read them here.
#pragma once

#include "quillon/Quillon.h"

extern "C" {
QUILLON_API unsigned long QuillonLastErrorCode();
QUILLON_API const char* QuillonLastErrorText();
// Clears the diagnostic state (code 0, empty text).
QUILLON_API void QuillonClearDiagnostics();
// The module-wide UPDATE RECORD header-mode flag: 1 = header as one block, 0 = byte by byte.
QUILLON_API int QuillonHeaderMode();
QUILLON_API void QuillonSetHeaderMode(int mode);
}
