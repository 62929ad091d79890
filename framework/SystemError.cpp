#include "framework/SystemError.h"

#include "framework/Handles.h"

CString SystemErrorText(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<char*>(&text), 0, nullptr);
    CLocalMemory owner(text);
    if (length == 0 || text == nullptr) {
        CString fallback;
        fallback.Format("Error %lu", static_cast<unsigned long>(code));
        return fallback;
    }
    return CString(text, static_cast<int>(length));
}
