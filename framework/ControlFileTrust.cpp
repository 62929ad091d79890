#include "framework/ControlFileTrust.h"

#include "framework/FileSecurity.h"
#include "framework/WideText.h"

#include <string>

namespace {

bool IsPlain(HANDLE handle, bool folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    const bool isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isFolder == folder;
}

} // namespace

CControlFileCheck::CControlFileCheck(const CString& path) {
    std::wstring file;
    if (!ToWide(path, file)) return;
    const size_t slash = file.find_last_of(L'\\');
    if (slash == std::wstring::npos) return;
    const std::wstring folder = file.substr(0, slash);
    m_folder.Reset(CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    m_file.Reset(CreateFileW(file.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool CControlFileCheck::Trusted() const {
    return m_folder && m_file && IsPlain(m_folder.Get(), true) && IsPlain(m_file.Get(), false) &&
           IsWritableByAdministratorsAlone(m_folder.Get()) &&
           IsWritableByAdministratorsAlone(m_file.Get());
}

bool IsControlFileTrusted(const CString& path) { return CControlFileCheck(path).Trusted(); }
