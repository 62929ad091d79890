#include "uninstall/RecordLocation.h"

RecordChoice ChooseRecord(const CString& destination, bool elevated) {
    CString folder = destination;
    folder.AppendBackslashIfMissing();
    RecordChoice choice;
    const CString beside = RecordPathBeside(folder);
    if (elevated) {
        choice.path = MachineRecordPath();
        if (!choice.path.IsEmpty()) choice.removeAfter.push_back(choice.path);
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
