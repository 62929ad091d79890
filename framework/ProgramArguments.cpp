#include "framework/ProgramArguments.h"

#include "framework/CommandLine.h"
#include "framework/WideText.h"

#include <windows.h>

#include <string>

bool ReadProgramArguments(CString& arguments) {
    std::wstring program(MAX_PATH, L'\0');
    const DWORD length =
        GetModuleFileNameW(nullptr, &program[0], static_cast<DWORD>(program.size()));
    program.resize(length > 0 && length < MAX_PATH ? length : 0);
    const wchar_t* rest = SkipProgramPath(GetCommandLineW(), program.c_str());
    if (ToNarrow(std::wstring(rest), arguments)) return true;
    arguments = Narrow(rest);
    return false;
}
