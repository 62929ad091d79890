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
// Line index (from 0) of a text file with LF line ends, without its end;
// empty when the file has no such line.
CString FileLine(const CString& path, int index);
bool FileExists(const char* path);
bool DirectoryExists(const char* path);
// Creates every missing folder of path, for setting tests up (no log, no box).
void CreateFolders(const CString& path);
// Creates the folder, then gives it the owner (when named) and the access
// list of sddl. Set after the creation: Wine maps a list onto the Unix mode,
// and a mode given at creation loses what the umask takes (o+w).
bool CreateFolderWithList(const CString& path, const wchar_t* sddl);
// Copies the folder from (files and sub-folders) into to; both end in a
// backslash. False when an entry cannot be copied.
bool CopyTree(const CString& from, const CString& to);
// Removes a tree whatever the attributes of its entries.
void RemoveTree(const char* path);
