// Alone in its file: a test program links its own in its place, to give
// files the rights Wine keeps none of; the programs contain only this one.
#include "framework/FileSecurity.h"

#include <aclapi.h>

bool ReadFileSecurity(HANDLE object, CLocalMemory& descriptor) {
    PSECURITY_DESCRIPTOR read = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, nullptr, &read) != ERROR_SUCCESS)
        return false;
    descriptor.Reset(read);
    return true;
}
