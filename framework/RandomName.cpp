#include "framework/RandomName.h"

#include <windows.h>
#include <ntsecapi.h>

bool RandomHexName(CString& name) {
    unsigned char bytes[16];
    if (!RtlGenRandom(bytes, sizeof(bytes))) return false;
    name.Empty();
    for (unsigned char byte : bytes) name.AppendFormat("%02x", byte);
    return true;
}
