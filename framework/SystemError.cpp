#include "framework/SystemError.h"

#include "framework/Handles.h"
#include "framework/WideText.h"

CString SystemErrorText(DWORD code) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    CLocalMemory owner(text);
    if (length == 0 || text == nullptr) {
        CString fallback;
        fallback.Format("Error %lu", static_cast<unsigned long>(code));
        return fallback;
    }
    // Only shown and logged: a character code page 936 lacks (the text of a
    // Japanese Windows, say) becomes "?".
    return Narrow(text, static_cast<int>(length));
}
