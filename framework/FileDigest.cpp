#include "framework/FileDigest.h"

#include "framework/Sha256.h"

#include <vector>

bool DigestFile(HANDLE file, FileDigest& digest) {
    digest = FileDigest();
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    CSha256 sha;
    std::vector<BYTE> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0) break;
        sha.Add(buffer.data(), read);
        digest.size += read;
    }
    digest.sha256 = sha.Finish();
    return true;
}
