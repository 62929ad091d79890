// The one place where the program's code page 936 text meets Windows' UTF-16.
// Every call into Windows that takes or returns text goes through the wide
// ("W") function with text converted here, never through an "A" function:
// those read the bytes in the system's code page, which is 936 only on a
// Chinese Windows.
#pragma once

#include "framework/String.h"

#include <string>

// GBK to UTF-16. A byte sequence that is not valid GBK (a lone lead byte, say)
// fails: the caller must not act on a path it cannot name exactly.
bool ToWide(const CString& text, std::wstring& wide);
// As ToWide, for text that is only shown: invalid bytes become U+FFFD.
std::wstring Wide(const CString& text);

// UTF-16 to GBK. Fails when a character has no code page 936 form (the "ø" of
// "C:\Users\Søren"): such a name is reported, never turned into "?" and used.
bool ToNarrow(const wchar_t* wide, int length, CString& text);
inline bool ToNarrow(const std::wstring& wide, CString& text) {
    return ToNarrow(wide.c_str(), static_cast<int>(wide.size()), text);
}
// As ToNarrow, for text that is only shown or logged: a character without a
// code page 936 form becomes "?".
CString Narrow(const wchar_t* wide, int length = -1);
inline CString Narrow(const std::wstring& wide) {
    return Narrow(wide.c_str(), static_cast<int>(wide.size()));
}
