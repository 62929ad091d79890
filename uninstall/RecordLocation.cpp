#include "uninstall/RecordLocation.h"

#include "framework/Handles.h"

#include <windows.h>

bool RunsElevated() {
    CHandle token;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    token.Reset(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

RecordChoice ChooseRecord(const CString& destination, bool elevated) {
    CString folder = destination;
    folder.AppendBackslashIfMissing();
    RecordChoice choice;
    const CString beside = RecordPathBeside(folder);
    if (elevated) {
        choice.path = MachineRecordPath();
        choice.removeAfter.push_back(choice.path);
    } else {
        choice.path = beside;
    }
    // The copy beside the log goes with the log either way.
    choice.removeAfter.push_back(beside);
    return choice;
}

bool LoadChosenRecord(const RecordChoice& choice, CInstallRecord& record) {
    record = CInstallRecord();
    return !choice.path.IsEmpty() && CInstallRecord::Load(choice.path, record);
}

CString RecordFileName() {
    const CString folder = "C:\\K\\";
    const CString path = RecordPathBeside(folder);
    return path.Left(folder.GetLength()) == folder ? path.Mid(folder.GetLength()) : CString();
}
