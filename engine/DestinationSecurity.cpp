#include "engine/DestinationSecurity.h"

#include "framework/App.h"
#include "framework/Elevation.h"
#include "framework/FileCalls.h"
#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <shlobj.h>

namespace {

// TrustedInstaller by its service SID; OICI: every folder and file below
// inherits the list.
const wchar_t kProtectedSddl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
    L"(A;OICI;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
    L"(A;OICI;0x1200a9;;;BU)";

const char kWarning[] =
    "%s\n\n"
    "其他用户（不只是管理员）可以修改这个文件夹。安装到这里，其他用户就能替换本软件的程序和控件："
    "每个用户的 AutoCAD 都会加载这些程序，以管理员身份运行的程序也可能加载它们。\n\n"
    "建议安装到 Program Files 下的文件夹，或一个尚不存在的新文件夹。\n\n"
    "仍要安装到这里吗？";

bool IsFolder(const CString& path) {
    const DWORD attributes = GetPathAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsInside(const CString& path, int folderId) {
    wchar_t folder[MAX_PATH] = {};
    CString narrow;
    return SUCCEEDED(SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
           ToNarrow(std::wstring(folder), narrow) && !narrow.IsEmpty() &&
           IsPathWithin(path, narrow);
}

bool IsLocalDrive(const CString& path) {
    if (path.GetLength() < 3 || path.GetAt(1) != ':') return false;
    const wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(path.GetAt(0))), L':',
                            L'\\', L'\0'};
    const UINT type = GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

// The folder is read as it is reached now: through any link on the way,
// whose own name only the folder above it can change (asked next).
bool OthersMayChange(const CString& folder) {
    std::wstring wide;
    if (!ToWide(folder, wide)) return true;
    CFileHandle handle(CreateFileW(wide.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !handle || !IsWritableByAdministratorsAlone(handle.Get());
}

// The nearest existing folder of the path (the destination itself when it
// is there) and every folder above it, the root aside: the first that
// others may change, or empty.
CString FindChangeableFolder(const CString& destination) {
    CString folder = destination;
    while (!folder.IsEmpty() && !IsRootPath(folder) && !IsFolder(folder))
        folder = ParentFolder(folder);
    for (; !folder.IsEmpty() && !IsRootPath(folder); folder = ParentFolder(folder))
        if (OthersMayChange(folder)) return folder;
    return CString();
}

CString WarningSubject(const CString& destination, const CString& changeable, bool exists) {
    CString subject;
    if (exists && IsSamePath(changeable, destination))
        subject.Format("安装文件夹 %s 已经存在。", destination.GetString());
    else
        subject.Format("安装文件夹 %s 在文件夹 %s 之下。", destination.GetString(),
                       changeable.GetString());
    return subject;
}

} // namespace

DestinationDecision DecideDestinationSecurity(const DestinationFacts& facts) {
    DestinationDecision decision;
    if (!facts.elevated) return decision;
    decision.protectCreatedFolders = !facts.exists && !facts.insideProgramFiles && facts.localDrive;
    decision.warnOthersMayChange = facts.othersMayChange;
    return decision;
}

DestinationFacts ReadDestinationFacts(const CString& destination, CString* changeable) {
    DestinationFacts facts;
    facts.elevated = RunsAsAdministrator();
    const CString path = NormalizePath(destination);
    if (path.IsEmpty()) return facts;
    facts.exists = IsFolder(path);
    facts.insideProgramFiles =
        IsInside(path, CSIDL_PROGRAM_FILES) || IsInside(path, CSIDL_PROGRAM_FILESX86);
    facts.localDrive = IsLocalDrive(path);
    const CString found = FindChangeableFolder(path);
    facts.othersMayChange = !found.IsEmpty();
    if (changeable) *changeable = found;
    return facts;
}

CProtectedDestinationSecurity::CProtectedDestinationSecurity()
    : CSecurityAttributes(kProtectedSddl) {}

void CDestinationSecurity::Prepare(const CString& destination) {
    m_destination = NormalizePath(destination);
    m_protect = DecideDestinationSecurity(ReadDestinationFacts(destination)).protectCreatedFolders;
    if (m_protect)
        RunLogLine("安装文件夹 %s 在 Program Files 之外, 由本次安装创建: 只有管理员可以修改 "
                   "(SYSTEM, Administrators, TrustedInstaller 完全控制, Users 读取和运行)",
                   m_destination.GetString());
}

SECURITY_ATTRIBUTES* CDestinationSecurity::ForNewFolder(const CString& folder) {
    if (!m_protect) return nullptr;
    const CString path = NormalizePath(folder);
    return !path.IsEmpty() && IsPathWithin(m_destination, path) ? m_security.Attributes() : nullptr;
}

bool ConfirmDestinationSecurity(HWND page, const CString& destination) {
    CString changeable;
    const DestinationFacts facts = ReadDestinationFacts(destination, &changeable);
    if (!DecideDestinationSecurity(facts).warnOthersMayChange) return true;
    CString text;
    text.Format(kWarning, WarningSubject(destination, changeable, facts.exists).GetString());
    const bool yes = AfxMessageBox(page, text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    RunLogLine("WARNING  其他用户可以修改 %s: 用户%s", changeable.GetString(),
               yes ? "仍选择安装到这里" : "没有选择安装到这里");
    return yes;
}

void LogDestinationSecurity(const CString& destination) {
    CString changeable;
    const DestinationFacts facts = ReadDestinationFacts(destination, &changeable);
    if (!DecideDestinationSecurity(facts).warnOthersMayChange) return;
    RunLogLine("WARNING  %s其他用户（不只是管理员）可以修改 %s: 他们能替换本软件的程序和控件, "
               "这样的控件不会注册",
               WarningSubject(destination, changeable, facts.exists).GetString(),
               changeable.GetString());
}
