// A fresh folder per test under the temp folder, removed with everything in it.
#pragma once

#include "framework/String.h"

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in a backslash.
    const CString& Path() const { return m_path; }
    CString operator/(const char* name) const { return m_path + name; }

private:
    CString m_path;
};

// Test helpers on real files.
bool WriteFileBytes(const char* path, const std::string& bytes);
std::string ReadFileBytes(const char* path);
bool FileExists(const char* path);
bool DirectoryExists(const char* path);
// Creates every missing folder of path, for setting tests up (no log, no box).
void CreateFolders(const CString& path);
// Removes a tree whatever the attributes of its entries.
void RemoveTree(const char* path);
