// A file's size and SHA-256 digest, read through an open handle: what a copy
// is checked against before it is trusted to run.
#pragma once

#include <windows.h>

#include <array>

struct FileDigest {
    ULONGLONG size = 0;
    std::array<BYTE, 32> sha256{};
    bool operator==(const FileDigest& other) const {
        return size == other.size && sha256 == other.sha256;
    }
    bool operator!=(const FileDigest& other) const { return !(*this == other); }
};

// Reads file from its start to its end. False when it cannot be read.
bool DigestFile(HANDLE file, FileDigest& digest);
