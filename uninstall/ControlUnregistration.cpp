#include "uninstall/ControlUnregistration.h"

#include "framework/FileSecurity.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/SelfRegistration.h"
#include "framework/WideText.h"
#include "host_cad/ComClassRegistry.h"

#include <string>

namespace {

// The control's folder and file, opened as themselves (a link is not
// followed) and held while the control is loaded: the file without write or
// delete sharing, so it cannot be replaced between the check and the load.
class CControlHandles {
public:
    explicit CControlHandles(const CString& path) {
        std::wstring file;
        if (!ToWide(path, file)) return;
        const size_t slash = file.find_last_of(L'\\');
        if (slash == std::wstring::npos) return;
        const std::wstring folder = file.substr(0, slash);
        m_folder.Reset(CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
        m_file.Reset(CreateFileW(file.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    }

    bool Trusted() const {
        return m_folder && m_file && IsPlain(m_folder.Get(), true) &&
               IsPlain(m_file.Get(), false) && IsWritableByAdministratorsAlone(m_folder.Get()) &&
               IsWritableByAdministratorsAlone(m_file.Get());
    }

private:
    static bool IsPlain(HANDLE handle, bool folder) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(handle, &info)) return false;
        const bool isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isFolder == folder;
    }

    CFileHandle m_folder;
    CFileHandle m_file;
};

} // namespace

bool IsControlFileTrusted(const CString& path) { return CControlHandles(path).Trusted(); }

ControlUnregistration UnregisterControl(const CString& path) {
    ControlUnregistration result;
    {
        CControlHandles handles(path);
        if (handles.Trusted()) {
            HRESULT answer = S_OK;
            result.selfUnregistered = CallSelfRegistration(path, "DllUnregisterServer", &answer);
            if (!result.selfUnregistered)
                RunLogFailure(static_cast<DWORD>(answer), "控件 %s 的 DllUnregisterServer 失败",
                              path.GetString());
        } else {
            RunLogLine("不运行控件 %s 的代码 (文件不在或其文件夹并非只有管理员可写), "
                       "按注册表注销",
                       path.GetString());
        }
    }
    // Whatever the control did or did not do itself: every class, ProgID and
    // type library that still names the file goes.
    const ComRegistrationRemoval removal = RemoveComServerRegistration(path);
    result.keysRemoved = removal.removed;
    result.unregistered = removal.Succeeded();
    if (removal.stillRegistered)
        RunLogLine("ERROR  控件 %s 仍有注册的类, 文件保留", path.GetString());
    return result;
}
