// KelvraReport: prints what the installation put on the machine.
//   KelvraReport.exe <destination folder>
#include "tools/report/InstallReport.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: KelvraReport.exe <destination folder>\n");
        return 1;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    ReportInstallation(stdout, argv[1]);
    CoUninitialize();
    return 0;
}
