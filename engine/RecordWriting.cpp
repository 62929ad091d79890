// The worker's installation record: the facts noted as the steps go, and the
// record written at the end beside the uninstall log and, for an
// administrator, in the administrators' folder.
#include "engine/SetupThread.h"

#include "framework/Elevation.h"
#include "framework/PathCompare.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <windows.h>

namespace {

// A written file as the record keeps it: its size and last-write time as the
// system lists them, each as one number.
RecordedFile WrittenFile(const CString& path, DWORD sizeHigh, DWORD sizeLow,
                         const FILETIME& lastWrite) {
    RecordedFile file;
    file.path = path;
    file.size = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
    file.lastWrite =
        (static_cast<uint64_t>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
    return file;
}

} // namespace

void CSetupThread::RecordWrittenFile(const CString& path) {
    std::wstring widePath;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!ToWide(path, widePath) ||
        !GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &data)) {
        // Not recorded, so never removed: the safe side for a file whose
        // facts are unknown.
        RunLogFailure(GetLastError(), "不能读取文件的大小和时间 %s", path.GetString());
        return;
    }
    m_record.AddFile(
        WrittenFile(path, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime));
}

void CSetupThread::RecordWrittenFile(const CString& path, const WIN32_FIND_DATAW& source) {
    m_record.AddFile(
        WrittenFile(path, source.nFileSizeHigh, source.nFileSizeLow, source.ftLastWriteTime));
}

namespace {

// Every file the record names lies in folder, and every folder it created
// lies in folder or on the way to it (the parents made to reach it).
bool RecordLiesWithin(const CInstallRecord& record, const CString& folder) {
    for (const CString& created : record.createdFolders)
        if (!IsPathWithin(created, folder) && !IsPathWithin(folder, created)) return false;
    for (const RecordedFile& file : record.files)
        if (!IsPathWithin(file.path, folder)) return false;
    return true;
}

} // namespace

void CSetupThread::WriteInstallRecord() {
    // An administrator trusts only the administrators' copy: the one beside
    // an earlier destination may have been edited by anyone who can write
    // there.
    const bool administrator = RunsAsAdministrator();
    if (!m_strEarlierInstallDir.IsEmpty()) {
        const CString earlierPath =
            administrator ? MachineRecordPath() : RecordPathBeside(m_strEarlierInstallDir);
        CInstallRecord earlier;
        if (CInstallRecord::Load(earlierPath, earlier))
            m_record.MergeEarlier(earlier);
        else
            RunLogLine("没有可用的上次安装记录 %s", earlierPath.GetString());
    } else {
        // No installation registered, but an earlier run into this same
        // folder may have stopped before registering (a content folder
        // missing): the folders and files it made are still ours. A record
        // naming anything elsewhere is another installation's, left by a
        // removal that did not finish, and stays out.
        const CString earlierPath =
            administrator ? MachineRecordPath() : RecordPathBeside(m_strInstallDir);
        CInstallRecord earlier;
        if (CInstallRecord::Load(earlierPath, earlier) &&
            RecordLiesWithin(earlier, m_strInstallDir)) {
            RunLogLine("并入上次未完成的安装记录 %s", earlierPath.GetString());
            m_record.MergeEarlier(earlier);
        }
    }

    const CString beside = RecordPathBeside(m_strInstallDir);
    RunLogLine("写入安装记录 %s", beside.GetString());
    if (!m_record.Save(beside))
        RunLogFailure(GetLastError(), "不能写入安装记录 %s", beside.GetString());
    if (!administrator) return;
    const CString machine = MachineRecordPath();
    RunLogLine("写入管理员的安装记录 %s", machine.GetString());
    if (machine.IsEmpty() || !EnsureMachineRecordFolder() || !m_record.Save(machine))
        RunLogFailure(GetLastError(), "不能写入管理员的安装记录 %s", machine.GetString());
}
