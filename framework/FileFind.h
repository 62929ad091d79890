// A directory search (FindFirstFileW/FindNextFileW) that closes itself. The
// pattern and the names cross in UTF-16; the program sees code page 936.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

class CFileFind {
public:
    // Starts the search and loads the first entry; false when nothing matches
    // or the folder cannot be searched (GetLastError tells why; a pattern that
    // is not valid code page 936 text gives ERROR_NO_UNICODE_TRANSLATION).
    bool FindFile(const char* pattern);
    // Loads the next entry; false at the end.
    bool FindNextFile();
    void Close() { m_find.Reset(); }

    const WIN32_FIND_DATAW& Data() const { return m_data; }
    // The entry's name in code page 936. For a name 936 cannot hold (a file
    // "Søren.txt" a user added) it is the shown form, with "?" where such a
    // character stands: no file has that name, and HasExactName tells.
    CString GetFileName() const { return m_name; }
    bool HasExactName() const { return m_exactName; }
    bool IsDirectory() const { return (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsDots() const {
        const wchar_t* n = m_data.cFileName;
        return n[0] == L'.' && (n[1] == L'\0' || (n[1] == L'.' && n[2] == L'\0'));
    }

private:
    void TakeName();

    CFindHandle m_find;
    WIN32_FIND_DATAW m_data{};
    CString m_name;
    bool m_exactName = false;
};
