// A directory search (FindFirstFileA/FindNextFileA) that closes itself.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

class CFileFind {
public:
    // Starts the search and loads the first entry; false when nothing matches
    // or the folder cannot be searched (GetLastError tells why).
    bool FindFile(const char* pattern) {
        m_find.Reset(FindFirstFileA(pattern, &m_data));
        return m_find.IsValid();
    }
    // Loads the next entry; false at the end.
    bool FindNextFile() { return m_find.IsValid() && ::FindNextFileA(m_find.Get(), &m_data); }
    void Close() { m_find.Reset(); }

    const WIN32_FIND_DATAA& Data() const { return m_data; }
    CString GetFileName() const { return CString(m_data.cFileName); }
    bool IsDirectory() const { return (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsDots() const {
        const char* n = m_data.cFileName;
        return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
    }

private:
    CFindHandle m_find;
    WIN32_FIND_DATAA m_data{};
};
