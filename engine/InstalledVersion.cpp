#include "engine/InstalledVersion.h"

#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "host_cad/Registry.h"
#include "res/ProductVersion.h"

#include <windows.h>

const char kInstalledVersionValue[] = "InstalledVersion";

namespace {
const char* const kProductKeys[] = {"SOFTWARE\\Morvane\\Kelvra\\V9",
                                    "SOFTWARE\\Wow6432Node\\Morvane\\Kelvra\\V9"};
} // namespace

bool MarkInstallationComplete() {
    bool written = true;
    for (const char* key : kProductKeys)
        // A failed write is logged with its error by the write itself.
        if (!WriteMachineString(key, kInstalledVersionValue, KELVRA_PRODUCT_VERSION))
            written = false;
    if (written)
        RunLogLine("安装已完成的标记: HKEY_LOCAL_MACHINE\\%s\\%s = %s", kProductKeys[0],
                   kInstalledVersionValue, KELVRA_PRODUCT_VERSION);
    return written;
}

bool ClearInstallationComplete() {
    bool cleared = true;
    for (const char* key : kProductKeys) {
        CRegKey handle;
        // Not there at all: nothing to take away (and no key is created).
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(key).c_str(), 0, KEY_SET_VALUE, handle.Out()) !=
            ERROR_SUCCESS)
            continue;
        const LONG error = RegDeleteValueW(handle.Get(), Wide(kInstalledVersionValue).c_str());
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
            RunLogFailure(static_cast<DWORD>(error), "不能删除 HKEY_LOCAL_MACHINE\\%s\\%s", key,
                          kInstalledVersionValue);
            cleared = false;
        }
    }
    return cleared;
}
