// Installed files lose the mark a download left on the distribution's.
#include "engine/SetupThread.h"

#include "framework/RunLog.h"
#include "framework/ZoneMark.h"

void CSetupThread::TakeOffZoneMark(const CString& file, const FILETIME* lastWrite) {
    // The file is installed all the same; the product only warns as it
    // would for a download.
    if (!RemoveZoneMark(file, lastWrite))
        RunLogFailure(GetLastError(), "不能去掉文件的下载标记 (Zone.Identifier) %s",
                      file.GetString());
}
