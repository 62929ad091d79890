#include "uninstall/RecordLocation.h"

#include "framework/PathCompare.h"

RecordChoice ChooseRecord(const CString& destination, bool elevated) {
    CString folder = destination;
    folder.AppendBackslashIfMissing();
    RecordChoice choice;
    choice.destination = NormalizePath(destination);
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

bool LoadChosenRecord(RecordChoice& choice, CInstallRecord& record) {
    record = CInstallRecord();
    if (choice.path.IsEmpty() || !CInstallRecord::Load(choice.path, record)) return false;
    bool ours = false;
    for (const RecordedFile& file : record.files)
        ours = ours || IsPathWithin(NormalizePath(file.path), choice.destination);
    for (const CString& folder : record.createdFolders)
        ours = ours || IsPathWithin(NormalizePath(folder), choice.destination);
    if (ours) return true;
    record = CInstallRecord();
    CStringArray kept;
    for (const CString& path : choice.removeAfter)
        if (!IsSamePath(path, choice.path)) kept.push_back(path);
    choice.removeAfter = kept;
    return false;
}

CString RecordFileName() {
    const CString folder = "C:\\K\\";
    const CString path = RecordPathBeside(folder);
    return path.Left(folder.GetLength()) == folder ? path.Mid(folder.GetLength()) : CString();
}
