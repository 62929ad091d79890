#include "uninstall/ControlUnregistration.h"

#include "framework/ControlFileTrust.h"
#include "framework/RunLog.h"
#include "framework/SelfRegistration.h"
#include "host_cad/ComClassRegistry.h"

ControlUnregistration UnregisterControl(const CString& path) {
    ControlUnregistration result;
    {
        CControlFileCheck check(path);
        if (check.Trusted()) {
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
