#include "framework/FileFind.h"

#include "framework/WideText.h"

bool CFileFind::FindFile(const char* pattern) {
    m_find.Reset();
    m_name.Empty();
    std::wstring widePattern;
    if (!ToWide(CString(pattern), widePattern)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    m_find.Reset(FindFirstFileW(widePattern.c_str(), &m_data));
    if (!m_find.IsValid()) return false;
    TakeName();
    return true;
}

bool CFileFind::FindNextFile() {
    if (!m_find.IsValid() || !::FindNextFileW(m_find.Get(), &m_data)) return false;
    TakeName();
    return true;
}

void CFileFind::TakeName() {
    m_exactName = ToNarrow(m_data.cFileName, -1, m_name);
    if (!m_exactName) m_name = Narrow(m_data.cFileName);
}
