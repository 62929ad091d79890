#include "framework/ProgramArguments.h"

#include "framework/App.h"
#include "framework/CommandLine.h"
#include "framework/WideText.h"

#include <windows.h>

#include <string>

bool ReadProgramArguments(CString& arguments) {
    const std::wstring program = AfxGetModulePath();
    const wchar_t* rest = SkipProgramPath(GetCommandLineW(), program.c_str());
    if (ToNarrow(std::wstring(rest), arguments)) return true;
    arguments = Narrow(rest);
    return false;
}
