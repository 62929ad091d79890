// Where the uninstaller takes the installation record from. The record
// beside Uninstall.log lies in a folder users may write to; an uninstaller
// running with an administrator's rights trusts only the copy in the folder
// only administrators can write.
#pragma once

#include "engine/InstallRecord.h"
#include "framework/String.h"

struct RecordChoice {
    CString path;             // the record read; empty when none is trusted
    CStringArray removeAfter; // the record files a successful run deletes
    CString destination;      // the installation folder it must belong to
};

// The record to trust for destination (no trailing backslash needed):
// elevated (RunsAsAdministrator), only MachineRecordPath(); otherwise the
// record beside the log.
RecordChoice ChooseRecord(const CString& destination, bool elevated);

// The record's file name, as RecordPathBeside puts it beside a log.
CString RecordFileName();

// Reads the chosen record; false (the safe mode) when there is none, or it
// is missing or damaged, or it names nothing in the destination: then it is
// another installation's (the administrators' copy after an installation
// elsewhere, a record copied along with a folder), and it is not deleted
// after the run either.
bool LoadChosenRecord(RecordChoice& choice, CInstallRecord& record);
