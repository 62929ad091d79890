#include "engine/SetupThread.h"

#include "framework/ControlFileTrust.h"
#include "framework/RunLog.h"
#include "framework/SelfRegistration.h"

#include <olectl.h>

namespace {

// A control that may not write its classes: access denied, or the answer
// controls give when their registry writes are refused (most often for want
// of rights). A file that is no library is not among them.
bool IsRefusedForWantOfRights(HRESULT result) {
    return result == E_ACCESSDENIED || result == STG_E_ACCESSDENIED || result == SELFREG_E_CLASS;
}

} // namespace

// Step 3: self-registers every control directly in the Control folder.
// An administrator's run loads only controls nobody else could have
// replaced, or planted a library beside: the registration would make every
// process that creates the control, elevated ones among them, load that code.
void CSetupThread::RegisterControls() {
    const CString controlFolder = m_strInstallDir + "Control\\";
    CStringArray names;
    ListFiles(controlFolder, "*.ocx", names);
    for (const CString& name : names) {
        const CString path = controlFolder + name;
        // Held until the control is unloaded again.
        const CControlFileCheck check(path);
        HRESULT result = S_OK;
        if (!check.Trusted()) {
            RunLogLine("ERROR  不注册控件 %s: 它或它所在的文件夹不是只有管理员才能修改, "
                       "其他用户可以替换其中的程序",
                       path.GetString());
            m_failures.controls.push_back(path);
            m_failures.controlsOthersMayChange = true;
        } else if (!RegisterServer(path, &result)) {
            RunLogFailure(static_cast<DWORD>(result), "不能注册控件 %s", path.GetString());
            m_failures.controls.push_back(path);
            // A control registers itself under HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
            if (IsRefusedForWantOfRights(result))
                NoteAccessDenied("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes");
        }
        // Logged whether or not the control registered itself.
        LogRegCtrl(path);
    }
}

int CSetupThread::RegisterServer(const CString& path, HRESULT* result) {
    return CallSelfRegistration(path, "DllRegisterServer", result);
}
