// KelvraReport: prints what the installation put on the machine.
//   KelvraReport.exe <destination folder>
#include "framework/WideText.h"
#include "tools/report/InstallReport.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

int main() {
    // The folder as typed, from the wide command line: a Chinese destination
    // arrives whole whatever the system's code page.
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    CString destination;
    const bool ok =
        argv && argc == 2 && ToNarrow(argv[1], static_cast<int>(wcslen(argv[1])), destination);
    if (argv) LocalFree(argv);
    if (!ok) {
        std::fprintf(stderr, "usage: KelvraReport.exe <destination folder>\n");
        return 1;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    ReportInstallation(stdout, destination);
    CoUninitialize();
    return 0;
}
