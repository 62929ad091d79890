#include "host_cad/AcadDiscovery.h"

#include "host_cad/Registry.h"

int FindAcadInstall(const AcadRelease& release, const CString& view, CString& folder) {
    folder.Empty();
    const CString releasePath = CString("Autodesk\\AutoCAD\\") + release.releaseKey;

    // The product id names the host's per-product key; "CurVer" is never
    // looked for in a view.
    CString productId;
    bool productIdRead = false;
    for (RegistryHive hive : release.discoveryCurVerHives) {
        if (ReadHiveString(hive, KeyInView("SOFTWARE", CString(), releasePath), "CurVer",
                           productId)) {
            productIdRead = true;
            break;
        }
    }
    if (!productIdRead) {
        if (!release.defaultProductId) return 0;
        productId = release.defaultProductId;
    }

    const CString folderKey =
        KeyInView("SOFTWARE", release.takesView ? view : CString(), releasePath + "\\" + productId);
    for (const char* valueName : release.folderValues) {
        ReadMachineString(folderKey, valueName, folder);
        if (!folder.IsEmpty()) break;
    }
    if (folder.IsEmpty()) return 0;
    folder.AppendBackslashIfMissing();
    return 1;
}
