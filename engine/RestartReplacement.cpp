// Files in use during the copy, replaced at the next restart once the user
// (or the silent run's check) chose that: the new file waits beside the old
// one until Session Manager moves it into place.
#include "engine/RestartReplacement.h"

#include "engine/SetupThread.h"
#include "framework/App.h"
#include "framework/FileCalls.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "framework/ZoneMark.h"

const char kReplacementSuffix[] = ".kelvra-new";

bool CSetupThread::ReplaceAtRestart(const CString& source, const CString& destination) {
    if (!m_bReplaceInUseAtRestart || !MayReplaceAtRestart(destination)) return false;
    const CString waiting = destination + kReplacementSuffix;
    std::wstring wideWaiting, wideDestination;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!ToWide(waiting, wideWaiting) || !ToWide(destination, wideDestination) ||
        CopyOverExisting(source, waiting) != ERROR_SUCCESS ||
        !SetFileAttributesW(wideWaiting.c_str(), FILE_ATTRIBUTE_NORMAL) ||
        (TakeOffZoneMark(waiting), false) ||
        !GetFileAttributesExW(wideWaiting.c_str(), GetFileExInfoStandard, &data)) {
        RunLogFailure(GetLastError(), "不能为正在使用的文件 %s 准备替换文件 %s",
                      destination.GetString(), waiting.GetString());
        DeleteFilePath(waiting);
        return false;
    }
    if (!MoveFileExW(wideWaiting.c_str(), wideDestination.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        RunLogFailure(GetLastError(), "不能安排在重新启动时替换 %s", destination.GetString());
        DeleteFilePath(waiting);
        return false;
    }
    // The file that will stand there after the restart, and the waiting
    // copy for an uninstallation that comes before the restart.
    RecordedFile file{.path = destination,
                      .size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                      .lastWrite =
                          (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime};
    m_record.AddFile(file);
    file.path = waiting;
    m_record.AddFile(file);
    m_replacedAtRestart.push_back(destination);
    RunLogLine("文件正在被使用, 将在重新启动计算机后替换: %s", destination.GetString());
    return true;
}

void CSetupThread::ReportRestartReplacements() {
    if (m_replacedAtRestart.empty() || IsCancelled()) return;
    RunLogLine("%d 个正在使用的文件将在重新启动计算机后替换; 安装在重新启动后完成",
               static_cast<int>(m_replacedAtRestart.size()));
    if (!ShowsBoxes()) return;
    CString text = "以下文件正在被使用，将在重新启动计算机后替换：\n";
    for (size_t i = 0; i < m_replacedAtRestart.size() && i < 5; ++i)
        text.AppendFormat("\n    %s", m_replacedAtRestart[i].GetString());
    if (m_replacedAtRestart.size() > 5)
        text.AppendFormat("\n    以及其他 %d 个", static_cast<int>(m_replacedAtRestart.size() - 5));
    text += "\n\n请重新启动计算机后再使用 Kelvra V9.0。";
    AfxMessageBox(m_hWndPage, text, MB_OK | MB_ICONINFORMATION);
}
