#include "engine/SetupThread.h"

#include "engine/DistributionCheck.h"
#include "engine/RestartReplacement.h"
#include "framework/FileCalls.h"
#include "framework/FilesInUse.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "framework/ZoneMark.h"

#include <windows.h>

namespace {
// The size of a file just copied; 0 when it cannot be read.
ULONGLONG CopiedSize(const CString& file) {
    std::wstring path;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!ToWide(file, path) || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
} // namespace

// Step 2: the files directly in the distribution folder, except the installer.
bool CSetupThread::CopyProgramFiles() {
    CStringArray names;
    CStringArray unnamed;
    ListFiles(m_strSourceDir, "*.*", names, &unnamed);
    for (const CString& file : unnamed) m_failures.programFiles.push_back(file);
    for (const CString& name : names) {
        // The installer, and the list of the distribution it checks.
        if (name.CompareNoCase("Setup.exe") == 0 || name.CompareNoCase(kManifestName) == 0)
            continue;
        const CString destination = m_strInstallDir + name;
        const CString source = m_strSourceDir + name;
        // A file read-only on the medium stays read-only. One that cannot be
        // copied (held open by the running product, or read-only from an
        // earlier installation and still refused) is named in the summary;
        // the uninstaller still gets the line.
        DWORD error = CopyOverExisting(source, destination);
        while (IsDiskFullError(error)) {
            DeleteFilePath(destination);
            RunLogFailure(error, "不能复制程序文件 %s", destination.GetString());
            SetLastError(error);
            if (IsCancelled() || AskDiskFull(destination) != IDRETRY) return false;
            error = CopyOverExisting(source, destination);
        }
        if (error == ERROR_SUCCESS) {
            m_nCopiedBytes += CopiedSize(destination);
            TakeOffZoneMark(destination, nullptr);
            RecordWrittenFile(destination);
        } else if (IsInUseError(error) && ReplaceAtRestart(source, destination)) {
            m_nCopiedBytes += CopiedSize(destination + kReplacementSuffix);
        } else {
            RunLogFailure(error, "不能复制程序文件 %s", destination.GetString());
            m_failures.programFiles.push_back(destination);
            if (error == ERROR_ACCESS_DENIED)
                NoteAccessDenied(destination.Left(destination.ReverseFind('\\')));
            if (IsInUseError(error)) m_failures.inUse = true;
        }
        LogFileCopy(destination);
        if (name.CompareNoCase("KelvraV9.0.ico") == 0)
            SetPathAttributes(destination, FILE_ATTRIBUTE_HIDDEN);
    }
    return true;
}
