#include "framework/PathCompare.h"

#include "framework/WideText.h"

#include <windows.h>

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// True when offset starts a character of text (is not a trail byte).
bool IsCharBoundary(const CString& text, int offset) {
    int i = 0;
    while (i < offset)
        i += (IsGbkLeadByte(static_cast<unsigned char>(text.GetAt(i))) && i + 1 < text.GetLength())
                 ? 2
                 : 1;
    return i == offset;
}

// Offset just past the share of "\\server\share", or -1.
int ShareRootLength(const CString& path) {
    if (path.GetLength() < 5 || path.GetAt(0) != '\\' || path.GetAt(1) != '\\') return -1;
    const int server = path.Find("\\", 2);
    if (server <= 2) return -1;
    const int share = path.Find("\\", server + 1);
    if (share == server + 1) return -1;
    return share < 0 ? path.GetLength() : share;
}

} // namespace

CString NormalizePath(const CString& path) {
    // "/" is never a GBK trail byte (those start at 0x40).
    std::string bytes = path.str();
    for (char& c : bytes)
        if (c == '/') c = '\\';
    const CString text(bytes);

    const bool drive = text.GetLength() >= 3 && IsAsciiLetter(text.GetAt(0)) &&
                       text.GetAt(1) == ':' && text.GetAt(2) == '\\';
    const bool device = text.Left(4) == "\\\\?\\" || text.Left(4) == "\\\\.\\";
    if (!drive && (device || ShareRootLength(text) < 0)) return CString();

    std::wstring wide;
    if (!ToWide(text, wide)) return CString();
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return CString();
    std::wstring fullWide(needed, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), needed, &fullWide[0], nullptr);
    if (written == 0 || written >= needed) return CString();
    fullWide.resize(written);
    CString full;
    if (!ToNarrow(fullWide, full)) return CString();
    if (full.EndsWithBackslash() && !IsRootPath(full)) full = full.Left(full.GetLength() - 1);
    if (drive && full.GetLength() == 2) full += '\\';
    return full;
}

bool IsSamePath(const CString& a, const CString& b) { return a.CompareNoCase(b) == 0; }

bool IsPathWithin(const CString& path, const CString& folder) {
    const int length = folder.GetLength();
    if (length == 0 || path.GetLength() < length) return false;
    // The comparison first: most folders differ from the path early on.
    if (path.CompareLeftNoCase(length, folder) != 0 || !IsCharBoundary(path, length)) return false;
    if (path.GetLength() == length) return true;
    // "C:\" ends in its separator; any other folder is followed by one.
    return folder.EndsWithBackslash() || path.GetAt(length) == '\\';
}

bool IsRootPath(const CString& path) {
    if (path.GetLength() == 3 && IsAsciiLetter(path.GetAt(0)) && path.GetAt(1) == ':' &&
        path.GetAt(2) == '\\')
        return true;
    return ShareRootLength(path) == path.GetLength();
}

CString ParentFolder(const CString& path) {
    if (path.IsEmpty() || IsRootPath(path)) return CString();
    const int slash = path.ReverseFind('\\');
    if (slash < 0) return CString();
    CString parent = path.Left(slash);
    if (parent.GetLength() == 2 && parent.GetAt(1) == ':') parent += '\\';
    return parent;
}
